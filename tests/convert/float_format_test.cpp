// The "%.6f" renderer against the C library's snprintf, to the last character.
#include "convert/float_format.h"

#include <stdint.h>
#include <stdio.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <random>
#include <string>

#include <gtest/gtest.h>

namespace kivo {
namespace {

std::string reference(double v) {
  // mingw-w64's printf drops the sign of a NaN; glibc's, which the renderer follows, keeps it.
  if (std::isnan(v)) return std::signbit(v) ? "-nan" : "nan";
  char text[float_format_fixed6_cap];
  snprintf(text, sizeof text, "%.6f", v);
  return text;
}

std::string rendered(double v) {
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

double from_bits(uint64_t bits) { return std::bit_cast<double>(bits); }

// Counts the values whose text differs from the C library's and describes the first few.
struct Mismatches {
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

TEST(FloatFormat, SignsSpecialValuesAndTies) {
  struct Case {
    double v;
    const char* want;
  };
  for (const Case& c : {
           Case{0.0, "0.000000"}, {-0.0, "-0.000000"}, {-1e-9, "-0.000000"}, {INFINITY, "inf"}, {-INFINITY, "-inf"},
           // Quiet, signalling and full-payload NaNs keep their sign.
           {from_bits(0x7ff8000000000000), "nan"}, {from_bits(0xfff8000000000000), "-nan"},
           {from_bits(0x7ff0000000000001), "nan"}, {from_bits(0xffffffffffffffff), "-nan"},
           // Exact ties go to the even digit.
           {0.0078125, "0.007812"}, {0.0234375, "0.023438"}, {-0.0078125, "-0.007812"},
           // Decimal ties are not ties in binary, the exact value decides: 0.99999950000000004...,
           // 999999.99999949999..., 4.99999999999999977...e-7, 1.00000050000000006...
           {0.9999995, "1.000000"}, {999999.9999995, "999999.999999"}, {0.0000005, "0.000000"},
           {1.0000005, "1.000001"}}) {
    EXPECT_EQ(rendered(c.v), c.want) << c.want;
  }
}

TEST(FloatFormat, TiesBoundariesPowersAndExtremes) {
  Mismatches m;
  // A tie sits exactly on half a millionth only for odd multiples of 2^-7; try them at every
  // magnitude where they still have a fraction.
  std::mt19937_64 rng(7);
  for (int64_t j = 1; j < 40000; j += 2) m.check(static_cast<double>(j) / 128);
  for (int scale = 8; scale <= 53; ++scale) {
    for (int i = 0; i < 200; ++i) {
      const double tie = static_cast<double>((rng() >> (64 - scale)) | 1) / 128;
      m.check(tie);
      m.check(-tie);
    }
  }
  // The doubles nearest (k + 1/2) / 10^6 and their neighbours fall on both sides of the cut;
  // at whole millionths a carry may ripple up.
  for (int64_t k = 0; k < 200000; ++k) m.check_around((static_cast<double>(k) + 0.5) / 1e6);
  for (int digits = 7; digits <= 22; ++digits) {
    const double limit = std::pow(10.0, digits);
    for (int i = 0; i < 2000; ++i) {
      const double k = std::floor(std::ldexp(static_cast<double>(rng() >> 11), -53) * limit);
      m.check_around((k + 0.5) / 1e6);
      m.check_around(-(k + 0.5) / 1e6);
      m.check_around(k / 1e6);
    }
  }
  for (int e = -1074; e <= 1023; ++e) m.check_around(std::ldexp(1.0, e));
  for (int e = -330; e <= 308; ++e) m.check_around(std::strtod(("1e" + std::to_string(e)).c_str(), nullptr));
  // The largest subnormal; 2^64, where the multi-word path starts, and the double below it.
  for (double v : {DBL_MAX, -DBL_MAX, DBL_MIN, DBL_TRUE_MIN, -DBL_TRUE_MIN, from_bits(0x000fffffffffffff),
                   18446744073709551616.0, 18446744073709549568.0, 9007199254740993.0}) {
    m.check(v);
  }
  EXPECT_EQ(m.count, 0) << m.count << " of " << m.checked << " differ:" << m.report;
}

TEST(FloatFormat, RandomBitPatternsOverEveryExponent) {
  Mismatches m;
  std::mt19937_64 rng(2024);
  // Every biased exponent and both signs get the same share, with random fraction bits.
  for (uint64_t biased = 0; biased < 2047; ++biased) {
    for (int i = 0; i < 400; ++i) m.check(from_bits((rng() & 0x800fffffffffffff) | (biased << 52)));
  }
  // Uniform random patterns, and the exponents with digits on both sides of the point.
  for (int i = 0; i < 100000; ++i) m.check(from_bits(rng()));
  for (int i = 0; i < 200000; ++i) m.check(from_bits((rng() & 0x800fffffffffffff) | ((1023 - 30 + rng() % 64) << 52)));
  EXPECT_EQ(m.count, 0) << m.count << " of " << m.checked << " differ:" << m.report;
  EXPECT_GE(m.checked, 1000000);
}

}  // namespace
}  // namespace kivo
