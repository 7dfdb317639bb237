#include "math/constants.h"
#include "math/elementary.h"

namespace kivo {

using namespace math;

// Maclaurin series without range reduction, cut off after 30 terms.
double exp(double x) {
  double sum = 1.0;
  double term = 1.0;
  for (int i = 1; i <= exp_max_terms; ++i) {
    term = (term * x) / static_cast<double>(i);
    sum = sum + term;
    const double a = term < 0.0 ? 0.0 - term : term;
    if (a < tolerance || a != a) break;
  }
  return sum;
}

}  // namespace kivo
