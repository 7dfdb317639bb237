// str_find on SSE2. A window of the text can only hold the pattern if its first and last
// bytes are the pattern's, and its second byte too; 32 windows are tested at once, and only
// those that pass have their inner bytes compared. The text's terminator is looked for one
// piece ahead of the windows as they go, so the text is read in one pass, with no measuring
// first. Should the inner comparisons
// ever outgrow a few times the text read (texts of one repeated byte, say), the rest of the
// search goes to Two-Way, which is linear whatever the input.
#include <emmintrin.h>

#include "text/str_primitives.h"
#include "text/str_search.h"
#include "text/str_two_way.h"

namespace kivo {
namespace {

using byte = unsigned char;

// The text is read in aligned pieces of 16 to 64 bytes: an aligned piece never straddles a
// page, and a piece is read only when the one before it held no terminator, so every page
// touched holds bytes of the text and no read can fault. Bytes of such a piece past the
// terminator (or before the text) are outside the string's object all the same, which
// AddressSanitizer, checking objects rather than pages, would report: it is kept out of
// every routine here (a routine it checks could not be inlined into one it does not).
#define KIVO_READS_WHOLE_PIECES __attribute__((no_sanitize("address")))

KIVO_READS_WHOLE_PIECES inline __m128i load_aligned(const byte* p) { return _mm_load_si128(reinterpret_cast<const __m128i*>(p)); }
KIVO_READS_WHOLE_PIECES inline __m128i load16(const byte* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
KIVO_READS_WHOLE_PIECES inline unsigned lowest(uint64_t bits) { return static_cast<unsigned>(__builtin_ctzll(bits)); }

// An aligned 32-byte piece of the text, and bit i set where its byte i equals b.
struct piece {
  __m128i lo, hi;
};
KIVO_READS_WHOLE_PIECES inline piece load_piece(const byte* p) { return {load_aligned(p), load_aligned(p + 16)}; }
KIVO_READS_WHOLE_PIECES inline uint32_t equal_bits(const piece& x, __m128i b) {
  return static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(x.lo, b))) |
         static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(x.hi, b))) << 16;
}
KIVO_READS_WHOLE_PIECES inline bool has_nul(const piece& x) {
  return _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_min_epu8(x.lo, x.hi), _mm_setzero_si128())) != 0;
}


// A pattern of one byte c (not NUL), 64 bytes a step. A byte x is c or NUL exactly when the
// smaller of x ^ c and x is 0.
KIVO_READS_WHOLE_PIECES int64_t find_byte(const byte* hay, byte c) {
  const uintptr_t skip = reinterpret_cast<uintptr_t>(hay) & 63;
  const byte* p = hay - skip;
  const __m128i want = _mm_set1_epi8(static_cast<char>(c)), zero = _mm_setzero_si128();
  auto stops = [&](const byte* q) KIVO_READS_WHOLE_PIECES {
    const __m128i a = load_aligned(q), b = load_aligned(q + 16), e = load_aligned(q + 32), f = load_aligned(q + 48);
    return _mm_min_epu8(_mm_min_epu8(_mm_min_epu8(_mm_xor_si128(a, want), a), _mm_min_epu8(_mm_xor_si128(b, want), b)),
                        _mm_min_epu8(_mm_min_epu8(_mm_xor_si128(e, want), e), _mm_min_epu8(_mm_xor_si128(f, want), f)));
  };
  auto stop_bits = [&](const byte* q) KIVO_READS_WHOLE_PIECES {
    uint64_t bits = 0;
    for (int k = 0; k < 4; ++k) {
      const __m128i x = load_aligned(q + 16 * k);
      bits |= static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(
                  _mm_cmpeq_epi8(_mm_min_epu8(_mm_xor_si128(x, want), x), zero))))
              << (16 * k);
    }
    return bits;
  };
  uint64_t bits = stop_bits(p) >> skip << skip;  // positions before the text do not count
  while (bits == 0) {
    p += 64;
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(stops(p), zero)) != 0) bits = stop_bits(p);
  }
  const byte* at = p + lowest(bits);
  return *at == c ? at - hay : -1;
}

// Index of the first byte among [1, last) where window and pattern differ, or last.
KIVO_READS_WHOLE_PIECES inline int64_t inner_mismatch(const byte* window, const byte* pattern, int64_t last) {
  int64_t k = 1;
  for (; last - k >= 16; k += 16) {
    const unsigned equal = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(load16(window + k), load16(pattern + k))));
    if (equal != 0xFFFF) return k + lowest(~equal);
  }
  while (k < last && window[k] == pattern[k]) ++k;
  return k;
}

// Bit i set where byte i of the 32 bytes at p may start a window: it equals the pattern's
// first byte, the next byte its second, and the byte d further on its last.
KIVO_READS_WHOLE_PIECES inline uint32_t window_bits(const byte* p, int64_t d, __m128i first, __m128i second, __m128i last) {
  const __m128i lo = _mm_and_si128(_mm_and_si128(_mm_cmpeq_epi8(load_aligned(p), first), _mm_cmpeq_epi8(load16(p + 1), second)),
                                   _mm_cmpeq_epi8(load16(p + d), last));
  const __m128i hi = _mm_and_si128(_mm_and_si128(_mm_cmpeq_epi8(load_aligned(p + 16), first), _mm_cmpeq_epi8(load16(p + 17), second)),
                                   _mm_cmpeq_epi8(load16(p + d + 16), last));
  return static_cast<uint32_t>(_mm_movemask_epi8(lo)) | static_cast<uint32_t>(_mm_movemask_epi8(hi)) << 16;
}

// A pattern of nl >= 2 bytes. The text is proven free of NUL up to a frontier, one aligned
// piece at a time; while the frontier stays d + 32 bytes ahead, 32 windows at t are tested at
// once with unaligned loads that cannot pass it. Once the terminator is found, the last few
// windows that fit before it are tested one by one.
KIVO_READS_WHOLE_PIECES int64_t find_long(const byte* hay, const byte* needle, int64_t nl) {
  const int64_t d = nl - 1;
  const __m128i first = _mm_set1_epi8(static_cast<char>(needle[0]));
  const __m128i second = _mm_set1_epi8(static_cast<char>(needle[1]));
  const __m128i last = _mm_set1_epi8(static_cast<char>(needle[d]));
  const __m128i zero = _mm_setzero_si128();
  const uintptr_t skip = reinterpret_cast<uintptr_t>(hay) & 31;
  const uint32_t keep = ~uint32_t{0} << skip;  // windows and NULs before the text do not count
  const byte* t = hay - skip;
  const byte* frontier = t;  // the text before it holds no NUL
  const byte* end = nullptr;  // the terminator, once read
  // Moves the frontier one piece on, or finds the terminator in that piece.
  auto advance = [&]() KIVO_READS_WHOLE_PIECES {
    const piece x = load_piece(frontier);
    if (has_nul(x)) {
      const uint32_t nul = equal_bits(x, zero) & (frontier == hay - skip ? keep : ~uint32_t{0});
      if (nul != 0) {
        end = frontier + lowest(nul);
        return false;
      }
    }
    frontier += 32;
    return true;
  };
  int64_t work = 0;  // inner bytes compared
  // Whether the inner bytes of the window at `at` match. Should the comparisons outgrow a few
  // times the text read, `found` gets Two-Way's answer for the rest of the text instead.
  int64_t found = -1;
  auto matches = [&](const byte* at) KIVO_READS_WHOLE_PIECES {
    const int64_t k = inner_mismatch(at, needle, d);
    if (k == d) {
      found = at - hay;
      return true;
    }
    work += k;
    if (work <= 2 * (at - hay) + 2 * nl + 256) return false;
    const int64_t known = (end != nullptr ? end : frontier) - hay;
    found = str_two_way_find(reinterpret_cast<const char*>(hay), at - hay, known, reinterpret_cast<const char*>(needle), nl);
    return true;
  };

  while (frontier < t + d + 32 && advance()) {
  }
  if (end == nullptr) {
    for (uint32_t mask = keep;; mask = ~uint32_t{0}) {
      for (uint32_t candidates = window_bits(t, d, first, second, last) & mask; candidates != 0;
           candidates &= candidates - 1) {
        if (matches(t + lowest(candidates))) return found;
      }
      t += 32;
      if (!advance()) break;
    }
  }
  // The windows that end before the terminator, and start in the text.
  const byte* at = t < hay ? hay : t;
  for (; at + nl <= end; ++at) {
    if (at[0] == needle[0] && at[d] == needle[d] && matches(at)) return found;
  }
  return -1;
}

}  // namespace

int64_t str_find(const char* hay, const char* needle) {
  if (hay == nullptr || needle == nullptr) return -1;
  const int64_t nl = str_len(needle);
  if (nl == 0) return 0;
  const auto* h = reinterpret_cast<const byte*>(hay);
  const auto* n = reinterpret_cast<const byte*>(needle);
  return nl == 1 ? find_byte(h, n[0]) : find_long(h, n, nl);
}

}  // namespace kivo
