#pragma once
// Where the fields of an IEEE-754 double sit: the one place that knows it. It needs nothing
// but integers, so every layer of the runtime may use it, the math library included.
#include <stdint.h>

namespace kivo::ieee754 {

inline constexpr int fraction_bits = 52;
inline constexpr uint64_t fraction_mask = (uint64_t{1} << fraction_bits) - 1;
// The leading 1 of a normal double's significand, which the stored bits leave out.
inline constexpr uint64_t hidden_bit = uint64_t{1} << fraction_bits;
// The biased exponent of the infinities and NaNs: all eleven bits set.
inline constexpr int exponent_all_ones = 0x7ff;
inline constexpr int exponent_bias = 1023;

struct fields {
  bool negative;        // the sign bit, also for zeros and NaNs
  int biased_exponent;  // 0 for zeros and subnormals, exponent_all_ones for infinities and NaNs
  uint64_t fraction;    // the 52 stored bits
};

constexpr fields split(double v) {
  const auto bits = __builtin_bit_cast(uint64_t, v);
  return fields{(bits >> 63) != 0, static_cast<int>((bits >> fraction_bits) & exponent_all_ones),
                bits & fraction_mask};
}

constexpr bool is_finite(const fields& f) { return f.biased_exponent != exponent_all_ones; }

// For a finite double, |v| = significand(f) * 2^exponent(f) exactly, with the significand
// below 2^53 (below 2^52 for subnormals, which share the exponent of the smallest normals).
constexpr uint64_t significand(const fields& f) {
  return f.biased_exponent == 0 ? f.fraction : f.fraction | hidden_bit;
}
constexpr int exponent(const fields& f) {
  return (f.biased_exponent == 0 ? 1 : f.biased_exponent) - exponent_bias - fraction_bits;
}

}  // namespace kivo::ieee754
