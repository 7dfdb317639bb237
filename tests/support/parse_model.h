#pragma once
// What the three parsers must give, walked plainly over a std::string: the integers in
// unsigned (wrapping) arithmetic, the float with the same double operations in the same order.
// Shared by the unit tests and the fuzz target.
#include <stdint.h>

#include <string>

namespace kivo::model {

struct number_text {
  const std::string& s;
  size_t i = 0;

  bool digit() const { return i < s.size() && s[i] >= '0' && s[i] <= '9'; }
  int digit_value() const { return s[i] - '0'; }
  // Skips the four blanks and takes one optional sign; true for a minus.
  bool sign() {
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\n' || s[i] == '\r')) ++i;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) return s[i++] == '-';
    return false;
  }
};

inline int64_t parse_int(const std::string& s) {
  number_text t{s};
  const bool negative = t.sign();
  uint64_t v = 0;
  for (; t.digit(); ++t.i) v = v * 10 + static_cast<uint64_t>(t.digit_value());
  return static_cast<int64_t>(negative ? 0 - v : v);
}

inline double parse_float(const std::string& s) {
  number_text t{s};
  const double sign = t.sign() ? 0.0 - 1.0 : 1.0;
  double v = 0.0;
  for (; t.digit(); ++t.i) v = v * 10.0 + static_cast<double>(t.digit_value());
  if (t.i < s.size() && s[t.i] == '.') {
    double divisor = 10.0;
    for (++t.i; t.digit(); ++t.i) {
      v = v + static_cast<double>(t.digit_value()) / divisor;
      divisor = divisor * 10.0;
    }
  }
  return v * sign;
}

inline int64_t parse_hex(const std::string& s) {
  size_t i = s.size() >= 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X') ? 2 : 0;
  uint64_t v = 0;
  for (; i < s.size(); ++i) {
    const char c = s[i];
    uint64_t d;
    if (c >= '0' && c <= '9') {
      d = static_cast<uint64_t>(c - '0');
    } else if (c >= 'A' && c <= 'F') {
      d = static_cast<uint64_t>(c - 'A' + 10);
    } else if (c >= 'a' && c <= 'f') {
      d = static_cast<uint64_t>(c - 'a' + 10);
    } else {
      break;
    }
    v = (v << 4) + d;
  }
  return static_cast<int64_t>(v);
}

}  // namespace kivo::model
