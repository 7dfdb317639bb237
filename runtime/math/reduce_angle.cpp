#include "math/reduce_angle.h"

#include <stdint.h>

#include "ieee754.h"
#include "math/constants.h"

namespace kivo::math {
namespace {

using ieee754::fraction_mask;
constexpr auto hidden_bit = static_cast<int64_t>(ieee754::hidden_bit);

// Significand of a positive normal double as an integer in [2^52, 2^53): the double is this
// many units of the last place of its binade.
int64_t significand(double x) { return static_cast<int64_t>(ieee754::significand(ieee754::split(x))); }

// The double with the sign and exponent of x and the given significand (in [2^52, 2^53)).
double with_significand(double x, int64_t m) {
  return from_bits((to_bits(x) & ~fraction_mask) | (static_cast<uint64_t>(m) & fraction_mask));
}

// Why a run of steps can be taken at once. Within the binade [2^e, 2^(e+1)) the doubles are
// the multiples of u = 2^(e-52). While the exact difference w - two_pi stays in the binade,
// rounding it to nearest lands on one of the two multiples of u around it, so the step
// subtracts either the multiple of u just below two_pi or the one just above. Which one is
// fixed by two_pi and u alone, except when two_pi lies exactly halfway (the binade [64, 128)):
// there ties-to-even picks the amount that leaves an even multiple of u. Every result of such
// a step is therefore even, and from an even w the tie always resolves the same way. So from
// any x that is itself the result of a step, every further step in the binade subtracts the
// same amount s*u, and it rounds exactly like that as long as the exact difference stays at
// or above 2^e. Since |s*u - two_pi| <= u/2, that holds for a step whose result is at least
// 2^e + u, i.e. whose significand is at least 2^52 + 1.
//
// x must be the result of a step of the loop, at least 8 (so its binade lies above two_pi).
// Returns x after all the steps that the argument above proves, possibly none.
double skip_run(double x) {
  const double next = x - two_pi;
  const int64_t m = significand(x);
  if (next < with_significand(x, hidden_bit)) return x;  // the next step leaves the binade
  const int64_t s = m - significand(next);
  if (s <= 0) return x;  // unreachable below 2^56, where every step moves; kept as a guard
  const int64_t steps = (m - hidden_bit - 1) / s;
  return with_significand(x, m - steps * s);
}

// The loop "while x > pi: x = x - two_pi", for x > pi.
double reduce_down(double x) {
  while (x > pi) {
    const double next = x - two_pi;
    if (next == x) return quiet_nan;  // two pi is below half an ulp: the loop would never end
    x = next;
    if (x >= 8.0) x = skip_run(x);
  }
  return x;
}

}  // namespace

// Rounding to nearest is symmetric, so the adding loop on a negative x walks the negation of
// the subtracting loop on -x. The one step that can give zero gives +0.0 both ways, and so
// does 0.0 - (+0.0).
double reduce_angle(double x) {
  if (x > pi) return reduce_down(x);
  if (x < 0.0 - pi) return 0.0 - reduce_down(0.0 - x);
  return x;
}

}  // namespace kivo::math
