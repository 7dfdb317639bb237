#include <stdint.h>

#include "math/elementary.h"

namespace kivo {
namespace {

constexpr int64_t int64_min = static_cast<int64_t>(uint64_t{1} << 63);

// Truncation toward zero; NaN, the infinities and values outside the signed 64-bit range
// give the most negative value (a plain cast would be undefined there).
int64_t to_int64(double v) {
  if (v >= -9223372036854775808.0 && v < 9223372036854775808.0) return static_cast<int64_t>(v);
  return int64_min;
}

}  // namespace

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
