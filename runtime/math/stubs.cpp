// Placeholders so that the showcase links before the math routines land; removed with them.
#include "math/bits.h"
#include "math/elementary.h"

namespace kivo {
int64_t gcd(int64_t, int64_t) { return 0; }
double sqrt(double) { return 0; }
double sin(double) { return 0; }
double cos(double) { return 0; }
double exp(double) { return 0; }
double log(double) { return 0; }
double pow(double, double) { return 0; }
int64_t rotl(int64_t, int64_t) { return 0; }
}  // namespace kivo
