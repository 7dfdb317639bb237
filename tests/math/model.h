#pragma once
// A second, deliberately plain rendering of the elementary functions for the tests: the
// constants as decimal literals, the angle reduced one period per step. It only ends where
// the plain loops end, so callers keep |x| moderate for sin/cos and pass no +inf to log.
#include <stdint.h>

namespace kivo::model {

inline double reduce_angle(double x) {
  const double pi = 3.141592653589793;
  while (x > pi) x = x - 6.283185307179586;
  while (x < 0.0 - pi) x = x + 6.283185307179586;
  return x;
}

inline double sin(double x) {
  const double r = reduce_angle(x);
  const double r2 = r * r;
  return r * (1.0 - r2 * (0.16666666666 - r2 * (0.00833333333 - r2 * (0.00019841269 -
                                                                       r2 * 2.7557319e-06))));
}

inline double cos(double x) { return sin(x + 3.141592653589793 * 0.5); }

inline double sqrt(double x) {
  if (x < 0.0 || x != x || x == 0.0) return 0.0;
  double g = x * 0.5;
  for (int i = 0; i < 64; ++i) {
    const double prev = g;
    g = (g + x / g) * 0.5;
    double d = g - prev;
    if (d < 0.0) d = 0.0 - d;
    if (d < 1e-15 || d != d) break;
  }
  return g;
}

inline double exp(double x) {
  double sum = 1.0;
  double term = 1.0;
  for (int i = 1; i <= 30; ++i) {
    term = term * x / i;
    sum = sum + term;
    const double a = term < 0.0 ? 0.0 - term : term;
    if (a < 1e-15 || a != a) break;
  }
  return sum;
}

inline double log(double x) {
  if (x <= 0.0 || x != x) return -1000000000000000.0;
  if (x == 1.0) return 0.0;
  double m = x;
  int64_t k = 0;
  while (m > 1.4142135623730951) m = m * 0.5, ++k;
  while (m < 0.70710678118) m = m * 2.0, --k;
  const double t = (m - 1.0) / (m + 1.0);
  const double t2 = t * t;
  return t * (2.0 + t2 * (0.666666666 + t2 * (0.4 + t2 * (0.285714285 + t2 * 0.222222222)))) +
         static_cast<double>(k) * 0.6931471805599453;
}

inline double pow(double base, double exponent) {
  if (base == 0.0) return exponent <= 0.0 ? 1.0 : 0.0;
  if (base < 0.0) {
    int64_t n = INT64_MIN;
    if (exponent >= -0x1p63 && exponent < 0x1p63) n = static_cast<int64_t>(exponent);
    if (static_cast<double>(n) != exponent) return 0.0;
    const double r = pow(0.0 - base, exponent);
    return n % 2 != 0 ? 0.0 - r : r;
  }
  return exp(exponent * log(base));
}

inline int64_t gcd(int64_t a, int64_t b) {
  uint64_t x = a < 0 ? 0 - static_cast<uint64_t>(a) : static_cast<uint64_t>(a);
  uint64_t y = b < 0 ? 0 - static_cast<uint64_t>(b) : static_cast<uint64_t>(b);
  while (y != 0) {
    const int64_t r = static_cast<int64_t>(x) % static_cast<int64_t>(y);
    x = y;
    y = static_cast<uint64_t>(r);
  }
  return static_cast<int64_t>(x);
}

}  // namespace kivo::model
