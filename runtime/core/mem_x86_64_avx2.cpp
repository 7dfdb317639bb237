// The byte routines on AVX2, 32 bytes a vector; the build compiles this file alone with AVX2
// enabled, and only processors that have it run its code. Short runs, where a vector of 32
// bytes would not fit, and overlapping forward copies go to the SSE2 routines. The rules are
// theirs: exactly the result of the one-byte loops, and no load outside the named bytes
// (text_len: no load outside the aligned pieces that hold bytes of the text).
//
// MinGW's compiler cannot align the stack for 32-byte spills, so these routines are kept
// small enough that no vector register is ever spilled (checked on the Windows build).
#include <immintrin.h>

#include "core/cpu_x86_64.h"
#include "core/mem_x86_64.h"

namespace kivo::avx2 {
namespace {

using byte = unsigned char;

inline __m256i load(const byte* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
inline void store(byte* p, __m256i v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v); }
inline void store_aligned(byte* p, __m256i v) { _mm256_store_si256(reinterpret_cast<__m256i*>(p), v); }

// More than 32 bytes arrive as they were before the call, whatever the overlap. Up to 256
// bytes every load comes before the first store. Beyond, the first and last 32 are read at
// the start and written at the end, and the middle goes in aligned stores that walk away from
// the side where the destination overlaps the source, so that each store covers only source
// bytes already read; backwards the stores fall strictly, which the processor streams best.
// Beyond 32 KiB a copy between buffers apart from each other goes to rep movsb where the
// processor makes that fast: there it beats the vector loop, below it loses.
void move_bytes(byte* d, const byte* s, uint64_t n) {
  if (n <= 64) {
    const __m256i a = load(s), b = load(s + n - 32);
    store(d, a);
    store(d + n - 32, b);
    return;
  }
  if (n <= 128) {
    const __m256i a = load(s), b = load(s + 32), c = load(s + n - 64), e = load(s + n - 32);
    store(d, a);
    store(d + 32, b);
    store(d + n - 64, c);
    store(d + n - 32, e);
    return;
  }
  if (n <= 256) {
    const __m256i a = load(s), b = load(s + 32), c = load(s + 64), e = load(s + 96);
    const __m256i f = load(s + n - 128), g = load(s + n - 96), h = load(s + n - 64), k = load(s + n - 32);
    store(d, a);
    store(d + 32, b);
    store(d + 64, c);
    store(d + 96, e);
    store(d + n - 128, f);
    store(d + n - 96, g);
    store(d + n - 64, h);
    store(d + n - 32, k);
    return;
  }
  const uint64_t ahead = reinterpret_cast<uintptr_t>(d) - reinterpret_cast<uintptr_t>(s);
  if (n >= 32768 && ahead >= n && -ahead >= n && cpu::fast_rep_movsb()) {
    asm volatile("rep movsb" : "+D"(d), "+S"(s), "+c"(n) : : "memory");
    return;
  }
  const __m256i head = load(s), tail = load(s + n - 32);
  byte* const end = d + n;
  if (ahead >= n) {
    // The destination starts before the source, or apart from it: forwards.
    byte* p = reinterpret_cast<byte*>((reinterpret_cast<uintptr_t>(d) + 32) & ~uintptr_t{31});
    const byte* q = s + (p - d);
    for (; end - p > 128; p += 128, q += 128) {
      const __m256i a = load(q), b = load(q + 32), c = load(q + 64), e = load(q + 96);
      store_aligned(p, a);
      store_aligned(p + 32, b);
      store_aligned(p + 64, c);
      store_aligned(p + 96, e);
    }
    for (; end - p > 32; p += 32, q += 32) store_aligned(p, load(q));
  } else {
    // The destination starts inside the source: backwards from the end.
    byte* p = reinterpret_cast<byte*>(reinterpret_cast<uintptr_t>(end - 1) & ~uintptr_t{31});
    const byte* q = s + (p - d);
    for (; p - d > 128; p -= 128, q -= 128) {
      const __m256i a = load(q - 32), b = load(q - 64), c = load(q - 96), e = load(q - 128);
      store_aligned(p - 32, a);
      store_aligned(p - 64, b);
      store_aligned(p - 96, c);
      store_aligned(p - 128, e);
    }
    for (; p - d > 32; p -= 32, q -= 32) store_aligned(p - 32, load(q - 32));
  }
  store(end - 32, tail);
  store(d, head);
}

// Bit i set where byte i of the 32 at a and b differ.
inline uint32_t unequal_bits(const byte* a, const byte* b) {
  return ~static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(load(a), load(b))));
}


// Bit i set where byte i of the aligned 64 at p is NUL.
__attribute__((no_sanitize("address"))) inline uint64_t nul_bits(const byte* p) {
  const __m256i zero = _mm256_setzero_si256();
  const auto lo = static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(_mm256_load_si256(reinterpret_cast<const __m256i*>(p)), zero)));
  const auto hi = static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(_mm256_load_si256(reinterpret_cast<const __m256i*>(p + 32)), zero)));
  return lo | static_cast<uint64_t>(hi) << 32;
}

}  // namespace

// Kept whole, so that its copy loop exists once: mem_copy calls it.
__attribute__((noinline)) void* mem_move(void* dst, const void* src, int64_t n) {
  if (n <= 32) return sse2::mem_move(dst, src, n);
  if (dst != src) move_bytes(static_cast<byte*>(dst), static_cast<const byte*>(src), static_cast<uint64_t>(n));
  return dst;
}

void* mem_copy(void* dst, const void* src, int64_t n) {
  const uint64_t gap = reinterpret_cast<uintptr_t>(dst) - reinterpret_cast<uintptr_t>(src);
  // A destination inside the source, where a forward copy reads back its own bytes, is the
  // SSE2 routine's business, like runs that fit no vector; a move gives the other copies.
  if (gap < static_cast<uint64_t>(n)) return sse2::mem_copy(dst, src, n);
  return n <= 32 ? sse2::mem_move(dst, src, n) : mem_move(dst, src, n);
}

// Bit i set where byte i of the 64 at a and b differ.
inline uint64_t unequal_bits64(const byte* a, const byte* b) {
  const auto lo = static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(load(a), load(b))));
  const auto hi = static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(load(a + 32), load(b + 32))));
  return ~(lo | static_cast<uint64_t>(hi) << 32);
}

inline int64_t difference_at(const byte* a, const byte* b, uint64_t unequal) {
  const unsigned i = static_cast<unsigned>(__builtin_ctzll(unequal));
  return static_cast<int64_t>(a[i]) - static_cast<int64_t>(b[i]);
}

// Whether the 128 bytes at a and b agree.
inline bool equal128(const byte* a, const byte* b) {
  const __m256i e0 = _mm256_cmpeq_epi8(load(a), load(b));
  const __m256i e1 = _mm256_cmpeq_epi8(load(a + 32), load(b + 32));
  const __m256i e2 = _mm256_cmpeq_epi8(load(a + 64), load(b + 64));
  const __m256i e3 = _mm256_cmpeq_epi8(load(a + 96), load(b + 96));
  const __m256i all = _mm256_and_si256(_mm256_and_si256(e0, e1), _mm256_and_si256(e2, e3));
  return static_cast<uint32_t>(_mm256_movemask_epi8(all)) == ~uint32_t{0};
}

// The difference at the first unequal byte of the 128 at a and b, or 0.
inline int64_t difference128(const byte* a, const byte* b) {
  if (const uint64_t unequal = unequal_bits64(a, b)) return difference_at(a, b, unequal);
  const uint64_t unequal = unequal_bits64(a + 64, b + 64);
  return unequal != 0 ? difference_at(a + 64, b + 64, unequal) : 0;
}

// Up to 256 bytes in runs of 32, 64 or 128 that may overlap. Beyond, the first 32, then from the
// next 32-byte boundary of a on (so that its loads never straddle a cache line) 128 bytes a
// step, and the last 128, overlapping bytes already found equal. The pointers step rather
// than an index, which would cost the compare an extra operation.
int64_t mem_compare(const void* a, const void* b, int64_t n) {
  if (n < 32) return sse2::mem_compare(a, b, n);
  const auto* x = static_cast<const byte*>(a);
  const auto* y = static_cast<const byte*>(b);
  if (n <= 64) {
    if (const uint32_t unequal = unequal_bits(x, y)) return difference_at(x, y, unequal);
    x += n - 32;
    y += n - 32;
    const uint32_t unequal = unequal_bits(x, y);
    return unequal != 0 ? difference_at(x, y, unequal) : 0;
  }
  if (n <= 128) {
    if (const uint64_t unequal = unequal_bits64(x, y)) return difference_at(x, y, unequal);
    x += n - 64;
    y += n - 64;
    const uint64_t unequal = unequal_bits64(x, y);
    return unequal != 0 ? difference_at(x, y, unequal) : 0;
  }
  const byte* const x_last = x + n - 128;
  if (n <= 256) {
    if (!equal128(x, y)) return difference128(x, y);
    return equal128(x_last, y + (n - 128)) ? 0 : difference128(x_last, y + (n - 128));
  }
  if (const uint32_t unequal = unequal_bits(x, y)) return difference_at(x, y, unequal);
  const uint64_t skip = 32 - (reinterpret_cast<uintptr_t>(x) & 31);
  x += skip;
  y += skip;
  for (; x < x_last; x += 128, y += 128) {
    if (!equal128(x, y)) return difference128(x, y);
  }
  y += x_last - x;
  return equal128(x_last, y) ? 0 : difference128(x_last, y);
}

// Aligned pieces of 64 bytes up to a 128-byte boundary, then 128 bytes a step: an aligned
// piece never straddles a page, so no page is touched that holds no byte of the text. The
// bytes read past the terminator are outside the string's object, which AddressSanitizer
// would report; it is kept out.
__attribute__((no_sanitize("address"))) int64_t text_len(const char* s) {
  if (s == nullptr) return 0;
  const uintptr_t skip = reinterpret_cast<uintptr_t>(s) & 63;
  const byte* p = reinterpret_cast<const byte*>(s) - skip;
  uint64_t nul = nul_bits(p) >> skip;  // bytes before s do not count
  if (nul != 0) return static_cast<int64_t>(__builtin_ctzll(nul));
  p += 64;
  if ((reinterpret_cast<uintptr_t>(p) & 64) != 0) {
    if ((nul = nul_bits(p)) != 0) return p - reinterpret_cast<const byte*>(s) + static_cast<int64_t>(__builtin_ctzll(nul));
    p += 64;
  }
  const __m256i zero = _mm256_setzero_si256();
  for (;; p += 128) {
    const auto* v = reinterpret_cast<const __m256i*>(p);
    // The smallest byte of the four loads is 0 exactly where one of them holds a NUL.
    const __m256i least = _mm256_min_epu8(_mm256_min_epu8(_mm256_load_si256(v), _mm256_load_si256(v + 1)),
                                          _mm256_min_epu8(_mm256_load_si256(v + 2), _mm256_load_si256(v + 3)));
    if (_mm256_movemask_epi8(_mm256_cmpeq_epi8(least, zero)) != 0) break;
  }
  if ((nul = nul_bits(p)) == 0) {
    p += 64;
    nul = nul_bits(p);
  }
  return p - reinterpret_cast<const byte*>(s) + static_cast<int64_t>(__builtin_ctzll(nul));
}

}  // namespace kivo::avx2
