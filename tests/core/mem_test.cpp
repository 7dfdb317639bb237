#include "core/mem.h"

#include "fake_platform.h"

namespace kivo {
namespace {

using Mem = fake::fixture;

TEST_F(Mem, ImpossibleSizesGiveNull) {
  EXPECT_EQ(mem_alloc(0), nullptr);
  EXPECT_EQ(mem_alloc(-1), nullptr);
  EXPECT_EQ(mem_alloc(INT64_MIN), nullptr);
  EXPECT_EQ(mem_free(nullptr), 0);
}

TEST_F(Mem, FreshBlocksReadZero) {
  auto* p = static_cast<unsigned char*>(mem_alloc(100));
  ASSERT_NE(p, nullptr);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(p[i], 0) << i;
  EXPECT_EQ(fake::live_blocks(), 1);
  EXPECT_EQ(mem_free(p), 0);
  EXPECT_EQ(fake::live_blocks(), 0);
}

TEST_F(Mem, FailedRequestIsNull) {
  fake::fail_request(2);
  void* first = mem_alloc(8);
  EXPECT_NE(first, nullptr);
  EXPECT_EQ(mem_alloc(8), nullptr);
  mem_free(first);
}

TEST_F(Mem, CopyRereadsBytesItWrote) {
  char copied[] = "abcdefg";
  EXPECT_EQ(mem_copy(copied + 2, copied, 5), copied + 2);
  EXPECT_STREQ(copied, "abababa");
}

TEST_F(Mem, MoveHandlesOverlapBothWays) {
  char moved[] = "abcdefg";
  EXPECT_EQ(mem_move(moved + 2, moved, 5), moved + 2);
  EXPECT_STREQ(moved, "ababcde");

  char down[] = "abcdefg";
  mem_move(down, down + 2, 5);
  EXPECT_STREQ(down, "cdefgfg");
}

TEST_F(Mem, ZeroOrSelfCountsTouchNothing) {
  char buf[] = "xyz";
  EXPECT_EQ(mem_copy(buf, nullptr, 0), buf);
  EXPECT_EQ(mem_move(buf, nullptr, 0), buf);
  EXPECT_EQ(mem_move(buf, buf, 3), buf);
  EXPECT_STREQ(buf, "xyz");
}

TEST_F(Mem, CompareGivesUnsignedDifferenceOfFirstMismatch) {
  EXPECT_EQ(mem_compare("abc", "abd", 3), -1);
  EXPECT_EQ(mem_compare("abc", "abd", 2), 0);
  EXPECT_EQ(mem_compare("\xff", "\x01", 1), 254);
  EXPECT_EQ(mem_compare("\x01", "\xff", 1), -254);
  EXPECT_EQ(mem_compare(nullptr, nullptr, 0), 0);
}

}  // namespace
}  // namespace kivo
