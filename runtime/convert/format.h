#pragma once
// Numbers to new runtime strings (the caller releases them with mem_free; null when the
// allocation fails).
#include <stdint.h>

namespace kivo {

// Plain decimal text, "-" for negatives; INT64_MIN gives "-9223372036854775808".
char* int_to_str(int64_t value);
// Fixed point with six decimals, truncated, not rounded: 3.141592653589793 gives "3.141592",
// -0.0000001 gives "-0.000000", -0.0 gives "0.000000". NaN gives "nan", the infinities "inf"
// and "-inf"; a magnitude of 2^63 or more (always a whole number) gives its exact digits and
// ".000000". Null when any allocation fails.
char* float_to_str(double value);

}  // namespace kivo
