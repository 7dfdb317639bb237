#pragma once
// Growable vector of fixed-size elements, copied in by value. The header and its element
// block are separate heap blocks; the caller owns the header until vec_free.
#include <stdint.h>

namespace kivo {

struct vec {
  void* data;         // cap * elem_size bytes, owned by the vector
  int64_t len;        // elements stored, 0 <= len <= cap
  int64_t cap;        // element slots in data
  int64_t elem_size;  // bytes per element, > 0
};

// Capacity of a new vector's first element block.
extern const int64_t vec_initial_cap;

vec* vec_new(int64_t elem_size);
// Moves the elements to a new block of max(2 * cap, min_cap) slots, whether or not the
// current one suffices. 0 on success, -1 on failure (the vector unchanged).
int64_t vec_reserve(vec* v, int64_t min_cap);
// Appends elem_size bytes from elem. 0 on success, -1 on failure (the vector unchanged).
int64_t vec_push(vec* v, const void* elem);
// The element's address, or null outside 0 to len - 1. Valid until the vector moves.
void* vec_at(vec* v, int64_t index);
int64_t vec_free(vec* v);

}  // namespace kivo
