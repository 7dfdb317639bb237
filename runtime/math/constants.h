#pragma once
// The constants of the elementary functions, each given by the bits of its double. Several
// are short decimal approximations (0.16666666666 is not 1/6); the bit patterns are what the
// printed digits depend on, so they are stated exactly rather than left to literal parsing.
#include <stdint.h>

namespace kivo::math {

constexpr double from_bits(uint64_t bits) { return __builtin_bit_cast(double, bits); }
constexpr uint64_t to_bits(double x) { return __builtin_bit_cast(uint64_t, x); }

inline constexpr double pi = from_bits(0x400921FB54442D18);      // 3.141592653589793
inline constexpr double two_pi = from_bits(0x401921FB54442D18);  // 6.283185307179586

// Sine polynomial: 1/3!, 1/5!, 1/7!, 1/9!, rounded to short decimals.
inline constexpr double sin_c1 = from_bits(0x3FC555555551AB15);  // 0.16666666666
inline constexpr double sin_c2 = from_bits(0x3F81111110F3BF11);  // 0.00833333333
inline constexpr double sin_c3 = from_bits(0x3F2A01A00781B27D);  // 0.00019841269
inline constexpr double sin_c4 = from_bits(0x3EC71DE3A22FC8AE);  // 2.7557319e-06

// Absolute stopping threshold of the square-root iteration and the exponential series.
inline constexpr double tolerance = from_bits(0x3CD203AF9EE75616);  // 1e-15
inline constexpr int sqrt_max_iterations = 64;
inline constexpr int exp_max_terms = 30;

// Logarithm: the argument is scaled into [lower, upper] before the 2*atanh series. The lower
// bound is a truncated decimal, not half the upper one.
inline constexpr double log_upper = from_bits(0x3FF6A09E667F3BCD);  // 1.4142135623730951
inline constexpr double log_lower = from_bits(0x3FE6A09E667E556E);  // 0.70710678118
inline constexpr double log_c1 = from_bits(0x3FE5555554F9B516);     // 0.666666666
inline constexpr double log_c2 = from_bits(0x3FD999999999999A);     // 0.4
inline constexpr double log_c3 = from_bits(0x3FD249249184CD2F);     // 0.285714285
inline constexpr double log_c4 = from_bits(0x3FCC71C71BF79C1D);     // 0.222222222
inline constexpr double ln2 = from_bits(0x3FE62E42FEFA39EF);        // 0.6931471805599453
inline constexpr double log_domain_error = from_bits(0x430C6BF526340000);  // 1e15

inline constexpr double quiet_nan = from_bits(0x7FF8000000000000);
inline constexpr double infinity = from_bits(0x7FF0000000000000);

}  // namespace kivo::math
