#include "core/mem.h"

#include "core/platform.h"

namespace kivo {

void* mem_alloc(int64_t n) { return platform::block_alloc(static_cast<uint64_t>(n)); }

int64_t mem_free(void* p) {
  platform::block_free(p);
  return 0;
}

void* mem_copy(void* dst, const void* src, int64_t n) {
  auto* d = static_cast<unsigned char*>(dst);
  const auto* s = static_cast<const unsigned char*>(src);
  for (uint64_t i = 0; i < static_cast<uint64_t>(n); ++i) d[i] = s[i];
  return dst;
}

void* mem_move(void* dst, const void* src, int64_t n) {
  auto* d = static_cast<unsigned char*>(dst);
  const auto* s = static_cast<const unsigned char*>(src);
  const auto count = static_cast<uint64_t>(n);
  if (count == 0 || d == s) return dst;
  if (reinterpret_cast<uintptr_t>(d) < reinterpret_cast<uintptr_t>(s)) {
    for (uint64_t i = 0; i < count; ++i) d[i] = s[i];
  } else {
    for (uint64_t i = count; i > 0; --i) d[i - 1] = s[i - 1];
  }
  return dst;
}

int64_t mem_compare(const void* a, const void* b, int64_t n) {
  const auto* x = static_cast<const unsigned char*>(a);
  const auto* y = static_cast<const unsigned char*>(b);
  for (uint64_t i = 0; i < static_cast<uint64_t>(n); ++i) {
    if (x[i] != y[i]) return static_cast<int64_t>(x[i]) - static_cast<int64_t>(y[i]);
  }
  return 0;
}

}  // namespace kivo
