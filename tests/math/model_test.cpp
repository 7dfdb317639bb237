// Every routine against the plain model on random arguments: the same bits or a failure.
// Random bit patterns reach every binade, subnormals, infinities and NaN; spread values
// cover the ranges where the routines do real work.
#include <limits>
#include <random>

#include <gtest/gtest.h>

#include "math/elementary.h"
#include "model.h"
#include "support.h"

namespace kivo {
namespace {

using test::any_double;
using test::same_bits;
using test::spread;

constexpr int rounds = 20000;

TEST(MathModel, GcdOnRandomOperands) {
  std::mt19937_64 rng(1);
  for (int i = 0; i < rounds; ++i) {
    const int64_t a = static_cast<int64_t>(rng());
    const int64_t b = static_cast<int64_t>(rng()) >> (rng() % 64);  // small and large
    ASSERT_EQ(gcd(a, b), model::gcd(a, b)) << a << ", " << b;
    ASSERT_EQ(gcd(b % 100000, a % 1000), model::gcd(b % 100000, a % 1000));
  }
}

TEST(MathModel, SqrtExpLogOnAnyBits) {
  std::mt19937_64 rng(2);
  for (int i = 0; i < rounds; ++i) {
    const double x = any_double(rng);
    ASSERT_TRUE(same_bits(sqrt(x), model::sqrt(x))) << "sqrt of " << x;
    ASSERT_TRUE(same_bits(exp(x), model::exp(x))) << "exp of " << x;
    if (x != std::numeric_limits<double>::infinity()) {  // the model's halving never ends
      ASSERT_TRUE(same_bits(log(x), model::log(x))) << "log of " << x;
    }
  }
}

TEST(MathModel, SqrtExpLogOnWorkingRanges) {
  std::mt19937_64 rng(3);
  std::uniform_real_distribution<double> small(-40.0, 40.0);
  for (int i = 0; i < rounds; ++i) {
    const double x = spread(rng, 1e-30, 1e30);
    const double e = small(rng);
    ASSERT_TRUE(same_bits(sqrt(-x), model::sqrt(-x))) << "sqrt of " << -x;
    ASSERT_TRUE(same_bits(sqrt(x), model::sqrt(x))) << "sqrt of " << x;
    ASSERT_TRUE(same_bits(log(x), model::log(x))) << "log of " << x;
    ASSERT_TRUE(same_bits(exp(e), model::exp(e))) << "exp of " << e;
  }
}

TEST(MathModel, SinCosUpToAMillion) {
  std::mt19937_64 rng(4);
  for (int i = 0; i < rounds; ++i) {
    const double x = spread(rng, 1e-6, 1e6);
    ASSERT_TRUE(same_bits(sin(x), model::sin(x))) << "sin of " << x;
    ASSERT_TRUE(same_bits(cos(x), model::cos(x))) << "cos of " << x;
  }
}

TEST(MathModel, PowOnMixedArguments) {
  std::mt19937_64 rng(5);
  std::uniform_int_distribution<int> whole(-12, 12);
  for (int i = 0; i < rounds; ++i) {
    const double base = spread(rng, 1e-3, 1e3);
    const double exponent = i % 2 == 0 ? spread(rng, 1e-2, 30.0) : whole(rng);
    ASSERT_TRUE(same_bits(pow(base, exponent), model::pow(base, exponent)))
        << "pow(" << base << ", " << exponent << ")";
    const double b = any_double(rng);
    const double x = any_double(rng);
    if (b != std::numeric_limits<double>::infinity()) {
      ASSERT_TRUE(same_bits(pow(b, x), model::pow(b, x))) << "pow(" << b << ", " << x << ")";
    }
  }
}

}  // namespace
}  // namespace kivo
