// mem_copy and mem_move on AVX-512, 64 bytes a vector; the build compiles this file alone with
// AVX-512 enabled, and only processors that have it run its code. Stores of 64 bytes are what
// lets a backward move keep pace with a forward one; the other byte routines gain nothing
// from them over AVX2. Short runs, where a vector of 64 bytes would not fit, and
// overlapping forward copies go to the AVX2 and SSE2 routines. The rules are theirs: exactly
// the result of the one-byte loops, and no load outside the named bytes.
//
// MinGW's compiler cannot align the stack for spills of wide registers, so these routines
// are kept small enough that no vector register is ever spilled (checked on the Windows
// build).
#include <immintrin.h>

#include "core/cpu_x86_64.h"
#include "core/mem_x86_64.h"

namespace kivo::avx512 {
namespace {

using byte = unsigned char;

inline __m512i load(const byte* p) { return _mm512_loadu_si512(p); }
inline void store(byte* p, __m512i v) { _mm512_storeu_si512(p, v); }
inline void store_aligned(byte* p, __m512i v) { _mm512_store_si512(p, v); }

// More than 64 bytes arrive as they were before the call, whatever the overlap; the same
// plan as the AVX2 routine's, with vectors twice as wide. Beyond 32 KiB a copy between
// buffers apart from each other goes to rep movsb where the processor makes that fast.
void move_bytes(byte* d, const byte* s, uint64_t n) {
  if (n <= 128) {
    const __m512i a = load(s), b = load(s + n - 64);
    store(d, a);
    store(d + n - 64, b);
    return;
  }
  if (n <= 256) {
    const __m512i a = load(s), b = load(s + 64), c = load(s + n - 128), e = load(s + n - 64);
    store(d, a);
    store(d + 64, b);
    store(d + n - 128, c);
    store(d + n - 64, e);
    return;
  }
  if (n <= 512) {
    const __m512i a = load(s), b = load(s + 64), c = load(s + 128), e = load(s + 192);
    const __m512i f = load(s + n - 256), g = load(s + n - 192), h = load(s + n - 128), k = load(s + n - 64);
    store(d, a);
    store(d + 64, b);
    store(d + 128, c);
    store(d + 192, e);
    store(d + n - 256, f);
    store(d + n - 192, g);
    store(d + n - 128, h);
    store(d + n - 64, k);
    return;
  }
  const uint64_t ahead = reinterpret_cast<uintptr_t>(d) - reinterpret_cast<uintptr_t>(s);
  if (n >= 32768 && ahead >= n && -ahead >= n && cpu::fast_rep_movsb()) {
    asm volatile("rep movsb" : "+D"(d), "+S"(s), "+c"(n) : : "memory");
    return;
  }
  const __m512i head = load(s), tail = load(s + n - 64);
  byte* const end = d + n;
  if (ahead >= n) {
    // The destination starts before the source, or apart from it: forwards.
    byte* p = reinterpret_cast<byte*>((reinterpret_cast<uintptr_t>(d) + 64) & ~uintptr_t{63});
    const byte* q = s + (p - d);
    for (; end - p > 256; p += 256, q += 256) {
      const __m512i a = load(q), b = load(q + 64), c = load(q + 128), e = load(q + 192);
      store_aligned(p, a);
      store_aligned(p + 64, b);
      store_aligned(p + 128, c);
      store_aligned(p + 192, e);
    }
    for (; end - p > 64; p += 64, q += 64) store_aligned(p, load(q));
  } else {
    // The destination starts inside the source: backwards from the end.
    byte* p = reinterpret_cast<byte*>(reinterpret_cast<uintptr_t>(end - 1) & ~uintptr_t{63});
    const byte* q = s + (p - d);
    for (; p - d > 256; p -= 256, q -= 256) {
      const __m512i a = load(q - 64), b = load(q - 128), c = load(q - 192), e = load(q - 256);
      store_aligned(p - 64, a);
      store_aligned(p - 128, b);
      store_aligned(p - 192, c);
      store_aligned(p - 256, e);
    }
    for (; p - d > 64; p -= 64, q -= 64) store_aligned(p - 64, load(q - 64));
  }
  store(end - 64, tail);
  store(d, head);
}

}  // namespace

// Kept whole, so that its copy loop exists once: mem_copy calls it.
__attribute__((noinline)) void* mem_move(void* dst, const void* src, int64_t n) {
  if (n <= 64) return n <= 32 ? sse2::mem_move(dst, src, n) : avx2::mem_move(dst, src, n);
  if (dst != src) move_bytes(static_cast<byte*>(dst), static_cast<const byte*>(src), static_cast<uint64_t>(n));
  return dst;
}

void* mem_copy(void* dst, const void* src, int64_t n) {
  const uint64_t gap = reinterpret_cast<uintptr_t>(dst) - reinterpret_cast<uintptr_t>(src);
  // A destination inside the source, where a forward copy reads back its own bytes, is the
  // SSE2 routine's business; a move gives the other copies.
  if (gap < static_cast<uint64_t>(n)) return sse2::mem_copy(dst, src, n);
  return n <= 32 ? sse2::mem_move(dst, src, n) : mem_move(dst, src, n);
}

}  // namespace kivo::avx512
