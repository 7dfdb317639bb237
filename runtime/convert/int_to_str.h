#pragma once
// Integer to a new runtime string (the caller releases it with mem_free).
#include <stdint.h>

namespace kivo {

// Plain decimal text, "-" for negatives; INT64_MIN gives "-9223372036854775808". Null when
// the allocation fails.
char* int_to_str(int64_t value);

}  // namespace kivo
