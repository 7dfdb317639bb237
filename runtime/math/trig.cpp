#include "math/constants.h"
#include "math/elementary.h"
#include "math/reduce_angle.h"

namespace kivo {

using namespace math;

// Odd degree-9 Taylor polynomial of the reduced angle, in nested form.
double sin(double x) {
  const double r = reduce_angle(x);
  const double r2 = r * r;
  double t = r2 * sin_c4;
  t = sin_c3 - t;
  t = r2 * t;
  t = sin_c2 - t;
  t = r2 * t;
  t = sin_c1 - t;
  t = r2 * t;
  t = 1.0 - t;
  return r * t;
}

// The sine a quarter turn on; the sum is rounded once before the call.
double cos(double x) { return sin(x + pi * 0.5); }

}  // namespace kivo
