// The byte routines on SSE2, which every x86-64 processor has, and the public routines, which
// run these or the AVX2 and AVX-512 ones (mem_x86_64_avx2.cpp, mem_x86_64_avx512.cpp) as the
// processor allows. They give exactly what the plain one-byte-per-step loops give on every
// input, overlapping ones included; only the number of bytes handled per step differs. Every
// load of the copy and compare routines stays inside the bytes the caller named.
#include <emmintrin.h>

#include "core/cpu_x86_64.h"
#include "core/mem.h"
#include "core/mem_x86_64.h"

namespace kivo::sse2 {
namespace {

using byte = unsigned char;
// Unaligned scalar access that the compiler may not assume to be aligned or unaliased.
typedef uint64_t u64_any __attribute__((aligned(1), may_alias));
typedef uint32_t u32_any __attribute__((aligned(1), may_alias));
typedef uint16_t u16_any __attribute__((aligned(1), may_alias));

inline __m128i load16(const byte* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
inline void store16(byte* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }
inline void store16_aligned(byte* p, __m128i v) { _mm_store_si128(reinterpret_cast<__m128i*>(p), v); }

// Up to 64 bytes: every load comes before the first store, so any overlap comes out as if all
// bytes were read first.
inline void move_small(byte* d, const byte* s, uint64_t n) {
  if (n >= 32) {
    const __m128i a = load16(s), b = load16(s + 16), c = load16(s + n - 32), e = load16(s + n - 16);
    store16(d, a);
    store16(d + 16, b);
    store16(d + n - 32, c);
    store16(d + n - 16, e);
  } else if (n >= 16) {
    const __m128i a = load16(s), b = load16(s + n - 16);
    store16(d, a);
    store16(d + n - 16, b);
  } else if (n >= 8) {
    const uint64_t a = *reinterpret_cast<const u64_any*>(s), b = *reinterpret_cast<const u64_any*>(s + n - 8);
    *reinterpret_cast<u64_any*>(d) = a;
    *reinterpret_cast<u64_any*>(d + n - 8) = b;
  } else if (n >= 4) {
    const uint32_t a = *reinterpret_cast<const u32_any*>(s), b = *reinterpret_cast<const u32_any*>(s + n - 4);
    *reinterpret_cast<u32_any*>(d) = a;
    *reinterpret_cast<u32_any*>(d + n - 4) = b;
  } else if (n >= 2) {
    const uint16_t a = *reinterpret_cast<const u16_any*>(s), b = *reinterpret_cast<const u16_any*>(s + n - 2);
    *reinterpret_cast<u16_any*>(d) = a;
    *reinterpret_cast<u16_any*>(d + n - 2) = b;
  } else if (n == 1) {
    *d = *s;
  }
}

// n bytes arrive as they were before the call, whatever the overlap. Beyond 64 bytes the first
// and last 16 are read at the start and written at the end, and the middle goes in aligned
// stores, walking away from the side where the destination overlaps the source: each store
// then covers only source bytes already read.
void move_bytes(byte* d, const byte* s, uint64_t n) {
  if (n <= 64) {
    move_small(d, s, n);
    return;
  }
  const __m128i head = load16(s), tail = load16(s + n - 16);
  byte* const end = d + n;
  if (reinterpret_cast<uintptr_t>(d) - reinterpret_cast<uintptr_t>(s) >= n) {
    // The destination starts before the source, or apart from it: forwards.
    const uint64_t skip = 16 - (reinterpret_cast<uintptr_t>(d) & 15);
    byte* p = d + skip;
    const byte* q = s + skip;
    for (; end - p >= 64; p += 64, q += 64) {
      const __m128i a = load16(q), b = load16(q + 16), c = load16(q + 32), e = load16(q + 48);
      store16_aligned(p, a);
      store16_aligned(p + 16, b);
      store16_aligned(p + 32, c);
      store16_aligned(p + 48, e);
    }
    for (; end - p >= 16; p += 16, q += 16) store16_aligned(p, load16(q));
  } else {
    // The destination starts inside the source: backwards from the end.
    byte* p = end - (reinterpret_cast<uintptr_t>(end) & 15);
    const byte* q = s + (p - d);
    for (; p - d >= 64; p -= 64, q -= 64) {
      const __m128i a = load16(q - 16), b = load16(q - 32), c = load16(q - 48), e = load16(q - 64);
      store16_aligned(p - 16, a);
      store16_aligned(p - 32, b);
      store16_aligned(p - 48, c);
      store16_aligned(p - 64, e);
    }
    for (; p - d >= 16; p -= 16, q -= 16) store16_aligned(p - 16, load16(q - 16));
  }
  store16(end - 16, tail);
  store16(d, head);
}

inline int64_t byte_difference(const byte* a, const byte* b, uint64_t i) {
  return static_cast<int64_t>(a[i]) - static_cast<int64_t>(b[i]);
}

// Index of the first unequal byte in the 16 at a and b, or 16.
inline unsigned first_unequal16(const byte* a, const byte* b) {
  const unsigned equal = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(load16(a), load16(b))));
  return static_cast<unsigned>(__builtin_ctz(~equal));  // bit 16 of ~equal is always set
}

inline __m128i equal16(const byte* a, const byte* b) { return _mm_cmpeq_epi8(load16(a), load16(b)); }

inline bool all_equal64(const byte* a, const byte* b) {
  const __m128i both = _mm_and_si128(_mm_and_si128(equal16(a, b), equal16(a + 16, b + 16)),
                                     _mm_and_si128(equal16(a + 32, b + 32), equal16(a + 48, b + 48)));
  return _mm_movemask_epi8(both) == 0xFFFF;
}

// Bit i set where byte i of the 64 at a and b agree.
inline uint64_t equal_bits64(const byte* a, const byte* b) {
  uint64_t bits = 0;
  for (int k = 0; k < 4; ++k) {
    bits |= static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(equal16(a + 16 * k, b + 16 * k)))) << (16 * k);
  }
  return bits;
}

}  // namespace

// Kept whole, so that its copy loop exists once: mem_copy calls it.
__attribute__((noinline)) void* mem_move(void* dst, const void* src, int64_t n) {
  if (n <= 0 || dst == src) return dst;
  move_bytes(static_cast<byte*>(dst), static_cast<const byte*>(src), static_cast<uint64_t>(n));
  return dst;
}

void* mem_copy(void* dst, const void* src, int64_t n) {
  auto* d = static_cast<byte*>(dst);
  const uint64_t gap = reinterpret_cast<uintptr_t>(d) - reinterpret_cast<uintptr_t>(src);
  if (n > 0 && gap != 0 && gap < static_cast<uint64_t>(n)) {
    // The destination starts inside the source, gap bytes on. A forward copy reads back what
    // it wrote, so the first gap bytes of the source repeat to the end: copy them, then keep
    // doubling the copied run, whose length stays a multiple of gap.
    const auto count = static_cast<uint64_t>(n);
    mem_move(d, src, static_cast<int64_t>(gap));
    for (uint64_t done = gap; done < count;) {
      const uint64_t k = done < count - done ? done : count - done;
      mem_move(d + done, d, static_cast<int64_t>(k));
      done += k;
    }
    return dst;
  }
  // Otherwise a forward copy never reads a byte it has written: a move gives the same bytes
  // (and nothing happens for n <= 0, or where every byte would be rewritten with itself).
  return mem_move(dst, src, n);
}

int64_t mem_compare(const void* a, const void* b, int64_t n) {
  if (n <= 0) return 0;
  const auto* x = static_cast<const byte*>(a);
  const auto* y = static_cast<const byte*>(b);
  const auto count = static_cast<uint64_t>(n);
  if (count < 16) {
    // Two overlapping words cover the range; the lowest differing bit of the first word that
    // differs names the first unequal byte.
    uint64_t lo = 0, hi = 0, at_hi = 0;
    if (count >= 8) {
      lo = *reinterpret_cast<const u64_any*>(x) ^ *reinterpret_cast<const u64_any*>(y);
      at_hi = count - 8;
      hi = *reinterpret_cast<const u64_any*>(x + at_hi) ^ *reinterpret_cast<const u64_any*>(y + at_hi);
    } else if (count >= 4) {
      lo = *reinterpret_cast<const u32_any*>(x) ^ *reinterpret_cast<const u32_any*>(y);
      at_hi = count - 4;
      hi = *reinterpret_cast<const u32_any*>(x + at_hi) ^ *reinterpret_cast<const u32_any*>(y + at_hi);
    } else {
      for (uint64_t i = 0; i < count; ++i) {
        if (x[i] != y[i]) return byte_difference(x, y, i);
      }
      return 0;
    }
    if (lo != 0) return byte_difference(x, y, static_cast<uint64_t>(__builtin_ctzll(lo)) / 8);
    if (hi != 0) return byte_difference(x, y, at_hi + static_cast<uint64_t>(__builtin_ctzll(hi)) / 8);
    return 0;
  }
  if (count >= 64) {
    // 64 bytes a step, the last step overlapping bytes already found equal.
    uint64_t i = 0;
    while (count - i > 64 && all_equal64(x + i, y + i)) i += 64;
    if (count - i <= 64) {
      i = count - 64;
      if (all_equal64(x + i, y + i)) return 0;
    }
    return byte_difference(x, y, i + static_cast<uint64_t>(__builtin_ctzll(~equal_bits64(x + i, y + i))));
  }
  uint64_t i = 0;
  for (; count - i >= 16; i += 16) {
    const unsigned k = first_unequal16(x + i, y + i);
    if (k < 16) return byte_difference(x, y, i + k);
  }
  if (i < count) {
    // The last 16 bytes, overlapping bytes already found equal.
    const uint64_t last = count - 16;
    const unsigned k = first_unequal16(x + last, y + last);
    if (k < 16) return byte_difference(x, y, last + k);
  }
  return 0;
}

// The text is read in aligned 64-byte pieces, four 16-byte loads each, from the piece that
// holds its first byte until the piece that holds its terminator. An aligned piece never
// straddles a page, so every page touched holds at least one byte of the text: the bytes
// read past the terminator (or before the start) can never fault. They lie outside the
// string's object all the same, so AddressSanitizer, which checks object bounds rather than
// pages, would report them: it is kept out of this routine and the lambdas in it (which it
// would otherwise check, and could then not inline).
__attribute__((no_sanitize("address"))) int64_t text_len(const char* s) {
  if (s == nullptr) return 0;
  const uintptr_t skip = reinterpret_cast<uintptr_t>(s) & 63;
  const auto* p = reinterpret_cast<const __m128i*>(s - skip);
  const __m128i zero = _mm_setzero_si128();
  // Bit i set where byte i of the piece at p is NUL.
  auto nul_bits = [zero](const __m128i* piece) __attribute__((no_sanitize("address"))) {
    const auto m0 = static_cast<uint64_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_load_si128(piece), zero)));
    const auto m1 = static_cast<uint64_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_load_si128(piece + 1), zero)));
    const auto m2 = static_cast<uint64_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_load_si128(piece + 2), zero)));
    const auto m3 = static_cast<uint64_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_load_si128(piece + 3), zero)));
    return m0 | m1 << 16 | m2 << 32 | m3 << 48;
  };
  const uint64_t first = nul_bits(p) >> skip;  // bytes before s do not count
  if (first != 0) return static_cast<int64_t>(__builtin_ctzll(first));
  for (p += 4;; p += 4) {
    // The smallest byte of the four loads is 0 exactly where one of them holds a NUL.
    const __m128i least = _mm_min_epu8(_mm_min_epu8(_mm_load_si128(p), _mm_load_si128(p + 1)),
                                       _mm_min_epu8(_mm_load_si128(p + 2), _mm_load_si128(p + 3)));
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(least, zero)) != 0) break;
  }
  const char* piece = reinterpret_cast<const char*>(p);
  return piece - s + static_cast<int64_t>(__builtin_ctzll(nul_bits(p)));
}

}  // namespace kivo::sse2

namespace kivo {
namespace {

// Each public routine jumps through a pointer that starts at its chooser (core/cpu_x86_64.h).
void* copy_chooser(void* dst, const void* src, int64_t n);
void* move_chooser(void* dst, const void* src, int64_t n);
int64_t compare_chooser(const void* a, const void* b, int64_t n);
void* (*copy_target)(void*, const void*, int64_t) = copy_chooser;
void* (*move_target)(void*, const void*, int64_t) = move_chooser;
int64_t (*compare_target)(const void*, const void*, int64_t) = compare_chooser;

void* copy_chooser(void* dst, const void* src, int64_t n) {
  const int level = cpu::chosen_level();
  copy_target = level == 2 ? avx512::mem_copy : level == 1 ? avx2::mem_copy : sse2::mem_copy;
  cpu::chose(&copy_target, reinterpret_cast<void*>(copy_chooser));
  return copy_target(dst, src, n);
}

void* move_chooser(void* dst, const void* src, int64_t n) {
  const int level = cpu::chosen_level();
  move_target = level == 2 ? avx512::mem_move : level == 1 ? avx2::mem_move : sse2::mem_move;
  cpu::chose(&move_target, reinterpret_cast<void*>(move_chooser));
  return move_target(dst, src, n);
}

int64_t compare_chooser(const void* a, const void* b, int64_t n) {
  compare_target = cpu::chosen_level() != 0 ? avx2::mem_compare : sse2::mem_compare;
  cpu::chose(&compare_target, reinterpret_cast<void*>(compare_chooser));
  return compare_target(a, b, n);
}

}  // namespace

void* mem_copy(void* dst, const void* src, int64_t n) { return copy_target(dst, src, n); }
void* mem_move(void* dst, const void* src, int64_t n) { return move_target(dst, src, n); }
int64_t mem_compare(const void* a, const void* b, int64_t n) { return compare_target(a, b, n); }

}  // namespace kivo
