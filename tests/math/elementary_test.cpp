// Known values of the elementary functions, to the bit, and what they do at the edges of
// their domains: NaN, the infinities, huge and subnormal arguments. Every call here must
// return; a routine that loops forever hangs the test.
#include <float.h>

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "math/constants.h"
#include "math/elementary.h"
#include "support.h"

namespace kivo {
namespace {

using test::same_bits;
using test::from_bits;

const double inf = std::numeric_limits<double>::infinity();
const double nan = std::numeric_limits<double>::quiet_NaN();
const double tiny = std::numeric_limits<double>::denorm_min();

TEST(Gcd, UsesMagnitudes) {
  EXPECT_EQ(gcd(48, 18), 6);
  EXPECT_EQ(gcd(-48, 18), 6);
  EXPECT_EQ(gcd(-4, -6), 2);
  EXPECT_EQ(gcd(0, 5), 5);
  EXPECT_EQ(gcd(5, 0), 5);
  EXPECT_EQ(gcd(0, 0), 0);
  EXPECT_EQ(gcd(INT64_MAX, INT64_MAX - 1), 1);
}

TEST(Gcd, MostNegativeValueWrapsAndStillEnds) {
  EXPECT_EQ(gcd(INT64_MIN, 0), INT64_MIN);
  EXPECT_EQ(gcd(0, INT64_MIN), INT64_MIN);
  EXPECT_EQ(gcd(INT64_MIN, INT64_MIN), INT64_MIN);
  EXPECT_EQ(gcd(INT64_MIN, 6), -2);
  EXPECT_EQ(gcd(INT64_MIN, -1), 1);
  EXPECT_EQ(gcd(-1, INT64_MIN), 1);
}

TEST(Sqrt, KnownValuesAndTheAbsoluteThreshold) {
  EXPECT_TRUE(same_bits(sqrt(2.0), from_bits(0x3FF6A09E667F3BCC)));
  EXPECT_TRUE(same_bits(sqrt(4.0), 2.0));
  EXPECT_TRUE(same_bits(sqrt(0.25), 0.5));
  EXPECT_TRUE(same_bits(sqrt(9.0), 3.0));
  EXPECT_TRUE(same_bits(sqrt(1e-20), 1.000000000002308e-10));
  EXPECT_TRUE(same_bits(sqrt(1e300), 2.7105054312137612e+280));
}

TEST(Sqrt, OutOfDomainAndExtremes) {
  EXPECT_TRUE(same_bits(sqrt(-1.0), 0.0));
  EXPECT_TRUE(same_bits(sqrt(-0.0), 0.0));
  EXPECT_TRUE(same_bits(sqrt(-inf), 0.0));
  EXPECT_TRUE(same_bits(sqrt(nan), 0.0));
  EXPECT_TRUE(test::is_nan(sqrt(inf)));
  // The half of the smallest subnormal rounds to 0, so the first quotient is infinite.
  EXPECT_TRUE(same_bits(sqrt(tiny), inf));
  EXPECT_TRUE(std::isfinite(sqrt(DBL_MAX)));
  EXPECT_GT(sqrt(2 * tiny), 0.0);
}

TEST(Sin, KnownValues) {
  EXPECT_TRUE(same_bits(sin(0.5235987755982988), 0.5000000000211964));
  EXPECT_TRUE(same_bits(sin(math::pi), 0.006925294635282488));
  EXPECT_TRUE(same_bits(sin(-math::pi), -0.006925294635282488));
  EXPECT_TRUE(same_bits(sin(-0.0), -0.0));
  EXPECT_TRUE(same_bits(sin(10.0), -0.5447853203199515));
  EXPECT_TRUE(same_bits(sin(tiny), tiny));
}

TEST(Cos, KnownValues) {
  EXPECT_TRUE(same_bits(cos(0.0), from_bits(0x3FF00003B701ACD4)));
  EXPECT_TRUE(same_bits(cos(math::pi), -1.00000354277545));
}

TEST(SinCos, NanForArgumentsWithoutAReduction) {
  for (double x : {nan, inf, -inf, 0x1p56 + 0x1p4, -0x1p56 - 0x1p4, 1e17, DBL_MAX, -DBL_MAX}) {
    EXPECT_TRUE(test::is_nan(sin(x))) << x;
    EXPECT_TRUE(test::is_nan(cos(x))) << x;
  }
  // Two pi still moves 2^56 (to the double below it), so it reduces like any other.
  EXPECT_FALSE(test::is_nan(sin(0x1p56)));
  EXPECT_FALSE(test::is_nan(sin(-0x1p56)));
  EXPECT_FALSE(test::is_nan(sin(1e15)));
}

TEST(Exp, KnownValuesAndTheThirtyTermCutOff) {
  EXPECT_TRUE(same_bits(exp(0.0), 1.0));
  EXPECT_TRUE(same_bits(exp(1.0), from_bits(0x4005BF0A8B14576A)));
  EXPECT_TRUE(same_bits(exp(-1.0), 0.36787944117144245));
  EXPECT_TRUE(same_bits(exp(4.0), 54.598150033144265));
  EXPECT_TRUE(same_bits(exp(10.0), 22026.464036258916));
  EXPECT_TRUE(same_bits(exp(-20.0), 1599694.096422932));
}

TEST(Exp, NonFiniteArguments) {
  EXPECT_TRUE(test::is_nan(exp(nan)));
  EXPECT_TRUE(same_bits(exp(inf), inf));
  EXPECT_TRUE(test::is_nan(exp(-inf)));
  EXPECT_TRUE(same_bits(exp(DBL_MAX), inf));
  EXPECT_TRUE(same_bits(exp(tiny), 1.0));
}

TEST(Log, KnownValues) {
  EXPECT_TRUE(same_bits(log(1.0), 0.0));
  EXPECT_TRUE(same_bits(log(2.0), 0.6931471805599453));
  EXPECT_TRUE(same_bits(log(0.5), -0.6931471805599453));
  EXPECT_TRUE(same_bits(log(10.0), 2.3025850929872758));
  EXPECT_TRUE(same_bits(log(0.75), -0.2876820723562684));
  EXPECT_TRUE(same_bits(log(2.718281828459045), 0.9999999998089067));
}

TEST(Log, DomainErrorsInfinityAndSubnormals) {
  for (double x : {0.0, -0.0, -1.0, -inf, nan}) {
    EXPECT_TRUE(same_bits(log(x), -1000000000000000.0)) << x;
  }
  EXPECT_TRUE(same_bits(log(inf), inf));
  EXPECT_TRUE(same_bits(log(tiny), -1074 * 0.6931471805599453));  // scales to exactly 1.0
  EXPECT_NEAR(log(DBL_MAX), 709.78, 0.01);
}

TEST(Pow, KnownValues) {
  EXPECT_TRUE(same_bits(pow(2.0, 10.0), 1023.9999999819858));
  EXPECT_TRUE(same_bits(pow(0.0, 0.0), 1.0));
  EXPECT_TRUE(same_bits(pow(-0.0, -1.0), 1.0));
  EXPECT_TRUE(same_bits(pow(0.0, 3.0), 0.0));
  EXPECT_TRUE(same_bits(pow(-2.0, 3.0), -7.999999999999999));
  EXPECT_TRUE(same_bits(pow(4.0, 0.5), 1.9999999999999998));
  EXPECT_TRUE(same_bits(pow(2.0, -1.0), 0.5000000000000001));
  EXPECT_TRUE(same_bits(pow(1.0, 5.0), 1.0));
  EXPECT_TRUE(same_bits(pow(2.0, 0.0), 1.0));
  EXPECT_TRUE(same_bits(pow(-2.0, 2.0), 4.0));
  EXPECT_TRUE(same_bits(pow(-2.0, 0.5), 0.0));
}

TEST(Pow, NanAndInfiniteArgumentsEnd) {
  EXPECT_TRUE(same_bits(pow(0.0, nan), 0.0));
  EXPECT_TRUE(same_bits(pow(-2.0, nan), 0.0));
  EXPECT_TRUE(test::is_nan(pow(2.0, nan)));
  EXPECT_TRUE(same_bits(pow(-2.0, inf), 0.0));
  EXPECT_TRUE(same_bits(pow(-2.0, -inf), 0.0));
  EXPECT_TRUE(same_bits(pow(2.0, inf), inf));
  EXPECT_TRUE(test::is_nan(pow(2.0, -inf)));
  EXPECT_TRUE(test::is_nan(pow(0.5, inf)));
  EXPECT_TRUE(test::is_nan(pow(1.0, inf)));
  EXPECT_TRUE(same_bits(pow(nan, 0.0), 1.0));
  EXPECT_TRUE(test::is_nan(pow(nan, 1.0)));
  EXPECT_TRUE(same_bits(pow(nan, -1.0), inf));
  EXPECT_TRUE(same_bits(pow(inf, 2.0), inf));
  EXPECT_TRUE(test::is_nan(pow(inf, 0.0)));
  EXPECT_TRUE(test::is_nan(pow(inf, -1.0)));
  EXPECT_TRUE(same_bits(pow(-inf, 3.0), -inf));
  EXPECT_TRUE(same_bits(pow(-inf, 2.0), inf));
  EXPECT_TRUE(same_bits(pow(-inf, 0.5), 0.0));
  // The one exponent at the edge of the 64-bit range is still integral (and even).
  EXPECT_TRUE(same_bits(pow(-2.0, -0x1p63), pow(2.0, -0x1p63)));
}

}  // namespace
}  // namespace kivo
