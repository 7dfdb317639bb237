#pragma once
// Bump allocator over one fixed buffer: 8-byte aligned pieces carved off the front, never
// released one by one. A reset is a store of 0 into used.
#include <stdint.h>

namespace kivo {

struct arena {
  char* base;           // the buffer, cap bytes
  int64_t used;         // offset of the first free byte, 0 <= used <= cap
  int64_t cap;          // buffer size in bytes, > 0
  int64_t owns_buffer;  // nonzero: arena_free releases base
};

arena* arena_new(int64_t capacity);
// n bytes at the next multiple of 8, or null when n <= 0 or they do not fit.
void* arena_alloc(arena* a, int64_t n);
// A NUL-terminated copy of s inside the arena, or null.
char* arena_strdup(arena* a, const char* s);
int64_t arena_free(arena* a);

}  // namespace kivo
