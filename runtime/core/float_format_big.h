#pragma once
// Decimal text of integers too large for 64 bits: m * 2^e for the doubles at or above 2^64.
#include <stdint.h>

namespace kivo {

// Writes the decimal digits of m * 2^e (no sign, no point) at p and returns the end.
// Requires m < 2^53 and 0 <= e <= 971, so at most 309 digits are written.
char* float_format_big_integer(uint64_t m, int e, char* p);

}  // namespace kivo
