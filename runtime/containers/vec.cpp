#include "containers/vec.h"

#include <stdint.h>

#include "core/mem.h"

namespace kivo {

const int64_t vec_initial_cap = 16;

namespace {

// The driver may store into the fields directly, so every routine that computes an address
// from them first checks that they still describe a possible vector: a positive element
// size, 0 <= len <= cap, and a block size that fits in 64 bits.
bool holds_together(const vec* v) {
  int64_t bytes = 0;
  return v->elem_size > 0 && v->len >= 0 && v->len <= v->cap &&
         !__builtin_mul_overflow(v->cap, v->elem_size, &bytes) &&
         (v->data != nullptr || v->len == 0);
}

char* slot(const vec* v, int64_t index) { return static_cast<char*>(v->data) + index * v->elem_size; }

}  // namespace

vec* vec_new(int64_t elem_size) {
  int64_t bytes = 0;
  if (elem_size <= 0 || __builtin_mul_overflow(elem_size, vec_initial_cap, &bytes)) return nullptr;
  auto* v = static_cast<vec*>(mem_alloc(sizeof(vec)));
  if (v == nullptr) return nullptr;
  v->data = mem_alloc(bytes);
  if (v->data == nullptr) {
    mem_free(v);
    return nullptr;
  }
  v->len = 0;
  v->cap = vec_initial_cap;
  v->elem_size = elem_size;
  return v;
}

int64_t vec_reserve(vec* v, int64_t min_cap) {
  if (v == nullptr || !holds_together(v)) return -1;
  // Capacities and block sizes that do not fit in 64 bits fail rather than wrap into a
  // short block that the elements would then overrun.
  int64_t new_cap = 0;
  if (__builtin_mul_overflow(v->cap, int64_t{2}, &new_cap)) return -1;
  if (new_cap < min_cap) new_cap = min_cap;
  int64_t bytes = 0;
  if (__builtin_mul_overflow(v->elem_size, new_cap, &bytes)) return -1;
  void* new_data = mem_alloc(bytes);
  if (new_data == nullptr) return -1;
  if (v->len > 0) mem_copy(new_data, v->data, v->len * v->elem_size);
  mem_free(v->data);
  v->data = new_data;
  v->cap = new_cap;
  return 0;
}

int64_t vec_push(vec* v, const void* elem) {
  if (v == nullptr || elem == nullptr || !holds_together(v)) return -1;
  const char* src = static_cast<const char*>(elem);
  if (v->len >= v->cap) {
    // An element taken from this very vector (vec_at) lives in the block that growing
    // releases; find it again at the same offset in the new block.
    const auto at = reinterpret_cast<uintptr_t>(elem);
    const auto start = reinterpret_cast<uintptr_t>(v->data);
    const bool inside = v->data != nullptr && at >= start &&
                        at - start < static_cast<uint64_t>(v->cap * v->elem_size);
    const uint64_t offset = at - start;
    if (vec_reserve(v, v->cap + 1) != 0) return -1;
    if (inside) src = static_cast<const char*>(v->data) + offset;
  }
  // mem_move, so that even an element that straddles the free slot arrives as it was.
  mem_move(slot(v, v->len), src, v->elem_size);
  v->len = v->len + 1;
  return 0;
}

void* vec_at(vec* v, int64_t index) {
  if (v == nullptr || index < 0 || index >= v->len || !holds_together(v)) return nullptr;
  return slot(v, index);
}

int64_t vec_free(vec* v) {
  if (v == nullptr) return -1;
  if (v->data != nullptr) mem_free(v->data);
  mem_free(v);
  return 0;
}

}  // namespace kivo
