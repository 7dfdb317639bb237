#pragma once
// The runtime's own elementary functions: fixed sequences of double operations, so every
// result is reproducible to the bit. No platform math library is used.
#include <stdint.h>

namespace kivo {

int64_t gcd(int64_t a, int64_t b);
double sqrt(double x);
double sin(double x);
double cos(double x);
double exp(double x);
double log(double x);
double pow(double base, double exponent);

}  // namespace kivo
