// The compiler may emit calls to these four routines for block copies and initialisations
// even in freestanding code; with no C library linked, the program supplies them.
#include <stddef.h>

extern "C" {

void* memcpy(void* dst, const void* src, size_t n) {
  void* ret = dst;
  asm volatile("rep movsb" : "+D"(dst), "+S"(src), "+c"(n) : : "memory");
  return ret;
}

void* memset(void* dst, int c, size_t n) {
  void* ret = dst;
  asm volatile("rep stosb" : "+D"(dst), "+c"(n) : "a"(c) : "memory");
  return ret;
}

void* memmove(void* dst, const void* src, size_t n) {
  auto* d = static_cast<unsigned char*>(dst);
  const auto* s = static_cast<const unsigned char*>(src);
  if (d < s) {
    for (size_t i = 0; i < n; ++i) d[i] = s[i];
  } else {
    for (size_t i = n; i > 0; --i) d[i - 1] = s[i - 1];
  }
  return dst;
}

int memcmp(const void* a, const void* b, size_t n) {
  const auto* x = static_cast<const unsigned char*>(a);
  const auto* y = static_cast<const unsigned char*>(b);
  for (size_t i = 0; i < n; ++i) {
    if (x[i] != y[i]) return x[i] - y[i];
  }
  return 0;
}

}  // extern "C"
