// The "%.6f" renderer against the C library on over a million random doubles.
#include <stdint.h>

#include <random>

#include <gtest/gtest.h>

#include "float_format_check.h"

namespace kivo {
namespace {

TEST(FloatFormatSweep, RandomValuesOfEveryExponentMatchTheCLibrary) {
  mismatches m;
  std::mt19937_64 rng(2024);
  // Every biased exponent and both signs get the same share, with random fraction bits.
  for (uint64_t biased = 0; biased < 2047; ++biased) {
    for (int i = 0; i < 400; ++i) m.check(from_bits((rng() & 0x800fffffffffffff) | (biased << 52)));
  }
  // Uniform random patterns, and the exponents with digits on both sides of the point.
  for (int i = 0; i < 100000; ++i) m.check(from_bits(rng()));
  for (int i = 0; i < 200000; ++i) m.check(from_bits((rng() & 0x800fffffffffffff) | ((1023 - 30 + rng() % 64) << 52)));
  EXPECT_EQ(m.count, 0) << m.count << " of " << m.checked << " differ:" << m.report;
  EXPECT_GE(m.checked, 1000000);
}

}  // namespace
}  // namespace kivo
