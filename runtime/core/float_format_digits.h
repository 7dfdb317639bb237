#pragma once
// Decimal digit writers shared by the 64-bit and the multi-word paths of the "%.6f" renderer.
#include <stdint.h>

namespace kivo {

// "00" to "99": one lookup per two digits halves the divisions.
inline constexpr char float_format_digit_pairs[201] =
    "00010203040506070809"
    "10111213141516171819"
    "20212223242526272829"
    "30313233343536373839"
    "40414243444546474849"
    "50515253545556575859"
    "60616263646566676869"
    "70717273747576777879"
    "80818283848586878889"
    "90919293949596979899";

// Writes the two digits of v (below 100) at p.
inline void float_format_put_pair(char* p, uint32_t v) {
  p[0] = float_format_digit_pairs[2 * v];
  p[1] = float_format_digit_pairs[2 * v + 1];
}

// Writes v (below 10^width) as exactly width digits, zero-padded; returns the end.
inline char* float_format_put_fixed(char* p, uint32_t v, int width) {
  char* const end = p + width;
  char* q = end;
  while (q - p >= 2) {
    q -= 2;
    float_format_put_pair(q, v % 100);
    v /= 100;
  }
  if (q > p) *--q = static_cast<char>('0' + v);
  return end;
}

// Number of decimal digits of v; 1 for zero.
inline int float_format_digit_count(uint64_t v) {
  int n = 1;
  for (uint64_t bound = 10; n < 20 && v >= bound; bound *= 10) ++n;
  return n;
}

// Writes v in decimal without leading zeros ("0" for zero); returns the end.
inline char* float_format_put_u64(char* p, uint64_t v) {
  char* const end = p + float_format_digit_count(v);
  char* q = end;
  while (v >= 100) {
    q -= 2;
    float_format_put_pair(q, static_cast<uint32_t>(v % 100));
    v /= 100;
  }
  if (v >= 10) {
    float_format_put_pair(q - 2, static_cast<uint32_t>(v));
  } else {
    q[-1] = static_cast<char>('0' + v);
  }
  return end;
}

}  // namespace kivo
