#include <stdint.h>

#include "math/constants.h"
#include "math/elementary.h"

namespace kivo {

using namespace math;

// Scaling by powers of two into [0.70710678118, 1.4142135623730951], then 2*atanh((m-1)/(m+1)).
double log(double x) {
  if (x <= 0.0 || x != x) return 0.0 - log_domain_error;
  if (x == 1.0) return 0.0;
  if (x == infinity) return infinity;  // halving would never bring it below the bound
  double m = x;
  int64_t k = 0;
  // At most about 1024 halvings; doubling a subnormal is exact, so at most about 1075 doublings.
  while (m > log_upper) {
    m = m * 0.5;
    k = k + 1;
  }
  while (m < log_lower) {
    m = m * 2.0;
    k = k - 1;
  }
  const double t = (m - 1.0) / (m + 1.0);
  const double t2 = t * t;
  const double s = t * (2.0 + t2 * (log_c1 + t2 * (log_c2 + t2 * (log_c3 + t2 * log_c4))));
  return s + static_cast<double>(k) * ln2;
}

}  // namespace kivo
