#pragma once
// The "%.6f" text of a double, exactly as the C library's printf gives it: correctly rounded
// (ties to even on the exact binary value), "-0.000000", "inf", "-inf", "nan", "-nan".
#include <stdint.h>

namespace kivo {

// Room for the longest text: a sign, 309 integer digits, a point, six decimals and the NUL.
inline constexpr int64_t float_format_fixed6_cap = 320;

// Writes the NUL-terminated text into out (float_format_fixed6_cap bytes) and returns its length.
int64_t float_format_fixed6(double v, char* out);

}  // namespace kivo
