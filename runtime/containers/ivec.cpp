#include "containers/ivec.h"

#include <stdint.h>

#include "core/mem.h"

namespace kivo {

// Both routines move exactly eight bytes, so they refuse a vector of any other element
// size: a wider one would read past the local value, a narrower one past the element.
constexpr int64_t ivec_elem_size = 8;

int64_t ivec_push(vec* v, int64_t value) {
  if (v != nullptr && v->elem_size != ivec_elem_size) return -1;
  const int64_t local = value;
  return vec_push(v, &local);
}

int64_t ivec_get(vec* v, int64_t index) {
  if (v != nullptr && v->elem_size != ivec_elem_size) return 0;
  const void* p = vec_at(v, index);
  if (p == nullptr) return 0;
  int64_t value = 0;
  mem_copy(&value, p, ivec_elem_size);
  return value;
}

}  // namespace kivo
