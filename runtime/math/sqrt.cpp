#include "math/constants.h"
#include "math/elementary.h"

namespace kivo {

using namespace math;

double sqrt(double x) {
  if (x < 0.0 || x != x) return 0.0;
  if (x == 0.0) return 0.0;
  double g = x * 0.5;
  for (int i = 0; i < sqrt_max_iterations; ++i) {
    const double prev = g;
    g = (g + x / g) * 0.5;
    double d = g - prev;
    if (d < 0.0) d = 0.0 - d;
    if (d < tolerance || d != d) break;
  }
  return g;
}

}  // namespace kivo
