#pragma once
// The "%.6f" renderer checked against the C library's snprintf, to the last character.
#include <stdint.h>
#include <stdio.h>

#include <bit>
#include <cmath>
#include <string>

#include <gtest/gtest.h>

#include "core/float_format.h"

namespace kivo {

inline std::string reference(double v) {
  // mingw-w64's printf drops the sign of a NaN; glibc's, which the renderer follows, keeps it.
  if (std::isnan(v)) return std::signbit(v) ? "-nan" : "nan";
  char text[float_format_fixed6_cap];
  snprintf(text, sizeof text, "%.6f", v);
  return text;
}

inline std::string rendered(double v) {
  // Guard bytes after the buffer reveal any write past its end.
  char text[float_format_fixed6_cap + 8];
  for (char& c : text) c = '#';
  const int64_t n = float_format_fixed6(v, text);
  for (int i = float_format_fixed6_cap; i < float_format_fixed6_cap + 8; ++i) {
    if (text[i] != '#') return "<overrun>";
  }
  if (n < 0 || n >= float_format_fixed6_cap || text[n] != '\0') return "<bad length>";
  return std::string(text, static_cast<size_t>(n));
}

inline double from_bits(uint64_t bits) { return std::bit_cast<double>(bits); }

// Counts the values whose text differs from the C library's and describes the first few.
struct mismatches {
  int64_t checked = 0;
  int64_t count = 0;
  std::string report;

  void check(double v) {
    ++checked;
    const std::string want = reference(v);
    const std::string got = rendered(v);
    if (got != want && ++count <= 10) {
      char hex[40];
      snprintf(hex, sizeof hex, "%a", v);
      report += std::string("\n  ") + hex + ": want " + want + ", got " + got;
    }
  }
  void check_around(double v) {
    check(std::nextafter(v, -INFINITY));
    check(v);
    check(std::nextafter(v, INFINITY));
  }
};

}  // namespace kivo
