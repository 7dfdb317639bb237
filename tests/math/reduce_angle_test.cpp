// The angle reduction against the per-period loop it replaces. Up to about 1e7 the loop is
// run in full; beyond, every result must still equal the result after one plain step, which
// together with the in-range identity pins down the loop's result wherever it ends.
#include "math/reduce_angle.h"

#include <float.h>

#include <cmath>
#include <random>
#include <vector>

#include "model.h"

namespace kivo {
namespace {

using math::reduce_angle, test::same_bits, test::inf;

constexpr double pi = 3.141592653589793, two_pi = 6.283185307179586;

// Arguments where a run of steps is most likely to be cut wrongly: the edges of binades and
// the points a whole number of steps above them, give or take a few units in the last place,
// from which a run ends right at the edge or one unit either side; multiples of pi, whose
// reductions end next to 0 or +-pi; odd significands in [64, 128), where two pi lies halfway
// between two steps and the first step differs from the rest; and a few in-range values.
std::vector<double> awkward_arguments(double limit, std::mt19937_64& rng) {
  std::vector<double> xs = {0.0, DBL_TRUE_MIN, DBL_MIN, 1.0, 3.0, pi, std::nextafter(pi, 4.0),
                            two_pi};
  for (double edge = 4.0; edge <= limit; edge *= 2.0) {
    const double ulp = edge * 0x1p-52;
    const double even = edge * 1.5;  // an even multiple of ulp, steps like the rest of the run
    const double step = even - (even - two_pi);
    for (int k = 0; k <= 3; ++k) {
      for (int r = -3; r <= 3; ++r) xs.push_back(edge + k * step + r * ulp);
    }
  }
  for (int i = 0; i < 300; ++i) {
    const double k = std::floor(std::fabs(test::spread(rng, 1.0, limit / pi)));
    for (int r = -2; r <= 2; ++r) xs.push_back(test::from_bits(test::bits(k * pi) + r));
    xs.push_back(test::from_bits(test::bits(64.0) | (rng() & ((uint64_t{1} << 52) - 1)) | 1));
  }
  return xs;
}

TEST(ReduceAngle, SameAsThePlainLoopUpTo1e7) {
  std::mt19937_64 rng(6);
  std::vector<double> xs = awkward_arguments(1.1e7, rng);
  for (int i = 0; i < 3000; ++i) xs.push_back(test::spread(rng, 1.0, 1e7));
  for (double x : xs) {
    ASSERT_TRUE(same_bits(reduce_angle(x), model::reduce_angle(x))) << "x = " << x;
    ASSERT_TRUE(same_bits(reduce_angle(-x), model::reduce_angle(-x))) << "x = " << -x;
  }
}

// The loop's result from x is its result from x - two pi, for every x above pi.
void expect_same_as_after_one_step(double x) {
  const double stepped = x - two_pi, r = reduce_angle(x);
  ASSERT_NE(stepped, x);
  ASSERT_TRUE(same_bits(r, reduce_angle(stepped))) << "x = " << x;
  ASSERT_TRUE(same_bits(reduce_angle(-x), 0.0 - r)) << "x = " << -x;
  ASSERT_TRUE(r <= pi && r >= -pi) << "x = " << x;
}

TEST(ReduceAngle, OneStepChangesNothingUpTo2To56) {
  std::mt19937_64 rng(8);
  for (double x : awkward_arguments(0x1p56, rng)) {
    if (x > pi && x <= 0x1p56) expect_same_as_after_one_step(x);
  }
  for (int i = 0; i < 20000; ++i) {
    const double x = std::fabs(test::spread(rng, 1e7, 0x1p56));
    expect_same_as_after_one_step(x);
    expect_same_as_after_one_step(x - two_pi);
  }
}

TEST(ReduceAngle, GivesUpWhereAStepNoLongerMoves) {
  const double above = std::nextafter(0x1p56, inf);
  ASSERT_EQ(0x1p56 - two_pi, 0x1p56 - 8.0);  // 2^56 still steps down, the next double not
  ASSERT_EQ(above - two_pi, above);
  for (double x : {above, 1e17, DBL_MAX, inf, test::nan}) {
    EXPECT_TRUE(std::isnan(reduce_angle(x))) << x;
    EXPECT_TRUE(std::isnan(reduce_angle(-x))) << -x;
  }
  EXPECT_FALSE(std::isnan(reduce_angle(0x1p56)));
}

}  // namespace
}  // namespace kivo
