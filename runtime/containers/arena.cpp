#include "containers/arena.h"

#include <stdint.h>

#include "core/mem.h"
#include "core/platform.h"

namespace kivo {

arena* arena_new(int64_t capacity) {
  if (capacity <= 0) return nullptr;
  auto* a = static_cast<arena*>(mem_alloc(sizeof(arena)));
  if (a == nullptr) return nullptr;
  a->base = static_cast<char*>(mem_alloc(capacity));
  if (a->base == nullptr) {
    mem_free(a);
    return nullptr;
  }
  a->used = 0;
  a->cap = capacity;
  a->owns_buffer = 1;
  return a;
}

void* arena_alloc(arena* a, int64_t n) {
  if (a == nullptr || n <= 0 || a->base == nullptr) return nullptr;
  // used is written directly by callers (a reset stores 0). An offset outside 0 to cap
  // would hand out memory outside the buffer, so such an arena serves nothing.
  if (a->used < 0 || a->used > a->cap) return nullptr;
  int64_t off = 0;
  int64_t end = 0;
  if (__builtin_add_overflow(a->used, int64_t{7}, &off)) return nullptr;
  off &= ~int64_t{7};
  if (__builtin_add_overflow(off, n, &end) || end > a->cap) return nullptr;
  a->used = end;
  return a->base + off;
}

char* arena_strdup(arena* a, const char* s) {
  if (a == nullptr || s == nullptr) return nullptr;
  const int64_t len = platform::text_len(s);
  auto* p = static_cast<char*>(arena_alloc(a, len + 1));
  if (p == nullptr) return nullptr;
  mem_copy(p, s, len);
  p[len] = '\0';
  return p;
}

int64_t arena_free(arena* a) {
  if (a == nullptr) return -1;
  if (a->owns_buffer != 0 && a->base != nullptr) mem_free(a->base);
  mem_free(a);
  return 0;
}

}  // namespace kivo
