#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <string>

#include "string_results.h"
#include "convert/format.h"
#include "core/mem.h"
#include "fake_platform.h"

namespace kivo {
namespace {

using FloatToStr = fake::Test;

// Exact decimal digits of a whole double: its 53-bit mantissa doubled once per step of the
// exponent, in decimal text.
std::string whole_digits(double v) {
  int exponent = 0;
  const double fraction = std::frexp(v, &exponent);
  auto mantissa = static_cast<uint64_t>(std::ldexp(fraction, 53));
  std::string digits = std::to_string(mantissa);
  for (int i = 0; i < exponent - 53; ++i) {
    int carry = 0;
    for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
      const int d = (*it - '0') * 2 + carry;
      *it = static_cast<char>('0' + d % 10);
      carry = d / 10;
    }
    if (carry != 0) digits.insert(digits.begin(), '1');
  }
  return digits;
}

// The same steps in plain double arithmetic, the text assembled with the C library.
std::string model(double v) {
  if (std::isnan(v)) return "nan";
  const bool negative = v < 0.0;
  const double magnitude = negative ? 0.0 - v : v;
  const std::string sign = negative ? "-" : "";
  if (std::isinf(v)) return sign + "inf";
  if (magnitude >= 9223372036854775808.0) return sign + whole_digits(magnitude) + ".000000";
  const auto integer_part = static_cast<int64_t>(magnitude);
  const auto fraction = static_cast<int64_t>((magnitude - static_cast<double>(integer_part)) * 1000000.0);
  char six[16];
  std::snprintf(six, sizeof six, "%06lld", static_cast<long long>(fraction));
  return sign + std::to_string(integer_part) + "." + six;
}

TEST_F(FloatToStr, TruncatesToSixDecimals) {
  EXPECT_EQ(take(float_to_str(3.141592653589793)), "3.141592");
  EXPECT_EQ(take(float_to_str(0.0)), "0.000000");
  EXPECT_EQ(take(float_to_str(-0.0)), "0.000000");
  EXPECT_EQ(take(float_to_str(2.0)), "2.000000");
  EXPECT_EQ(take(float_to_str(123.456)), "123.456000");
  EXPECT_EQ(take(float_to_str(1000000.5)), "1000000.500000");
  EXPECT_EQ(take(float_to_str(-2.5)), "-2.500000");
  EXPECT_EQ(take(float_to_str(0.0000001)), "0.000000");
  EXPECT_EQ(take(float_to_str(-0.0000001)), "-0.000000");
  EXPECT_EQ(take(float_to_str(42.000001)), "42.000000");
  EXPECT_EQ(take(float_to_str(2.675)), "2.674999");
  EXPECT_EQ(take(float_to_str(3.3)), "3.299999");
  EXPECT_EQ(take(float_to_str(100.1)), "100.099999");
  EXPECT_EQ(take(float_to_str(9.9999999)), "9.999999");
  EXPECT_EQ(take(float_to_str(0.000001)), "0.000001");
  EXPECT_EQ(take(float_to_str(4.9e-324)), "0.000000");
}

TEST_F(FloatToStr, ValuesBeyondTheIntegerRange) {
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(take(float_to_str(std::numeric_limits<double>::quiet_NaN())), "nan");
  EXPECT_EQ(take(float_to_str(-std::numeric_limits<double>::quiet_NaN())), "nan");
  EXPECT_EQ(take(float_to_str(inf)), "inf");
  EXPECT_EQ(take(float_to_str(-inf)), "-inf");
  EXPECT_EQ(take(float_to_str(9223372036854774784.0)), "9223372036854774784.000000");  // below 2^63
  EXPECT_EQ(take(float_to_str(9223372036854775808.0)), "9223372036854775808.000000");
  EXPECT_EQ(take(float_to_str(-18446744073709551616.0)), "-18446744073709551616.000000");
  EXPECT_EQ(take(float_to_str(1e22)), "10000000000000000000000.000000");
  const std::string max = take(float_to_str(std::numeric_limits<double>::max()));
  EXPECT_EQ(max.size(), 309u + 7u);
  EXPECT_EQ(max.substr(0, 20), "17976931348623157081");
  EXPECT_EQ(max, model(std::numeric_limits<double>::max()));
}

// Random bit patterns reach every exponent, subnormals, NaNs and infinities; short decimals
// sit near the boundaries where truncation and the scaling by 10^6 matter.
TEST_F(FloatToStr, RandomValuesAgreeWithTheModelToTheLastDigit) {
  std::mt19937_64 rng(5);
  for (int i = 0; i < 4000; ++i) {
    if (i % 4 == 0) {
      const double any = __builtin_bit_cast(double, rng());
      EXPECT_EQ(take(float_to_str(any)), model(any)) << std::hexfloat << any;
    }
    const double near = static_cast<double>(static_cast<int64_t>(rng() % 2000000001) - 1000000000) /
                        static_cast<double>(uint64_t{1} << (rng() % 40));
    EXPECT_EQ(take(float_to_str(near)), model(near)) << std::hexfloat << near;
    const double decimal = static_cast<double>(rng() % 100000) + static_cast<double>(rng() % 1000000) / 1e6;
    EXPECT_EQ(take(float_to_str(decimal)), model(decimal)) << std::hexfloat << decimal;
  }
}

TEST_F(FloatToStr, ReleasesEveryIntermediateAndFailsWhole) {
  fake::reset();
  char* a = float_to_str(-2.5);
  EXPECT_EQ(fake::live_blocks(), 1);
  EXPECT_EQ(fake::heap_requests(), 6);
  EXPECT_EQ(take(a), "-2.500000");
  expect_every_failure_gives_null([] { return float_to_str(3.141592653589793); });
  expect_every_failure_gives_null([] { return float_to_str(-0.5); });
  expect_every_failure_gives_null([] { return float_to_str(-1e300); });
  expect_every_failure_gives_null([] { return float_to_str(std::numeric_limits<double>::quiet_NaN()); });
}

}  // namespace
}  // namespace kivo
