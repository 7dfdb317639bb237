// The bit operations against bit-by-bit loops, and their values at 0 and at the extremes.
#include <random>

#include <gtest/gtest.h>

#include "math/bits.h"

namespace kivo {
namespace {

constexpr int64_t x = static_cast<int64_t>(0xDEADBEEFCAFEBABEu);

TEST(Bits, ReportPattern) {
  EXPECT_EQ(popcnt(x), 46);
  EXPECT_EQ(clz(x), 0);
  EXPECT_EQ(ctz(x), 1);
  EXPECT_EQ(bswap(x), -4703166713275961890);
  EXPECT_EQ(rotl(x, 8), -5927036404436910370);
}

TEST(Bits, ZeroAndExtremes) {
  EXPECT_EQ(popcnt(0), 0);
  EXPECT_EQ(popcnt(-1), 64);
  EXPECT_EQ(clz(0), 64);
  EXPECT_EQ(clz(1), 63);
  EXPECT_EQ(clz(-1), 0);
  EXPECT_EQ(ctz(0), 64);
  EXPECT_EQ(ctz(INT64_MIN), 63);
  EXPECT_EQ(bswap(0x0102030405060708), 0x0807060504030201);
  EXPECT_EQ(rotl(x, 0), x);
  EXPECT_EQ(rotl(x, 64), x);
  EXPECT_EQ(rotl(1, 63), INT64_MIN);
  EXPECT_EQ(rotl(x, -1), rotl(x, 63));
  EXPECT_EQ(rotl(x, -8), rotl(x, 56));
  EXPECT_EQ(rotl(x, INT64_MIN), x);
}

TEST(Bits, AgreeWithBitLoopsOnRandomPatterns) {
  std::mt19937_64 rng(9);
  for (int i = 0; i < 20000; ++i) {
    // Sparse patterns too, so the counts see long runs of zeros at both ends.
    const uint64_t v = rng() & (rng() >> (rng() % 64)) << (rng() % 64);
    const int64_t n = static_cast<int64_t>(rng());
    int64_t ones = 0, lead = 0, trail = 0;
    for (int b = 0; b < 64; ++b) ones += (v >> b) & 1;
    while (lead < 64 && ((v >> (63 - lead)) & 1) == 0) ++lead;
    while (trail < 64 && ((v >> trail) & 1) == 0) ++trail;
    uint64_t swapped = 0, rotated = 0;
    for (int b = 0; b < 8; ++b) swapped |= ((v >> (8 * b)) & 0xFF) << (8 * (7 - b));
    for (int b = 0; b < 64; ++b) rotated |= ((v >> b) & 1) << ((b + (n & 63)) % 64);
    const int64_t s = static_cast<int64_t>(v);
    ASSERT_EQ(popcnt(s), ones) << v;
    ASSERT_EQ(clz(s), lead) << v;
    ASSERT_EQ(ctz(s), trail) << v;
    ASSERT_EQ(bswap(s), static_cast<int64_t>(swapped)) << v;
    ASSERT_EQ(rotl(s, n), static_cast<int64_t>(rotated)) << v << " by " << n;
  }
}

}  // namespace
}  // namespace kivo
