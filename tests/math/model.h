#pragma once
// What the math tests share: doubles compared as their 64 bits (a sign of zero or a last-place
// difference fails; any NaN matches any NaN), and a second, deliberately plain rendering of the
// routines: constants as decimal literals, the angle reduced one period per step, so it only
// ends where that loop ends (callers keep |x| moderate for sin and cos).
#include <stdint.h>

#include <cmath>
#include <iomanip>
#include <limits>
#include <random>

#include <gtest/gtest.h>

namespace kivo::test {

inline constexpr double inf = std::numeric_limits<double>::infinity();
inline constexpr double nan = std::numeric_limits<double>::quiet_NaN();

inline uint64_t bits(double x) { return __builtin_bit_cast(uint64_t, x); }
inline double from_bits(uint64_t b) { return __builtin_bit_cast(double, b); }

inline ::testing::AssertionResult same_bits(double got, double want) {
  if (bits(got) == bits(want) || (got != got && want != want)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << std::setprecision(17) << got << " (0x" << std::hex
         << bits(got) << ") is not " << want << " (0x" << bits(want) << ")";
}

// A double spread evenly over the binades from lo to hi (both > 0), with a random sign.
inline double spread(std::mt19937_64& rng, double lo, double hi) {
  std::uniform_real_distribution<double> exponent(std::log2(lo), std::log2(hi));
  const double v = std::exp2(exponent(rng));
  return (rng() & 1) != 0 ? -v : v;
}

}  // namespace kivo::test

namespace kivo::model {

// Out of line: inlined into a test body, its loop kept x in memory and ran several times slower.
[[gnu::noinline]] inline double reduce_angle(double x) {
  while (x > 3.141592653589793) x = x - 6.283185307179586;
  while (x < -3.141592653589793) x = x + 6.283185307179586;
  return x;
}

inline double sin(double x) {
  const double r = reduce_angle(x), r2 = r * r;
  return r * (1.0 - r2 * (0.16666666666 - r2 * (0.00833333333 - r2 * (0.00019841269 -
                                                                       r2 * 2.7557319e-06))));
}

inline double cos(double x) { return sin(x + 3.141592653589793 * 0.5); }

inline double sqrt(double x) {
  if (!(x > 0.0)) return 0.0;
  double g = x * 0.5;
  for (int i = 0; i < 64; ++i) {
    const double prev = g;
    g = (g + x / g) * 0.5;
    if (!(std::fabs(g - prev) >= 1e-15)) break;
  }
  return g;
}

inline double exp(double x) {
  double sum = 1.0, term = 1.0;
  for (int i = 1; i <= 30; ++i) {
    term = term * x / i;
    sum = sum + term;
    if (!(std::fabs(term) >= 1e-15)) break;
  }
  return sum;
}

inline double log(double x) {
  if (!(x > 0.0)) return -1000000000000000.0;
  if (x == 1.0) return 0.0;
  if (x == INFINITY) return x;  // the routine's own answer where halving never ends
  int64_t k = 0;
  for (; x > 1.4142135623730951; ++k) x = x * 0.5;
  for (; x < 0.70710678118; --k) x = x * 2.0;
  const double t = (x - 1.0) / (x + 1.0), t2 = t * t;
  return t * (2.0 + t2 * (0.666666666 + t2 * (0.4 + t2 * (0.285714285 + t2 * 0.222222222)))) +
         static_cast<double>(k) * 0.6931471805599453;
}

inline double pow(double base, double exponent) {
  if (base == 0.0) return exponent <= 0.0 ? 1.0 : 0.0;
  if (base > 0.0 || base != base) return exp(exponent * log(base));
  const bool fits = exponent >= -0x1p63 && exponent < 0x1p63;
  const int64_t n = fits ? static_cast<int64_t>(exponent) : INT64_MIN;
  if (static_cast<double>(n) != exponent) return 0.0;
  return n % 2 != 0 ? 0.0 - pow(0.0 - base, exponent) : pow(0.0 - base, exponent);
}

inline int64_t gcd(int64_t a, int64_t b) {
  uint64_t x = a < 0 ? 0 - static_cast<uint64_t>(a) : a;
  uint64_t y = b < 0 ? 0 - static_cast<uint64_t>(b) : b;
  while (y != 0) {
    const int64_t r = static_cast<int64_t>(x) % static_cast<int64_t>(y);
    x = y;
    y = static_cast<uint64_t>(r);
  }
  return static_cast<int64_t>(x);
}

}  // namespace kivo::model
