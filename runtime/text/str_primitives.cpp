// Measuring, allocating, copying and joining runtime strings.
#include "text/str_primitives.h"

#include "core/mem.h"
#include "core/platform.h"

namespace kivo {

int64_t str_len(const char* s) {
  if (s == nullptr) return 0;
  return platform::text_len(s);
}

char* str_alloc(int64_t n) {
  // n + 1 in unsigned arithmetic: the largest n wraps to a size the allocator refuses rather
  // than overflowing a signed count; -1 asks for 0 bytes, which is refused too.
  const auto size = static_cast<int64_t>(static_cast<uint64_t>(n) + 1);
  auto* p = static_cast<char*>(mem_alloc(size));
  if (p == nullptr) return nullptr;
  p[n] = '\0';
  return p;
}

int64_t str_copy_n(char* dst, const char* src, int64_t n) {
  if (dst == nullptr || src == nullptr || n <= 0) return 0;
  mem_copy(dst, src, n);
  return n;
}

char* str_dup(const char* s) {
  if (s == nullptr) return nullptr;
  const int64_t n = str_len(s);
  char* p = str_alloc(n);
  if (p == nullptr) return nullptr;
  str_copy_n(p, s, n);
  return p;
}

char* str_concat(const char* a, const char* b) {
  const int64_t la = str_len(a);
  const int64_t lb = str_len(b);
  char* p = str_alloc(la + lb);
  if (p == nullptr) return nullptr;
  if (la > 0) str_copy_n(p, a, la);
  if (lb > 0) mem_copy(p + la, b, lb);
  return p;
}

char* str_concat3(const char* a, const char* b, const char* c) {
  const int64_t la = str_len(a);
  const int64_t lb = str_len(b);
  const int64_t lc = str_len(c);
  char* p = str_alloc(la + lb + lc);
  if (p == nullptr) return nullptr;
  int64_t pos = 0;
  if (la > 0) {
    mem_copy(p, a, la);
    pos = la;
  }
  if (lb > 0) {
    mem_copy(p + pos, b, lb);
    pos += lb;
  }
  if (lc > 0) mem_copy(p + pos, c, lc);
  return p;
}

}  // namespace kivo
