// int_to_str against std::to_string, float_to_str against the truncating rule computed with
// plain doubles (and the C library's exact digits for whole numbers beyond 2^63).
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>

#include "convert/float_to_str.h"
#include "convert/int_to_str.h"
#include "core/mem.h"
#include "float_to_str_model.h"
#include "string_results.h"

namespace kivo {
namespace {

using Format = fake::fixture;

TEST_F(Format, IntToStrGivesPlainDecimal) {
  for (int64_t v : {int64_t{0}, int64_t{-1}, int64_t{1000000}, INT64_MAX, INT64_MIN, INT64_MIN + 1}) {
    EXPECT_EQ(take(int_to_str(v)), std::to_string(v));
  }
  std::mt19937_64 rng(3);
  for (int i = 0; i < 2000; ++i) {
    const auto v = static_cast<int64_t>(rng()) >> (rng() % 64);
    EXPECT_EQ(take(int_to_str(v)), std::to_string(v));
  }
  char* a = int_to_str(7);
  char* b = int_to_str(7);
  EXPECT_NE(a, b);
  mem_free(a);
  EXPECT_EQ(take(b), "7");
  expect_every_failure_gives_null([] { return int_to_str(0); });
  expect_every_failure_gives_null([] { return int_to_str(-42); });
}

TEST_F(Format, FloatsTruncateToSixDecimals) {
  struct value_case {
    double v;
    const char* want;
  };
  for (const value_case& c : {value_case{3.141592653589793, "3.141592"}, {-0.0, "0.000000"}, {-0.0000001, "-0.000000"},
                        {-2.5, "-2.500000"}, {2.675, "2.674999"}, {100.1, "100.099999"}, {9.9999999, "9.999999"},
                        {0.000001, "0.000001"}, {4.9e-324, "0.000000"}, {NAN, "nan"}, {-NAN, "nan"},
                        {INFINITY, "inf"}, {-INFINITY, "-inf"},
                        {9223372036854774784.0, "9223372036854774784.000000"},  // just below 2^63
                        {9223372036854775808.0, "9223372036854775808.000000"},
                        {-18446744073709551616.0, "-18446744073709551616.000000"},
                        {1e22, "10000000000000000000000.000000"}}) {
    EXPECT_EQ(take(float_to_str(c.v)), c.want) << c.want;
  }
  const std::string max = take(float_to_str(DBL_MAX));
  EXPECT_EQ(max.substr(0, 20), "17976931348623157081");
  EXPECT_EQ(max, float_to_str_model(DBL_MAX));
}

// Random bit patterns reach every exponent, subnormals, NaNs and infinities; short decimals
// sit near the boundaries where truncation and the scaling by 10^6 matter.
TEST_F(Format, RandomFloatsAgreeWithTheModelToTheLastDigit) {
  std::mt19937_64 rng(5);
  for (int i = 0; i < 4000; ++i) {
    const double any = __builtin_bit_cast(double, rng());
    const double near = static_cast<double>(static_cast<int64_t>(rng() % 2000000001) - 1000000000) /
                        static_cast<double>(uint64_t{1} << (rng() % 40));
    const double decimal = static_cast<double>(rng() % 100000) + static_cast<double>(rng() % 1000000) / 1e6;
    for (double v : {any, near, decimal}) EXPECT_EQ(take(float_to_str(v)), float_to_str_model(v)) << std::hexfloat << v;
  }
}

TEST_F(Format, FloatToStrFailsWholeAndLeavesOnlyItsResult) {
  char* a = float_to_str(-2.5);
  EXPECT_EQ(fake::live_blocks(), 1);
  EXPECT_EQ(take(a), "-2.500000");
  for (double v : {3.141592653589793, -0.5, -1e300, -HUGE_VAL, std::nan("")}) {
    expect_every_failure_gives_null([v] { return float_to_str(v); });
  }
}

}  // namespace
}  // namespace kivo
