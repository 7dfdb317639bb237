#include "containers/arena.h"

#include <cstring>

#include "core/mem.h"

#include "fake_platform.h"

namespace kivo {
namespace {

using Arena = fake::Test;

TEST_F(Arena, RefusesBadSizesAndNullArguments) {
  EXPECT_EQ(arena_new(0), nullptr);
  EXPECT_EQ(arena_new(-1), nullptr);
  EXPECT_EQ(arena_alloc(nullptr, 8), nullptr);
  EXPECT_EQ(arena_strdup(nullptr, "x"), nullptr);
  EXPECT_EQ(arena_free(nullptr), -1);

  arena* a = arena_new(64);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->used, 0);
  EXPECT_EQ(a->cap, 64);
  EXPECT_EQ(a->owns_buffer, 1);
  EXPECT_EQ(arena_alloc(a, 0), nullptr);
  EXPECT_EQ(arena_alloc(a, -8), nullptr);
  EXPECT_EQ(arena_strdup(a, nullptr), nullptr);
  EXPECT_EQ(a->used, 0);
  arena_free(a);
}

TEST_F(Arena, FailedAllocationInNewReleasesWhatItTook) {
  fake::fail_request(1);
  EXPECT_EQ(arena_new(64), nullptr);
  fake::fail_request(2);
  EXPECT_EQ(arena_new(64), nullptr);
  EXPECT_EQ(arena_new(int64_t{1} << 62), nullptr);  // more than the platform gives
  EXPECT_EQ(fake::live_blocks(), 0);
}

TEST_F(Arena, CopiesAreAlignedAndResetReusesTheBuffer) {
  arena* a = arena_new(4096);
  ASSERT_NE(a, nullptr);
  char* s1 = arena_strdup(a, "First string in arena");
  EXPECT_EQ(s1, a->base);
  EXPECT_EQ(a->used, 22);
  char* s2 = arena_strdup(a, "Second string in arena");
  EXPECT_EQ(s2, a->base + 24);
  EXPECT_EQ(a->used, 47);
  EXPECT_STREQ(s1, "First string in arena");
  EXPECT_STREQ(s2, "Second string in arena");

  a->used = 0;
  char* e = arena_strdup(a, "");
  EXPECT_EQ(e, a->base);
  EXPECT_EQ(*e, '\0');
  EXPECT_EQ(a->used, 1);
  EXPECT_EQ(fake::live_blocks(), 2);  // no request per allocation
  arena_free(a);
}

TEST_F(Arena, ExactFillSucceedsAndNothingMoreFits) {
  arena* a = arena_new(4096);
  ASSERT_NE(a, nullptr);
  a->used = 47;
  char* p = static_cast<char*>(arena_alloc(a, 4048));
  EXPECT_EQ(p, a->base + 48);
  EXPECT_EQ(a->used, 4096);
  std::memset(p, 0xAB, 4048);  // the whole piece is inside the buffer
  EXPECT_EQ(arena_alloc(a, 1), nullptr);
  EXPECT_EQ(arena_strdup(a, ""), nullptr);
  EXPECT_EQ(a->used, 4096);
  arena_free(a);
}

TEST_F(Arena, AllocationThatDoesNotFitLeavesUsedAlone) {
  arena* a = arena_new(4096);
  ASSERT_NE(a, nullptr);
  ASSERT_NE(arena_alloc(a, 1), nullptr);
  EXPECT_EQ(arena_alloc(a, 4096), nullptr);
  EXPECT_EQ(a->used, 1);
  // 8 is where the next piece starts, so 4088 still fits and 4089 does not.
  EXPECT_EQ(arena_alloc(a, 4089), nullptr);
  EXPECT_EQ(arena_alloc(a, 4088), a->base + 8);
  arena_free(a);
}

TEST_F(Arena, BorrowedBufferIsNotReleased) {
  arena* a = arena_new(32);
  ASSERT_NE(a, nullptr);
  char* own = a->base;
  alignas(8) static char borrowed[32];
  a->base = borrowed;
  a->owns_buffer = 0;
  EXPECT_EQ(arena_alloc(a, 8), borrowed);
  EXPECT_EQ(arena_free(a), 0);
  EXPECT_EQ(fake::live_blocks(), 1);  // only the buffer that was swapped out
  mem_free(own);
}

// The end of a piece computed past 64 bits must fail, not wrap to an offset below cap.
TEST_F(Arena, SizesBeyondSixtyFourBitsFailInsteadOfWrapping) {
  arena* a = arena_new(4096);
  ASSERT_NE(a, nullptr);
  a->used = 47;
  EXPECT_EQ(arena_alloc(a, INT64_MAX - 40), nullptr);
  EXPECT_EQ(arena_alloc(a, INT64_MAX), nullptr);
  EXPECT_EQ(a->used, 47);
  arena_free(a);
}

// used is stored into directly; a value outside 0 to cap must not turn into an address
// outside the buffer.
TEST_F(Arena, UsedOutsideTheBufferServesNothing) {
  arena* a = arena_new(4096);
  ASSERT_NE(a, nullptr);
  a->used = -16;
  EXPECT_EQ(arena_alloc(a, 8), nullptr);
  a->used = 4097;
  EXPECT_EQ(arena_alloc(a, 1), nullptr);
  a->used = INT64_MAX;
  EXPECT_EQ(arena_alloc(a, 1), nullptr);
  EXPECT_EQ(a->used, INT64_MAX);
  a->used = 0;
  EXPECT_EQ(arena_alloc(a, 8), a->base);
  arena_free(a);
}

}  // namespace
}  // namespace kivo
