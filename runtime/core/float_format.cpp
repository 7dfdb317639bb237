// "%.6f" is the decimal integer round_half_even(|v| * 10^6) with a point before its last six
// digits. Writing |v| = m * 2^e exactly (m < 2^53), three cases cover every finite double:
//  - e >= 12: an integer of up to 309 digits, written by the multi-word routine;
//  - 0 <= e <= 11: an integer below 2^64;
//  - e < 0: whole part m >> -e below 2^53, and six decimals rounded from the fraction bits
//    times 10^6, a product below 2^73 that one 128-bit multiply holds exactly.
// Every step is integer arithmetic on the exact binary value, so ties and near-ties come out
// as the C library's printf gives them.
#include "core/float_format.h"

#include "core/float_format_big.h"
#include "core/float_format_digits.h"
#include "ieee754.h"

namespace kivo {
namespace {

using u128 = unsigned __int128;

constexpr uint32_t six_digits = 1000000;
// Below 2^-21 < 0.5e-6, so every value with m * 2^e < 2^(53 + e) <= 2^-21 rounds to zero.
constexpr int zero_shift = 74;

char* put_text(char* p, const char* text) {
  while (*text != '\0') *p++ = *text++;
  return p;
}

// Rounds fraction / 2^shift * 10^6 to the nearest integer, ties to even; fraction < 2^shift,
// fraction < 2^53 and 0 < shift < zero_shift. The result is at most 10^6.
uint32_t round_micro(uint64_t fraction, int shift) {
  const u128 scaled = static_cast<u128>(fraction) * six_digits;
  const auto q = static_cast<uint32_t>(scaled >> shift);
  const u128 rest = scaled - (static_cast<u128>(q) << shift);
  const u128 half = static_cast<u128>(1) << (shift - 1);
  if (rest > half || (rest == half && (q & 1) != 0)) return q + 1;
  return q;
}

char* put_micro(char* p, uint32_t micro) {
  *p++ = '.';
  return float_format_put_fixed(p, micro, 6);
}

}  // namespace

int64_t float_format_fixed6(double v, char* out) {
  const ieee754::fields f = ieee754::split(v);
  char* p = out;
  // The sign bit decides the sign for zeros, NaNs and values that round to zero alike.
  if (f.negative) *p++ = '-';

  if (!ieee754::is_finite(f)) {
    p = put_text(p, f.fraction != 0 ? "nan" : "inf");
    *p = '\0';
    return p - out;
  }

  const uint64_t m = ieee754::significand(f);
  const int e = ieee754::exponent(f);

  uint64_t whole = 0;
  uint32_t micro = 0;
  if (e > 11) {
    p = float_format_big_integer(m, e, p);
  } else {
    if (e >= 0) {
      whole = m << e;
    } else if (-e < zero_shift) {
      const int shift = -e;
      uint64_t fraction = m;
      if (shift < 64) {
        whole = m >> shift;
        fraction &= (uint64_t{1} << shift) - 1;
      }
      micro = round_micro(fraction, shift);
      if (micro == six_digits) {
        ++whole;
        micro = 0;
      }
    }
    p = float_format_put_u64(p, whole);
  }
  p = put_micro(p, micro);
  *p = '\0';
  return p - out;
}

}  // namespace kivo
