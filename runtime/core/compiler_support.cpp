// The compiler may emit calls to these four routines for block copies and initialisations
// even in freestanding code; with no C library linked, the program supplies them. They are
// the runtime's own byte routines under the C names (the build keeps the compiler from
// turning the fill loop below back into a call to memset).
#include <stddef.h>

#include "core/mem.h"

extern "C" {

void* memcpy(void* dst, const void* src, size_t n) {
  return kivo::mem_copy(dst, src, static_cast<int64_t>(n));
}

void* memmove(void* dst, const void* src, size_t n) {
  return kivo::mem_move(dst, src, static_cast<int64_t>(n));
}

int memcmp(const void* a, const void* b, size_t n) {
  return static_cast<int>(kivo::mem_compare(a, b, static_cast<int64_t>(n)));
}

void* memset(void* dst, int c, size_t n) {
  auto* d = static_cast<unsigned char*>(dst);
  for (size_t i = 0; i < n; ++i) d[i] = static_cast<unsigned char>(c);
  return dst;
}

}  // extern "C"
