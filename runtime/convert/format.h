#pragma once
// Numbers to new runtime strings (the caller releases them with mem_free; null when the
// allocation fails).
#include <stdint.h>

namespace kivo {

// Plain decimal text, "-" for negatives.
char* int_to_str(int64_t value);
// Fixed point with six decimals, truncated, not rounded: 3.141592653589793 gives "3.141592".
char* float_to_str(double value);

}  // namespace kivo
