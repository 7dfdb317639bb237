// The "%.6f" renderer against the C library's snprintf, to the last character.
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "float_format_check.h"

namespace kivo {
namespace {

TEST(FloatFormat, NamedValuesMatchTheCLibrary) {
  struct value_case {
    double v;
    const char* want;
  };
  for (const value_case& c : {
           value_case{0.0, "0.000000"}, {-0.0, "-0.000000"}, {-1e-9, "-0.000000"}, {INFINITY, "inf"}, {-INFINITY, "-inf"},
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

TEST(FloatFormat, TiesBoundariesAndExtremesMatchTheCLibrary) {
  mismatches m;
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

}  // namespace
}  // namespace kivo
