#pragma once
// Double to a new runtime string (the caller releases it with mem_free).
#include <stdint.h>

namespace kivo {

// Fixed point with six decimals, truncated, not rounded: 3.141592653589793 gives "3.141592",
// -0.0000001 gives "-0.000000", -0.0 gives "0.000000". NaN gives "nan", the infinities "inf"
// and "-inf"; a magnitude of 2^63 or more (always a whole number) gives its exact digits and
// ".000000". Null when any allocation fails.
char* float_to_str(double value);

}  // namespace kivo
