#pragma once
// The runtime's own elementary functions: fixed sequences of double operations, so every
// result is reproducible to the bit. No platform math library is used. Every routine ends for
// every argument, NaN and the infinities included.
#include <stdint.h>

namespace kivo {

// Euclid on magnitudes with the truncating remainder. The most negative value negates to
// itself, so a result may then be negative: gcd(INT64_MIN, 0) = INT64_MIN and
// gcd(INT64_MIN, 6) = -2.
int64_t gcd(int64_t a, int64_t b);

// Newton's iteration from x / 2, at most 64 steps, stopping when a step moves less than 1e-15
// (absolute). Negative, -0.0, +0.0 and NaN give +0.0; +inf gives NaN. The absolute threshold
// and the step limit make small and huge arguments inexact (sqrt(1e-20) = 1.000000000002308e-10,
// sqrt(1e300) = 2.7105054312137612e+280), and the smallest subnormal, whose half rounds to 0,
// gives +inf.
double sqrt(double x);

// Degree-9 odd polynomial of the angle reduced into [-pi, pi] by steps of two pi. NaN, the
// infinities and arguments beyond 2^56 in magnitude (where a step of two pi no longer changes
// the argument) give NaN; 2^56 itself still reduces.
double sin(double x);

// sin(x + pi/2), so cos(0) = 1.00000354277545. NaN where sin of that sum is NaN.
double cos(double x);

// Maclaurin series without range reduction, at most 30 terms after the leading 1, stopping
// once a term is below 1e-15 in magnitude. NaN gives NaN, +inf gives +inf, -inf gives NaN
// (inf - inf in the second term).
double exp(double x);

// Scaling by powers of two, then the series 2*atanh((m-1)/(m+1)). Zero, negatives and NaN
// give -1e15; +inf gives +inf; subnormals scale up like any other small value.
double log(double x);

// exp(exponent * log(base)); base 0 gives 1.0 for exponent <= 0, else 0.0; a negative base
// needs an integral exponent (else 0.0) and then uses the magnitude and the exponent's parity.
// NaN and infinite arguments take no path of their own; what follows from the cases above:
//   exponent NaN: base 0 gives 0.0, a negative base 0.0, a positive base NaN;
//   exponent +-inf: a negative base gives 0.0; a positive base gives exp(+-inf) or exp(NaN)
//     (pow(1, inf) = NaN, pow(2, inf) = +inf, pow(0.5, inf) = NaN, pow(2, -inf) = NaN);
//   base NaN: log gives -1e15, so the result is exp(-1e15 * exponent): pow(NaN, 0) = 1.0,
//     pow(NaN, 1) = NaN, pow(NaN, -1) = +inf;
//   base +inf: +inf for a positive exponent, NaN otherwise; base -inf: as +inf, negated
//     for odd integral exponents, 0.0 for non-integral ones.
double pow(double base, double exponent);

}  // namespace kivo
