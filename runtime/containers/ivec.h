#pragma once
// The vector of signed 64-bit integers: a vec made by vec_new(8).
#include <stdint.h>

#include "containers/vec.h"

namespace kivo {

// vec_push of the value's eight bytes; -1 for a vector whose elements are not eight bytes.
int64_t ivec_push(vec* v, int64_t value);
// The value at index; 0 outside the stored range and for a vector of another element size.
int64_t ivec_get(vec* v, int64_t index);

}  // namespace kivo
