// Fixed-point text with six truncated decimals.
#include "convert/format.h"
#include "core/mem.h"
#include "text/str.h"

namespace kivo {
namespace {

constexpr double two_to_63 = 9223372036854775808.0;

// Decimal digits of a finite whole number of 2^63 or more (at most 309 of them), written to
// the end of out[0..cap) without a terminator; returns where the digits start. The double is
// mantissa * 2^shift exactly, so the mantissa is placed in a 1024-bit number that is then
// divided by 10^9 again and again, each remainder giving nine digits.
int64_t whole_digits(double magnitude, char* out, int64_t cap) {
  const auto bits = __builtin_bit_cast(uint64_t, magnitude);
  const uint64_t mantissa = (bits & ((uint64_t{1} << 52) - 1)) | (uint64_t{1} << 52);
  const int64_t shift = static_cast<int64_t>(bits >> 52) - 1075;  // 11 to 971 here
  uint32_t limbs[33] = {};  // least significant first
  limbs[shift / 32] = static_cast<uint32_t>(mantissa << (shift % 32));
  limbs[shift / 32 + 1] = static_cast<uint32_t>(mantissa >> (32 - shift % 32));
  limbs[shift / 32 + 2] = static_cast<uint32_t>((mantissa >> (32 - shift % 32)) >> 32);
  int64_t top = 33;
  while (limbs[top - 1] == 0) --top;
  int64_t pos = cap;
  do {
    uint64_t rest = 0;
    for (int64_t i = top - 1; i >= 0; --i) {
      const uint64_t part = (rest << 32) | limbs[i];
      limbs[i] = static_cast<uint32_t>(part / 1000000000);
      rest = part % 1000000000;
    }
    for (int i = 0; i < 9; ++i) {
      out[--pos] = static_cast<char>('0' + rest % 10);
      rest /= 10;
    }
    while (top > 0 && limbs[top - 1] == 0) --top;
  } while (top > 0);
  while (out[pos] == '0') ++pos;  // the zeros that fill out the last group of nine
  return pos;
}

// "nan", "inf", "-inf", or the exact digits of a whole number beyond the signed 64-bit range
// followed by ".000000": values whose integer part the truncating split cannot hold.
char* out_of_range_text(double value) {
  char text[330];
  int64_t start = sizeof text - 1;
  text[start] = '\0';
  const auto bits = __builtin_bit_cast(uint64_t, value);
  const bool negative = (bits >> 63) != 0;
  if (((bits >> 52) & 0x7FF) == 0x7FF) {
    const bool nan = (bits & ((uint64_t{1} << 52) - 1)) != 0;
    if (nan) return str_dup("nan");
    start -= 3;
    mem_copy(text + start, "inf", 3);
  } else {
    start -= 7;
    mem_copy(text + start, ".000000", 7);
    start = whole_digits(negative ? 0.0 - value : value, text, start);
  }
  if (negative) text[--start] = '-';
  return str_dup(text + start);
}

}  // namespace

char* float_to_str(double value) {
  const auto bits = __builtin_bit_cast(uint64_t, value);
  if (((bits >> 52) & 0x7FF) == 0x7FF) return out_of_range_text(value);
  bool negative = false;
  double magnitude = value;
  if (value < 0.0) {
    negative = true;
    magnitude = 0.0 - value;
  }
  if (magnitude >= two_to_63) return out_of_range_text(value);
  const auto integer_part = static_cast<int64_t>(magnitude);
  const auto fraction = static_cast<int64_t>((magnitude - static_cast<double>(integer_part)) * 1000000.0);

  char* integer_digits = int_to_str(integer_part);
  char* fraction_digits = int_to_str(fraction);
  char* zeros = nullptr;
  char* six_digits = nullptr;
  char* unsigned_text = nullptr;
  char* result = nullptr;
  // A step that fails ends the call with null: carrying on without its text would give a
  // wrong number rather than none.
  if (integer_digits != nullptr && fraction_digits != nullptr) {
    zeros = str_substring("000000", 0, 6 - str_len(fraction_digits));
  }
  if (zeros != nullptr) six_digits = str_concat(zeros, fraction_digits);
  if (six_digits != nullptr) unsigned_text = str_concat3(integer_digits, ".", six_digits);
  if (unsigned_text != nullptr && negative) {
    result = str_concat("-", unsigned_text);
    mem_free(unsigned_text);
  } else {
    result = unsigned_text;
  }
  mem_free(integer_digits);
  mem_free(fraction_digits);
  mem_free(zeros);
  mem_free(six_digits);
  return result;
}

}  // namespace kivo
