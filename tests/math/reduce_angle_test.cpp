// The angle reduction against the per-period loop it replaces. Up to about 1e7 the loop is
// run in full; beyond, every result must still equal the result after one plain step, which
// together with the in-range identity pins down the loop's result wherever it ends.
#include <float.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "math/reduce_angle.h"
#include "model.h"
#include "support.h"

namespace kivo {
namespace {

using math::reduce_angle;
using test::same_bits;

constexpr double pi = 3.141592653589793;
constexpr double two_pi = 6.283185307179586;

// x and its neighbours a few units in the last place either side.
void add_around(std::vector<double>& xs, double x, int ulps) {
  double lo = x;
  double hi = x;
  xs.push_back(x);
  for (int i = 0; i < ulps; ++i) {
    lo = std::nextafter(lo, -INFINITY);
    hi = std::nextafter(hi, INFINITY);
    xs.push_back(lo);
    xs.push_back(hi);
  }
}

// Arguments where a run of steps is most likely to be cut wrongly: the edges of binades and
// the points a whole number of steps above them (give or take a few units in the last place),
// from which a run ends right at the edge or one unit either side; multiples of pi, whose
// reductions end next to 0 or +-pi; and odd significands in [64, 128), where two pi lies
// halfway between two steps and the first step differs from the rest.
std::vector<double> awkward_arguments(double limit) {
  std::vector<double> xs;
  for (double edge = 4.0; edge <= limit; edge *= 2.0) {
    const double ulp = edge * 0x1p-52;
    const double even = edge * 1.5;  // an even multiple of ulp, steps like the rest of the run
    const double step = even - (even - two_pi);
    for (int k = 0; k <= 3; ++k) {
      for (int r = -3; r <= 3; ++r) xs.push_back(edge + k * step + r * ulp);
    }
  }
  std::mt19937_64 rng(6);
  for (int i = 0; i < 300; ++i) {
    const double k = std::floor(std::fabs(test::spread(rng, 1.0, limit / pi)));
    add_around(xs, k * pi, 2);
  }
  for (int i = 0; i < 300; ++i) {
    xs.push_back(test::from_bits(test::bits(64.0) | (rng() & ((uint64_t{1} << 52) - 1)) | 1));
  }
  return xs;
}

TEST(ReduceAngle, SameAsThePlainLoopOnAwkwardArguments) {
  for (double x : awkward_arguments(1.1e7)) {
    ASSERT_TRUE(same_bits(reduce_angle(x), model::reduce_angle(x))) << "x = " << x;
    ASSERT_TRUE(same_bits(reduce_angle(-x), model::reduce_angle(-x))) << "x = " << -x;
  }
}

TEST(ReduceAngle, SameAsThePlainLoopOnRandomArguments) {
  std::mt19937_64 rng(7);
  for (int i = 0; i < 3000; ++i) {
    const double x = test::spread(rng, 1.0, 1e7);
    ASSERT_TRUE(same_bits(reduce_angle(x), model::reduce_angle(x))) << "x = " << x;
  }
}

// The loop's result from x is its result from x - two pi, for every x above pi.
void expect_same_as_after_one_step(double x) {
  const double stepped = x - two_pi;
  ASSERT_NE(stepped, x);
  const double r = reduce_angle(x);
  ASSERT_TRUE(same_bits(r, reduce_angle(stepped))) << "x = " << x;
  ASSERT_TRUE(same_bits(reduce_angle(-x), 0.0 - r)) << "x = " << -x;
  ASSERT_LE(r, pi);
  ASSERT_GE(r, -pi);
}

TEST(ReduceAngle, OneStepChangesNothingUpTo2To56) {
  for (double x : awkward_arguments(0x1p56)) {
    if (x > pi && x <= 0x1p56) expect_same_as_after_one_step(x);
  }
  std::mt19937_64 rng(8);
  for (int i = 0; i < 20000; ++i) {
    const double x = std::fabs(test::spread(rng, 1e7, 0x1p56));
    expect_same_as_after_one_step(x);
    expect_same_as_after_one_step(x - two_pi);
  }
}

TEST(ReduceAngle, GivesUpWhereAStepNoLongerMoves) {
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(0x1p56 - two_pi, 0x1p56 - 8.0);  // 2^56 still steps down
  EXPECT_EQ(std::nextafter(0x1p56, inf) - two_pi, std::nextafter(0x1p56, inf));
  for (double x : {std::nextafter(0x1p56, inf), 1e17, DBL_MAX, inf,
                   std::numeric_limits<double>::quiet_NaN()}) {
    EXPECT_TRUE(test::is_nan(reduce_angle(x))) << x;
    EXPECT_TRUE(test::is_nan(reduce_angle(-x))) << -x;
  }
  EXPECT_FALSE(test::is_nan(reduce_angle(0x1p56)));
}

TEST(ReduceAngle, LeavesTheRangeAloneAndKeepsTheSignOfZero) {
  for (double x : {0.0, -0.0, 1.0, -3.0, pi, -pi, DBL_TRUE_MIN, -DBL_MIN}) {
    EXPECT_TRUE(same_bits(reduce_angle(x), x)) << x;
  }
  EXPECT_TRUE(same_bits(reduce_angle(two_pi), 0.0));
  EXPECT_TRUE(same_bits(reduce_angle(-two_pi), 0.0));
  EXPECT_TRUE(same_bits(reduce_angle(std::nextafter(pi, 4.0)), std::nextafter(pi, 4.0) - two_pi));
}

}  // namespace
}  // namespace kivo
