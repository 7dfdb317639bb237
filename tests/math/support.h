#pragma once
// Bit-pattern helpers shared by the math tests: doubles are compared as their 64 bits, so a
// sign of zero or a last-place difference is a failure, and NaN equals NaN.
#include <stdint.h>

#include <cmath>
#include <iomanip>
#include <random>

#include <gtest/gtest.h>

namespace kivo::test {

inline uint64_t bits(double x) { return __builtin_bit_cast(uint64_t, x); }
inline double from_bits(uint64_t b) { return __builtin_bit_cast(double, b); }
inline bool is_nan(double x) { return x != x; }

// Passes when both doubles have the same 64 bits; otherwise shows both values and patterns.
inline ::testing::AssertionResult same_bits(double actual, double expected) {
  if (bits(actual) == bits(expected)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << std::setprecision(17) << actual << " (0x" << std::hex << bits(actual) << ") is not "
         << expected << " (0x" << bits(expected) << ")";
}

// A double from random bits: every sign, binade, subnormal, infinity and NaN.
inline double any_double(std::mt19937_64& rng) { return from_bits(rng()); }

// A double spread evenly over the binades from lo to hi (both > 0), with a random sign.
inline double spread(std::mt19937_64& rng, double lo, double hi) {
  std::uniform_real_distribution<double> exponent(std::log2(lo), std::log2(hi));
  const double v = std::exp2(exponent(rng));
  return (rng() & 1) != 0 ? -v : v;
}

}  // namespace kivo::test
