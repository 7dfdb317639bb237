// The byte routines and the string length a word at a time. Words are written at aligned
// addresses; they are read aligned too where source and destination share their offset
// within a word, which is what a processor that cannot load unaligned words (as a riscv64
// core may not) needs to go faster than byte by byte.
#include "core/mem_portable.h"

#include "core/word_bytes.h"

namespace kivo::portable {
namespace {

using namespace word_bytes;
using byte = unsigned char;

template <bool aligned>
inline word load(const byte* p) {
  if constexpr (aligned) return *reinterpret_cast<const word_aligned*>(p);
  return *reinterpret_cast<const word_any*>(p);
}

inline void store(byte* p, word w) { *reinterpret_cast<word_aligned*>(p) = w; }

inline bool aligned8(const void* p) { return (reinterpret_cast<uintptr_t>(p) & 7) == 0; }

// Whole words from the aligned d on, while at least one is left; returns the bytes done. Each
// step reads its four words before it writes them, and a destination that starts before its
// source, or apart from it, never writes a byte that a later step reads.
template <bool aligned>
uint64_t words_forward(byte* d, const byte* s, uint64_t n) {
  uint64_t i = 0;
  for (; n - i >= 32; i += 32) {
    const word a = load<aligned>(s + i), b = load<aligned>(s + i + 8), c = load<aligned>(s + i + 16),
               e = load<aligned>(s + i + 24);
    store(d + i, a);
    store(d + i + 8, b);
    store(d + i + 16, c);
    store(d + i + 24, e);
  }
  for (; n - i >= 8; i += 8) store(d + i, load<aligned>(s + i));
  return i;
}

// Whole words backwards from the aligned end of d, the mirror image of words_forward, for a
// destination that starts inside its source.
template <bool aligned>
uint64_t words_backward(byte* d_end, const byte* s_end, uint64_t n) {
  uint64_t i = 0;
  for (; n - i >= 32; i += 32) {
    const word a = load<aligned>(s_end - i - 8), b = load<aligned>(s_end - i - 16),
               c = load<aligned>(s_end - i - 24), e = load<aligned>(s_end - i - 32);
    store(d_end - i - 8, a);
    store(d_end - i - 16, b);
    store(d_end - i - 24, c);
    store(d_end - i - 32, e);
  }
  for (; n - i >= 8; i += 8) store(d_end - i - 8, load<aligned>(s_end - i - 8));
  return i;
}

// n bytes arrive as they were before the call, whatever the overlap: forwards unless the
// destination starts inside the source, then backwards. Single bytes up to the first aligned
// destination word and after the last.
void move_bytes(byte* d, const byte* s, uint64_t n) {
  if (reinterpret_cast<uintptr_t>(d) - reinterpret_cast<uintptr_t>(s) >= n) {
    for (; n > 0 && !aligned8(d); --n) *d++ = *s++;
    const uint64_t done = aligned8(s) ? words_forward<true>(d, s, n) : words_forward<false>(d, s, n);
    for (uint64_t i = done; i < n; ++i) d[i] = s[i];
  } else {
    byte* d_end = d + n;
    const byte* s_end = s + n;
    for (; n > 0 && !aligned8(d_end); --n) *--d_end = *--s_end;
    const uint64_t done = aligned8(s_end) ? words_backward<true>(d_end, s_end, n)
                                          : words_backward<false>(d_end, s_end, n);
    for (uint64_t i = n - done; i > 0; --i) d[i - 1] = s[i - 1];
  }
}

// Index of the first unequal byte among the first n at x and y, or n; x is aligned when
// `aligned` says so, y too.
template <bool aligned>
uint64_t first_unequal_words(const byte* x, const byte* y, uint64_t n) {
  uint64_t i = 0;
  for (; n - i >= 8; i += 8) {
    const word diff = load<true>(x + i) ^ load<aligned>(y + i);
    if (diff != 0) return i + first_flagged(diff);
  }
  for (; i < n; ++i) {
    if (x[i] != y[i]) return i;
  }
  return n;
}

}  // namespace

void* mem_copy(void* dst, const void* src, int64_t n) {
  if (n <= 0) return dst;
  auto* d = static_cast<byte*>(dst);
  const auto* s = static_cast<const byte*>(src);
  const auto count = static_cast<uint64_t>(n);
  const uint64_t gap = reinterpret_cast<uintptr_t>(d) - reinterpret_cast<uintptr_t>(s);
  if (gap == 0) return dst;  // every byte is rewritten with itself
  if (gap < count) {
    // The destination starts inside the source, gap bytes on. A forward copy reads back what
    // it wrote, so the first gap bytes of the source repeat to the end: copy them, then keep
    // doubling the copied run, whose length stays a multiple of gap.
    move_bytes(d, s, gap);
    for (uint64_t done = gap; done < count;) {
      const uint64_t k = done < count - done ? done : count - done;
      move_bytes(d + done, d, k);
      done += k;
    }
    return dst;
  }
  // Otherwise a forward copy never reads a byte it has written: a move gives the same bytes.
  move_bytes(d, s, count);
  return dst;
}

void* mem_move(void* dst, const void* src, int64_t n) {
  if (n <= 0 || dst == src) return dst;
  move_bytes(static_cast<byte*>(dst), static_cast<const byte*>(src), static_cast<uint64_t>(n));
  return dst;
}

int64_t mem_compare(const void* a, const void* b, int64_t n) {
  if (n <= 0) return 0;
  const auto* x = static_cast<const byte*>(a);
  const auto* y = static_cast<const byte*>(b);
  auto count = static_cast<uint64_t>(n);
  for (; count > 0 && !aligned8(x); --count, ++x, ++y) {
    if (*x != *y) return int64_t{*x} - int64_t{*y};
  }
  const uint64_t i = aligned8(y) ? first_unequal_words<true>(x, y, count)
                                 : first_unequal_words<false>(x, y, count);
  return i == count ? 0 : int64_t{x[i]} - int64_t{y[i]};
}

// Aligned words from the one that holds the first byte until the one that holds the NUL. An
// aligned word never straddles a page, so every page read holds a byte of the text and no
// read can fault. The bytes read before the text or past the terminator lie outside the
// string's object all the same, which AddressSanitizer (checking objects, not pages) would
// report: it is kept out of this routine.
__attribute__((no_sanitize("address"))) int64_t text_len(const char* s) {
  if (s == nullptr) return 0;
  const uintptr_t skip = reinterpret_cast<uintptr_t>(s) & 7;
  const auto* p = reinterpret_cast<const word_aligned*>(reinterpret_cast<uintptr_t>(s) - skip);
  word w = *p | ~from_offset(skip);  // the bytes before s read as non-zero
  while (any_zero(w) == 0) w = *++p;
  return reinterpret_cast<const char*>(p) - s + first_flagged(zero_flags(w));
}

}  // namespace kivo::portable
