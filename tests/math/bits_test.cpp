// The bit operations: the report's pattern, 0 and the extremes, and the standard library's
// counts and rotation on random patterns.
#include "math/bits.h"

#include <bit>
#include <random>

#include <gtest/gtest.h>

namespace kivo {
namespace {

constexpr int64_t x = static_cast<int64_t>(0xDEADBEEFCAFEBABEu);

TEST(Bits, KnownPatternsGiveTheirCounts) {
  const int64_t cases[][2] = {
      {popcnt(x), 46}, {clz(x), 0}, {ctz(x), 1}, {bswap(x), -4703166713275961890},
      {rotl(x, 8), -5927036404436910370}, {popcnt(0), 0}, {popcnt(-1), 64}, {clz(0), 64},
      {clz(1), 63}, {clz(-1), 0}, {ctz(0), 64}, {ctz(INT64_MIN), 63}, {popcnt(INT64_MIN), 1},
      {bswap(0x0102030405060708), 0x0807060504030201}, {rotl(x, 0), x}, {rotl(x, 64), x},
      {rotl(1, 63), INT64_MIN}, {rotl(INT64_MIN, 1), 1}, {rotl(x, -1), rotl(x, 63)},
      {rotl(x, -8), rotl(x, 56)}, {rotl(x, INT64_MIN), x},
  };
  for (size_t i = 0; i < std::size(cases); ++i) EXPECT_EQ(cases[i][0], cases[i][1]) << "case " << i;
}

TEST(Bits, AgreeWithTheStandardLibraryOnRandomPatterns) {
  std::mt19937_64 rng(9);
  for (int i = 0; i < 20000; ++i) {
    // Sparse patterns too, so the counts see long runs of zeros at both ends.
    const uint64_t v = rng() & (rng() >> (rng() % 64)) << (rng() % 64);
    const int64_t s = static_cast<int64_t>(v), n = static_cast<int64_t>(rng());
    uint64_t swapped = 0;
    for (int b = 0; b < 8; ++b) swapped |= ((v >> (8 * b)) & 0xFF) << (8 * (7 - b));
    ASSERT_EQ(popcnt(s), std::popcount(v)) << v;
    ASSERT_EQ(clz(s), std::countl_zero(v)) << v;
    ASSERT_EQ(ctz(s), std::countr_zero(v)) << v;
    ASSERT_EQ(bswap(s), static_cast<int64_t>(swapped)) << v;
    ASSERT_EQ(rotl(s, n), static_cast<int64_t>(std::rotl(v, static_cast<int>(n & 63)))) << v;
  }
}

// Every power of two and its neighbours, and the runs of ones from either end: where a count
// taken from a conversion to double could round up, and where an instruction's count at 0
// or 64 differs from the next one.
TEST(Bits, AgreeWithTheStandardLibraryAtEveryBitPosition) {
  for (int k = 0; k < 64; ++k) {
    const uint64_t p = uint64_t{1} << k;
    for (const uint64_t v : {p, p - 1, p + 1, ~(p - 1), ~uint64_t{0} >> k, p | (p >> 1), p | 1}) {
      const auto s = static_cast<int64_t>(v);
      ASSERT_EQ(popcnt(s), std::popcount(v)) << v;
      ASSERT_EQ(clz(s), std::countl_zero(v)) << v;
      ASSERT_EQ(ctz(s), std::countr_zero(v)) << v;
      ASSERT_EQ(bswap(bswap(s)), s) << v;
    }
  }
}

}  // namespace
}  // namespace kivo
