// Lenient prefix parsers for decimal integers, decimal fractions and hexadecimal integers.
#include "convert/parse.h"

#include "text/blank.h"
#include "text/str_primitives.h"

namespace kivo {
namespace {

bool is_digit(unsigned char c) { return c >= '0' && c <= '9'; }

int64_t skip_blanks(const unsigned char* s, int64_t n) {
  int64_t i = 0;
  while (i < n && is_blank(s[i])) ++i;
  return i;
}

// Takes one optional sign at i; true when it is a minus.
bool take_sign(const unsigned char* s, int64_t n, int64_t& i) {
  if (i >= n) return false;
  if (s[i] == '-') {
    ++i;
    return true;
  }
  if (s[i] == '+') ++i;
  return false;
}

}  // namespace

int64_t parse_int(const char* text) {
  if (text == nullptr) return 0;
  const auto* s = reinterpret_cast<const unsigned char*>(text);
  const int64_t n = str_len(text);
  int64_t i = skip_blanks(s, n);
  const uint64_t sign = take_sign(s, n, i) ? static_cast<uint64_t>(-1) : 1;
  // Unsigned arithmetic: overflow wraps as two's complement, by design.
  uint64_t result = 0;
  while (i < n && is_digit(s[i])) {
    result = result * 10 + (s[i] - '0');
    ++i;
  }
  return static_cast<int64_t>(result * sign);
}

double parse_float(const char* text) {
  if (text == nullptr) return 0.0;
  const auto* s = reinterpret_cast<const unsigned char*>(text);
  const int64_t n = str_len(text);
  int64_t i = skip_blanks(s, n);
  const double sign = take_sign(s, n, i) ? 0.0 - 1.0 : 1.0;
  // One rounded double operation at a time, in this order: each fraction digit is divided
  // by its own power of ten and added on its own, which fixes the last bit of the result.
  double value = 0.0;
  while (i < n && is_digit(s[i])) {
    value = value * 10.0 + static_cast<double>(s[i] - '0');
    ++i;
  }
  if (i < n && s[i] == '.') {
    ++i;
    double divisor = 10.0;
    while (i < n && is_digit(s[i])) {
      value = value + static_cast<double>(s[i] - '0') / divisor;
      divisor = divisor * 10.0;
      ++i;
    }
  }
  return value * sign;
}

int64_t parse_hex(const char* text) {
  if (text == nullptr) return 0;
  const auto* s = reinterpret_cast<const unsigned char*>(text);
  const int64_t n = str_len(text);
  int64_t i = 0;
  if (n >= 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) i = 2;
  uint64_t result = 0;
  while (i < n) {
    const unsigned char c = s[i];
    uint64_t digit;
    if (c >= '0' && c <= '9') {
      digit = c - 48;
    } else if (c >= 'A' && c <= 'F') {
      digit = c - 55;
    } else if (c >= 'a' && c <= 'f') {
      digit = c - 87;
    } else {
      break;
    }
    result = (result << 4) + digit;
    ++i;
  }
  return static_cast<int64_t>(result);
}

}  // namespace kivo
