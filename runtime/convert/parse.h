#pragma once
// Lenient prefix parsers: they read the longest number at the front of s, stop silently at
// the first byte that does not fit, give 0 when there is none (and for null), and wrap on
// integer overflow.
#include <stdint.h>

namespace kivo {

// White space, one optional sign, decimal digits.
int64_t parse_int(const char* s);
// White space, one optional sign, digits, optionally "." and more digits; no exponent.
// Digits accumulate as value * 10 + d, and each fraction digit d is added as d / 10^k on
// its own, so "3.14159" gives 0x400921F9F01B866F (not the nearest double). A lone "-" and
// "-0" give -0.0.
double parse_float(const char* s);
// Optional "0x" or "0X", then hexadecimal digits; no white space, no sign.
int64_t parse_hex(const char* s);

}  // namespace kivo
