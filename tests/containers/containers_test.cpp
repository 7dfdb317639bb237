#include <cstring>
#include <string>

#include "containers/arena.h"
#include "containers/ivec.h"
#include "containers/vec.h"
#include "core/mem.h"
#include "fake_platform.h"

namespace kivo {
namespace {

using Vec = fake::fixture;
using Arena = fake::fixture;

// Sizes whose block would not fit in 64 bits fail before any request, rather than wrapping.
TEST_F(Vec, RefusesBadArguments) {
  for (int64_t size : {int64_t{0}, int64_t{-1}, (int64_t{1} << 60) + 1, INT64_MAX}) EXPECT_EQ(vec_new(size), nullptr);
  EXPECT_EQ(fake::heap_requests(), 0);
  EXPECT_EQ(vec_reserve(nullptr, 1) + vec_push(nullptr, "x") + vec_free(nullptr), -3);
  EXPECT_EQ(vec_at(nullptr, 0), nullptr);
  EXPECT_EQ(ivec_get(nullptr, 0), 0);
  for (int64_t refused : {1, 2}) {  // the record, then the block
    fake::fail_request(refused);
    EXPECT_EQ(vec_new(8), nullptr);
  }
  EXPECT_EQ(fake::live_blocks(), 0);
}

bool same_record(const vec* v, const vec& was) {
  return v->data == was.data && v->len == was.len && v->cap == was.cap && v->elem_size == was.elem_size;
}

TEST_F(Vec, SeventeenthPushDoublesTheBlockKeepingTheOrder) {
  vec* v = vec_new(8);
  ASSERT_NE(v, nullptr);
  EXPECT_EQ(v->cap, vec_initial_cap);
  EXPECT_EQ(vec_push(v, nullptr), -1);
  for (int64_t i = 0; i < 16; ++i) ASSERT_EQ(ivec_push(v, i * i), 0);
  const vec full = *v;
  fake::fail_request(1);
  EXPECT_EQ(ivec_push(v, 16 * 16), -1);
  EXPECT_TRUE(same_record(v, full));  // a refused growth leaves the vector as it was
  for (int64_t i = 16; i < 20; ++i) ASSERT_EQ(ivec_push(v, i * i), 0);
  EXPECT_EQ(v->cap, 32);
  EXPECT_NE(v->data, full.data);
  EXPECT_EQ(fake::live_blocks(), 2);  // the old block went back
  for (int64_t i = 0; i < 20; ++i) EXPECT_EQ(ivec_get(v, i), i * i) << i;
  EXPECT_EQ(vec_at(v, 20), nullptr);
  EXPECT_EQ(vec_at(v, -1), nullptr);

  // vec_reserve moves to max(2 * cap, min_cap) slots even when the block would do.
  for (int64_t min_cap : {0, 1, 1000}) {
    void* old = v->data;
    const int64_t want = min_cap > 2 * v->cap ? min_cap : 2 * v->cap;
    ASSERT_EQ(vec_reserve(v, min_cap), 0);
    EXPECT_EQ(v->cap, want);
    EXPECT_NE(v->data, old);
  }
  EXPECT_EQ(ivec_get(v, 19), 19 * 19);
  EXPECT_EQ(fake::live_blocks(), 2);
  EXPECT_EQ(vec_free(v), 0);

  // Elements of any size are copied by value; the integer layer takes only eight bytes.
  vec* w = vec_new(3);
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(ivec_push(w, 1), -1);
  auto triple = [](char i) { return std::string{i, 7, static_cast<char>(i + 2)}; };
  for (char i = 0; i < 20; ++i) ASSERT_EQ(vec_push(w, triple(i).data()), 0);
  for (char i = 0; i < 20; ++i) EXPECT_EQ(std::string(static_cast<char*>(vec_at(w, i)), 3), triple(i));
  EXPECT_EQ(ivec_get(w, 0), 0);
  vec_free(w);
}

// Growing releases the block that the vector's own element lives in: the value must come
// from the new one.
TEST_F(Vec, PushingItsOwnElementWhileGrowingKeepsTheValue) {
  vec* v = vec_new(8);
  ASSERT_NE(v, nullptr);
  for (int64_t i = 0; i < 16; ++i) ivec_push(v, 1000 + i);
  ASSERT_EQ(vec_push(v, vec_at(v, 5)), 0);
  EXPECT_EQ(ivec_get(v, 16), 1005);
  for (int64_t i = 17; i < 32; ++i) ivec_push(v, i);
  ASSERT_EQ(vec_push(v, vec_at(v, 31)), 0);  // the last slot
  EXPECT_EQ(ivec_get(v, 32), 31);
  ASSERT_EQ(vec_push(v, vec_at(v, 0)), 0);  // no growth here
  EXPECT_EQ(ivec_get(v, 33), 1000);
  vec_free(v);
}

// The fields are public: sizes past 64 bits and records that no longer hold together fail
// with the vector unchanged, rather than computing addresses from them.
TEST_F(Vec, RefusesRecordsThatDoNotHoldTogether) {
  vec* v = vec_new(8);
  ASSERT_NE(v, nullptr);
  ivec_push(v, 1);
  ivec_push(v, 2);
  const vec good = *v;
  const int64_t requests = fake::heap_requests();
  EXPECT_EQ(vec_reserve(v, (int64_t{1} << 61) + 1), -1);  // times 8 wraps to 8
  EXPECT_EQ(vec_reserve(v, INT64_MAX), -1);
  EXPECT_TRUE(same_record(v, good));
  v->cap = (int64_t{1} << 62) + 1;  // a capacity whose double does not fit
  v->elem_size = 1;
  EXPECT_EQ(vec_reserve(v, 0), -1);
  EXPECT_EQ(fake::heap_requests(), requests);
  EXPECT_EQ(v->data, good.data);

  *v = good;
  v->len = -1;
  EXPECT_EQ(ivec_push(v, 1) + vec_reserve(v, 0), -2);
  v->len = 17;  // more than the 16 slots
  EXPECT_EQ(vec_at(v, 16), nullptr);
  EXPECT_EQ(ivec_push(v, 1), -1);
  v->len = 2;
  v->elem_size = 0;
  EXPECT_EQ(vec_push(v, "x"), -1);
  *v = good;
  EXPECT_EQ(ivec_get(v, 1), 2);
  vec_free(v);
}

TEST_F(Arena, RefusesBadArguments) {
  for (int64_t size : {int64_t{0}, int64_t{-1}, int64_t{1} << 62}) EXPECT_EQ(arena_new(size), nullptr);
  for (int64_t refused : {1, 2}) {  // the record, then the block
    fake::fail_request(refused);
    EXPECT_EQ(arena_new(64), nullptr);
  }
  EXPECT_EQ(fake::live_blocks(), 0);
  EXPECT_EQ(arena_free(nullptr), -1);
  EXPECT_EQ(arena_alloc(nullptr, 8), nullptr);
  EXPECT_EQ(arena_strdup(nullptr, "x"), nullptr);
  arena* a = arena_new(64);
  ASSERT_NE(a, nullptr);
  for (int64_t n : {0, -8}) EXPECT_EQ(arena_alloc(a, n), nullptr);
  EXPECT_EQ(arena_strdup(a, nullptr), nullptr);
  EXPECT_EQ(a->used, 0);
  arena_free(a);
}

TEST_F(Arena, FreeKeepsABorrowedBuffer) {
  arena* a = arena_new(64);
  ASSERT_NE(a, nullptr);
  char* own = a->base;
  alignas(8) static char borrowed[64];
  a->base = borrowed;
  a->owns_buffer = 0;
  EXPECT_EQ(arena_alloc(a, 8), borrowed);
  EXPECT_EQ(arena_free(a), 0);
  EXPECT_EQ(fake::live_blocks(), 1);  // only the buffer that was swapped out
  mem_free(own);
}

TEST_F(Arena, PiecesAreAlignedAndFillTheBufferExactly) {
  arena* a = arena_new(4096);
  ASSERT_NE(a, nullptr);
  char* s1 = arena_strdup(a, "First string in arena");
  char* s2 = arena_strdup(a, "Second string in arena");
  EXPECT_EQ(s1, a->base);
  EXPECT_EQ(s2, a->base + 24);
  EXPECT_EQ(a->used, 47);
  EXPECT_STREQ(s1, "First string in arena");
  EXPECT_STREQ(s2, "Second string in arena");
  EXPECT_EQ(fake::live_blocks(), 2);  // no request per piece

  // 48 is where the next piece starts, so 4048 bytes still fit and 4049 do not.
  EXPECT_EQ(arena_alloc(a, 4049), nullptr);
  EXPECT_EQ(arena_alloc(a, INT64_MAX - 40), nullptr);  // its end would wrap below cap
  EXPECT_EQ(a->used, 47);
  char* p = static_cast<char*>(arena_alloc(a, 4048));
  ASSERT_EQ(p, a->base + 48);
  EXPECT_EQ(a->used, 4096);
  std::memset(p, 0xAB, 4048);  // the whole piece is inside the buffer
  EXPECT_EQ(arena_alloc(a, 1), nullptr);

  // A reset is a store of 0; a used outside 0 to cap serves nothing.
  for (int64_t used : {int64_t{-16}, int64_t{4097}, INT64_MAX}) {
    a->used = used;
    EXPECT_EQ(arena_alloc(a, 1), nullptr) << used;
  }
  a->used = 0;
  EXPECT_EQ(arena_strdup(a, ""), a->base);
  EXPECT_EQ(arena_alloc(a, 8), a->base + 8);  // after 1 byte used, not + 4
  arena_free(a);
}

}  // namespace
}  // namespace kivo
