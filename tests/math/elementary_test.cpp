// The elementary functions: known values and domain edges to the bit, then every routine
// against the plain model on random arguments. Every call must return (NaN, infinities, huge
// and subnormal arguments included): a routine that loops forever hangs the test.
#include <float.h>

#include <cmath>
#include <random>

#include <gtest/gtest.h>

#include "math/constants.h"
#include "math/elementary.h"
#include "model.h"

namespace kivo {
namespace {

using test::from_bits, test::same_bits, test::spread, test::inf, test::nan;

constexpr double tiny = DBL_TRUE_MIN, pi = math::pi;

struct value_case { const char* what; double got, want; };

TEST(Elementary, KnownValuesToTheBit) {
  const value_case cases[] = {
      {"sqrt(2)", sqrt(2.0), from_bits(0x3FF6A09E667F3BCC)}, {"sqrt(4)", sqrt(4.0), 2.0},
      {"sqrt(0.25)", sqrt(0.25), 0.5}, {"sqrt(9)", sqrt(9.0), 3.0}, {"sqrt(-1)", sqrt(-1.0), 0.0},
      {"sqrt(1e-20)", sqrt(1e-20), 1.000000000002308e-10},  // the threshold is absolute
      {"sqrt(1e300)", sqrt(1e300), 2.7105054312137612e+280},  // the step limit cuts it off
      {"sqrt(inf)", sqrt(inf), nan}, {"sqrt(tiny)", sqrt(tiny), inf},  // tiny / 2 rounds to 0
      {"sin(pi/6)", sin(0.5235987755982988), 0.5000000000211964}, {"sin(-0)", sin(-0.0), -0.0},
      {"sin(pi)", sin(pi), 0.006925294635282488}, {"sin(-pi)", sin(-pi), -0.006925294635282488},
      {"sin(10)", sin(10.0), -0.5447853203199515}, {"sin(tiny)", sin(tiny), tiny},
      {"cos(0)", cos(0.0), from_bits(0x3FF00003B701ACD4)}, {"cos(pi)", cos(pi), -1.00000354277545},
      {"sin(nan)", sin(nan), nan}, {"sin(-inf)", sin(-inf), nan}, {"cos(inf)", cos(inf), nan},
      {"sin(1e17)", sin(1e17), nan}, {"cos(-DBL_MAX)", cos(-DBL_MAX), nan},  // no step moves
      {"exp(1)", exp(1.0), from_bits(0x4005BF0A8B14576A)}, {"exp(0)", exp(0.0), 1.0},
      {"exp(-1)", exp(-1.0), 0.36787944117144245}, {"exp(4)", exp(4.0), 54.598150033144265},
      {"exp(10)", exp(10.0), 22026.464036258916}, {"exp(-20)", exp(-20.0), 1599694.096422932},
      {"exp(inf)", exp(inf), inf}, {"exp(-inf)", exp(-inf), nan},
      {"log(E)", log(2.718281828459045), 0.9999999998089067}, {"log(1)", log(1.0), 0.0},
      {"log(2)", log(2.0), 0.6931471805599453}, {"log(0.5)", log(0.5), -0.6931471805599453},
      {"log(10)", log(10.0), 2.3025850929872758}, {"log(0.75)", log(0.75), -0.2876820723562684},
      {"log(0)", log(0.0), -1e15}, {"log(-1)", log(-1.0), -1e15}, {"log(nan)", log(nan), -1e15},
      {"log(inf)", log(inf), inf}, {"log(tiny)", log(tiny), -1074 * 0.6931471805599453},
      // The bounds of the scaled range are themselves left unscaled.
      {"log(lower)", log(0.70710678118), -0.3465735895786759},
      {"log(upper)", log(1.4142135623730951), 0.34657358956941647},
      {"pow(2,10)", pow(2.0, 10.0), 1023.9999999819858}, {"pow(-2,2)", pow(-2.0, 2.0), 4.0},
      {"pow(-2,3)", pow(-2.0, 3.0), -7.999999999999999}, {"pow(0,0)", pow(0.0, 0.0), 1.0},
      {"pow(2,-1)", pow(2.0, -1.0), 0.5000000000000001}, {"pow(-0,-1)", pow(-0.0, -1.0), 1.0},
      {"pow(4,0.5)", pow(4.0, 0.5), 1.9999999999999998}, {"pow(-2,0.5)", pow(-2.0, 0.5), 0.0},
      {"pow(2,inf)", pow(2.0, inf), inf}, {"pow(1,inf)", pow(1.0, inf), nan},
      {"pow(nan,-1)", pow(nan, -1.0), inf}, {"pow(-inf,3)", pow(-inf, 3.0), -inf},
  };
  for (const value_case& c : cases) EXPECT_TRUE(same_bits(c.got, c.want)) << c.what;
}

TEST(Elementary, GcdTakesMagnitudes) {
  const int64_t cases[][3] = {
      {48, 18, 6}, {-48, 18, 6}, {-4, -6, 2}, {0, 5, 5}, {5, 0, 5}, {0, 0, 0},
      {INT64_MAX, INT64_MAX - 1, 1}, {INT64_MIN, 0, INT64_MIN}, {0, INT64_MIN, INT64_MIN},
      {INT64_MIN, INT64_MIN, INT64_MIN}, {INT64_MIN, 6, -2}, {INT64_MIN, -1, 1}, {-1, INT64_MIN, 1},
  };
  for (const auto& c : cases) EXPECT_EQ(gcd(c[0], c[1]), c[2]) << c[0] << ", " << c[1];
  std::mt19937_64 rng(1);
  for (int i = 0; i < 20000; ++i) {
    const int64_t a = static_cast<int64_t>(rng()), b = static_cast<int64_t>(rng()) >> (rng() % 64);
    ASSERT_EQ(gcd(a, b), model::gcd(a, b)) << a << ", " << b;
    ASSERT_EQ(gcd(b % 100000, a % 1000), model::gcd(b % 100000, a % 1000));
  }
}

// Zeros, units, odd and even integers, the extremes and the non-finite values.
const double special[] = {0.0, -0.0, 1.0, -1.0, 2.0, -2.0, 0.5, 3.0, -3.0, 1e300, -DBL_MAX, tiny,
                          -tiny, nan, inf, -inf, 0x1p63, -0x1p63, 0x1p52 + 1, -0x1p52 - 1};

void expect_sqrt_exp_log_like_the_model(double x) {
  EXPECT_TRUE(same_bits(sqrt(x), model::sqrt(x))) << "sqrt of " << x;
  EXPECT_TRUE(same_bits(exp(x), model::exp(x))) << "exp of " << x;
  EXPECT_TRUE(same_bits(log(x), model::log(x))) << "log of " << x;
}

// Random bit patterns reach every binade, subnormals, infinities and NaN; the spread values
// cover the ranges where the routines do real work.
TEST(MathModel, RoutinesMatchThePlainModel) {
  for (double x : special) expect_sqrt_exp_log_like_the_model(x);
  for (double b : special) {
    for (double e : special) EXPECT_TRUE(same_bits(pow(b, e), model::pow(b, e))) << b << "^" << e;
  }
  std::mt19937_64 rng(2);
  std::uniform_int_distribution<int> whole(-12, 12);
  for (int i = 0; i < 20000 && !HasFailure(); ++i) {
    for (double x : {from_bits(rng()), spread(rng, 1e-30, 1e30), spread(rng, 1e-3, 40.0)}) {
      expect_sqrt_exp_log_like_the_model(x);
    }
    const double x = spread(rng, 1e-6, 1e6);
    EXPECT_TRUE(same_bits(sin(x), model::sin(x))) << "sin of " << x;
    EXPECT_TRUE(same_bits(cos(x), model::cos(x))) << "cos of " << x;
    const double base = spread(rng, 1e-3, 1e3);
    const double e = i % 2 == 0 ? spread(rng, 1e-2, 30.0) : whole(rng);
    EXPECT_TRUE(same_bits(pow(base, e), model::pow(base, e))) << base << "^" << e;
    const double b = from_bits(rng()), y = from_bits(rng());
    EXPECT_TRUE(same_bits(pow(b, y), model::pow(b, y))) << b << "^" << y;
  }
}

}  // namespace
}  // namespace kivo
