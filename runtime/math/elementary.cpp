// The elementary functions, each a fixed sequence of double operations in the order written:
// the printed digits depend on that order, so no expression here may be rearranged.
#include "math/elementary.h"

#include <stdint.h>

#include "math/constants.h"
#include "math/reduce_angle.h"

namespace kivo {

using namespace math;

namespace {

// Two's-complement negation: the most negative value negates to itself.
int64_t negate(int64_t v) { return static_cast<int64_t>(0 - static_cast<uint64_t>(v)); }

constexpr int64_t int64_min = static_cast<int64_t>(uint64_t{1} << 63);

// Truncation toward zero; NaN, the infinities and values outside the signed 64-bit range
// give the most negative value (a plain cast would be undefined there).
int64_t to_int64(double v) {
  if (v >= -9223372036854775808.0 && v < 9223372036854775808.0) return static_cast<int64_t>(v);
  return int64_min;
}

}  // namespace

int64_t gcd(int64_t a, int64_t b) {
  int64_t x = a < 0 ? negate(a) : a;
  int64_t y = b < 0 ? negate(b) : b;
  // x % y never divides the most negative value by -1: y is never -1 while x is that value.
  while (y != 0) {
    const int64_t t = y;
    y = x % y;
    x = t;
  }
  return x;
}

double sqrt(double x) {
  if (x < 0.0 || x != x) return 0.0;
  if (x == 0.0) return 0.0;
  double g = x * 0.5;
  for (int i = 0; i < sqrt_max_iterations; ++i) {
    const double prev = g;
    g = (g + x / g) * 0.5;
    double d = g - prev;
    if (d < 0.0) d = 0.0 - d;
    if (d < tolerance || d != d) break;
  }
  return g;
}

// Odd degree-9 Taylor polynomial of the reduced angle, in nested form.
double sin(double x) {
  const double r = reduce_angle(x);
  const double r2 = r * r;
  double t = r2 * sin_c4;
  t = sin_c3 - t;
  t = r2 * t;
  t = sin_c2 - t;
  t = r2 * t;
  t = sin_c1 - t;
  t = r2 * t;
  t = 1.0 - t;
  return r * t;
}

// The sine a quarter turn on; the sum is rounded once before the call.
double cos(double x) { return sin(x + pi * 0.5); }

// Maclaurin series without range reduction, cut off after 30 terms.
double exp(double x) {
  double sum = 1.0;
  double term = 1.0;
  for (int i = 1; i <= exp_max_terms; ++i) {
    term = (term * x) / static_cast<double>(i);
    sum = sum + term;
    const double a = term < 0.0 ? 0.0 - term : term;
    if (a < tolerance || a != a) break;
  }
  return sum;
}

// Scaling by powers of two into [0.70710678118, 1.4142135623730951], then 2*atanh((m-1)/(m+1)).
double log(double x) {
  if (x <= 0.0 || x != x) return 0.0 - log_domain_error;
  if (x == 1.0) return 0.0;
  if (x == infinity) return infinity;  // halving would never bring it below the bound
  double m = x;
  int64_t k = 0;
  // At most about 1024 halvings; doubling a subnormal is exact, so at most about 1075 doublings.
  while (m > log_upper) {
    m = m * 0.5;
    k = k + 1;
  }
  while (m < log_lower) {
    m = m * 2.0;
    k = k - 1;
  }
  const double t = (m - 1.0) / (m + 1.0);
  const double t2 = t * t;
  const double s = t * (2.0 + t2 * (log_c1 + t2 * (log_c2 + t2 * (log_c3 + t2 * log_c4))));
  return s + static_cast<double>(k) * ln2;
}

// exp(exponent * log(base)): never repeated multiplication, so even small integral powers
// carry the error of the series (pow(-2, 3) = -7.999999999999999).
double pow(double base, double exponent) {
  if (base == 0.0) return exponent <= 0.0 ? 1.0 : 0.0;
  if (base < 0.0) {
    const int64_t n = to_int64(exponent);
    if (static_cast<double>(n) != exponent) return 0.0;  // non-integral power of a negative
    const double r = pow(0.0 - base, exponent);
    return (n & 1) != 0 ? 0.0 - r : r;
  }
  return exp(exponent * log(base));
}

}  // namespace kivo
