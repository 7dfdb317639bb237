// str_find on x86-64: the search that the SSE2, AVX2 and AVX-512 versions share, the SSE2
// reading of the text, and the public str_find, which runs the version the processor allows.
//
// A window of the text can only hold the pattern if its first and last bytes are the
// pattern's, and a byte in between that tells the pattern best from texts of its first and
// last bytes: the vector code tests 64 windows at once and hands over only blocks where some
// pass, or where the terminator lies. It reads the last bytes of the windows in aligned
// pieces, which also shows the terminator: the text is read in one pass, with no measuring
// first, and the first bytes of the windows, read unaligned, always lie in text already shown
// to hold no terminator. Should the inner comparisons ever outgrow a few times the text read
// (texts of one repeated byte, say), the rest of the search goes to Two-Way, which is linear
// whatever the input.
#include <emmintrin.h>

#include "core/cpu_x86_64.h"
#include "text/str_primitives.h"
#include "text/str_search.h"
#include "text/str_search_x86_64.h"
#include "text/str_two_way.h"

namespace kivo {
namespace {

using byte = unsigned char;

inline unsigned lowest(uint64_t bits) { return static_cast<unsigned>(__builtin_ctzll(bits)); }

// Index of the first byte among [1, last) where window and pattern differ, or last. Both hold
// at least last bytes.
int64_t inner_mismatch(const byte* window, const byte* pattern, int64_t last) {
  int64_t k = 1;
  for (; last - k >= 16; k += 16) {
    const __m128i w = _mm_loadu_si128(reinterpret_cast<const __m128i*>(window + k));
    const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pattern + k));
    const unsigned equal = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(w, p)));
    if (equal != 0xFFFF) return k + lowest(~equal);
  }
  while (k < last && window[k] == pattern[k]) ++k;
  return k;
}

// The windows that passed the filter, checked byte by byte until a match, or until the
// comparisons outgrow the text read and Two-Way takes the rest.
struct checker {
  const byte* hay;
  const byte* pattern;
  int64_t nl;
  const find_scan& scan;
  int64_t work = 0;     // inner bytes compared
  int64_t found = -1;

  // Whether the search ends at the window at `at` (found then holds its answer). The text
  // before `known` holds no NUL.
  bool ends_at(const byte* at, const byte* known) {
    const int64_t k = inner_mismatch(at, pattern, nl - 1);
    if (k == nl - 1) {
      found = at - hay;
      return true;
    }
    work += k;
    if (work <= 2 * (at - hay) + 2 * nl + 256) return false;
    found = str_two_way_find(reinterpret_cast<const char*>(hay), at - hay, known > hay ? known - hay : 0,
                             reinterpret_cast<const char*>(pattern), nl, scan.find_byte);
    return true;
  }
};

// The byte of the pattern that the filter tests besides its first and last: among the first
// 64, the first that differs from both, else the first that differs from the first, else the
// second. In texts made of the first and last bytes, which defeat those two, it passes no
// window.
int64_t middle_probe(const byte* pattern, int64_t d) {
  const int64_t end = d < 64 ? d + 1 : 65;
  const __m128i first = _mm_set1_epi8(static_cast<char>(pattern[0]));
  const __m128i last = _mm_set1_epi8(static_cast<char>(pattern[d]));
  int64_t other = 0, k = 1;
  for (; end - k >= 16; k += 16) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pattern + k));
    const unsigned not_first = ~static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(x, first))) & 0xFFFF;
    const unsigned neither = not_first & ~static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(x, last)));
    if (neither != 0) return k + lowest(neither);
    if (other == 0 && not_first != 0) other = k + lowest(not_first);
  }
  for (; k < end; ++k) {
    if (pattern[k] != pattern[0] && pattern[k] != pattern[d]) return k;
    if (other == 0 && pattern[k] != pattern[0]) other = k;
  }
  return other != 0 ? other : 1;
}

// A pattern of nl >= 2 bytes. Window j ends at byte j + d; the blocks of last bytes are the
// aligned 64-byte pieces, from the one holding the first window's last byte.
int64_t find_long(const byte* hay, const byte* pattern, int64_t nl, const find_scan& scan) {
  const int64_t d = nl - 1;
  const int64_t mid = middle_probe(pattern, d);
  const byte* const base = reinterpret_cast<const byte*>(reinterpret_cast<uintptr_t>(hay) & ~uintptr_t{63});
  const byte* const first = reinterpret_cast<const byte*>(reinterpret_cast<uintptr_t>(hay + d) & ~uintptr_t{63});
  // The text must reach the block of the first window's last byte with no terminator.
  if (!scan.nul_free(hay, first)) return -1;
  checker check{hay, pattern, nl, scan};
  // The vector code reads the first bytes of the windows from d bytes before their block,
  // which for the first block may lie before the text's first aligned piece, and be
  // unreadable: there, the first bytes are read from aligned pieces, from the text's first on
  // (the windows that start before it do not count).
  uint64_t ends = 0, nuls = 0;
  const byte* e = first;
  if (first - d >= base) {
    e = scan.next_block(first, pattern, mid, d, &ends, &nuls);
  } else {
    const byte* starts = first - d;
    const uintptr_t skip = reinterpret_cast<uintptr_t>(starts) & 63;
    const byte* piece = starts - skip;
    uint64_t at_first = piece >= base ? scan.equal_bits(piece, pattern[0]) >> skip : 0;
    if (skip != 0 && piece + 64 >= base) at_first |= scan.equal_bits(piece + 64, pattern[0]) << (64 - skip);
    nuls = scan.equal_bits(first, 0);
    ends = scan.equal_bits(first, pattern[d]) & at_first;
  }
  for (;;) {
    if (e == first) {
      if (first == base) nuls &= ~uint64_t{0} << (hay - base);  // NULs before the text do not count
      ends &= ~uint64_t{0} << (hay + d - first);                // nor windows that start before it
    }
    if (nuls != 0) ends &= (nuls & -nuls) - 1;  // windows that end before the terminator
    for (; ends != 0; ends &= ends - 1) {
      if (check.ends_at(e + lowest(ends) - d, e)) return check.found;
    }
    if (nuls != 0) return -1;
    e = scan.next_block(e + 64, pattern, mid, d, &ends, &nuls);
  }
}

}  // namespace

int64_t str_find_with(const char* hay, const char* needle, const find_scan& scan) {
  if (hay == nullptr || needle == nullptr) return -1;
  const int64_t nl = str_len(needle);
  if (nl == 0) return 0;
  if (nl == 1) return scan.find_byte(hay, needle[0]);
  return find_long(reinterpret_cast<const byte*>(hay), reinterpret_cast<const byte*>(needle), nl, scan);
}

namespace {

// The text is read in aligned pieces that hold some of its bytes, so no read can fault; the
// bytes such a piece holds past the terminator (or before the text) are outside the string's
// object all the same, which AddressSanitizer, checking objects rather than pages, would
// report: it is kept out of the routines below.
#define KIVO_READS_WHOLE_PIECES __attribute__((no_sanitize("address")))

KIVO_READS_WHOLE_PIECES inline __m128i load_aligned(const byte* p) { return _mm_load_si128(reinterpret_cast<const __m128i*>(p)); }
KIVO_READS_WHOLE_PIECES inline __m128i load16(const byte* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
inline uint64_t bits16(__m128i v, int k) { return static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(v))) << (16 * k); }

KIVO_READS_WHOLE_PIECES uint64_t equal_bits(const byte* p, byte c) {
  const __m128i want = _mm_set1_epi8(static_cast<char>(c));
  uint64_t bits = 0;
  for (int k = 0; k < 4; ++k) bits |= bits16(_mm_cmpeq_epi8(load_aligned(p + 16 * k), want), k);
  return bits;
}

KIVO_READS_WHOLE_PIECES bool nul_free(const byte* from, const byte* to) {
  const uintptr_t skip = reinterpret_cast<uintptr_t>(from) & 63;
  const byte* p = from - skip;
  if (p >= to) return true;
  if ((equal_bits(p, 0) >> skip) != 0) return false;
  for (p += 64; p < to; p += 64) {
    const __m128i least = _mm_min_epu8(_mm_min_epu8(load_aligned(p), load_aligned(p + 16)),
                                       _mm_min_epu8(load_aligned(p + 32), load_aligned(p + 48)));
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(least, _mm_setzero_si128())) != 0) return false;
  }
  return true;
}

// A byte x is c or NUL exactly when the smaller of x ^ c and x is 0.
KIVO_READS_WHOLE_PIECES inline __m128i stop16(const byte* p, __m128i want) {
  const __m128i x = load_aligned(p);
  return _mm_min_epu8(_mm_xor_si128(x, want), x);
}

KIVO_READS_WHOLE_PIECES int64_t find_byte(const char* s, char c) {
  const auto* hay = reinterpret_cast<const byte*>(s);
  const uintptr_t skip = reinterpret_cast<uintptr_t>(hay) & 63;
  const byte* p = hay - skip;
  const __m128i want = _mm_set1_epi8(c), zero = _mm_setzero_si128();
  auto stop_bits = [&](const byte* q) KIVO_READS_WHOLE_PIECES {
    uint64_t bits = 0;
    for (int k = 0; k < 4; ++k) bits |= bits16(_mm_cmpeq_epi8(stop16(q + 16 * k, want), zero), k);
    return bits;
  };
  uint64_t bits = stop_bits(p) >> skip << skip;  // positions before the text do not count
  while (bits == 0) {
    p += 64;
    const __m128i least = _mm_min_epu8(_mm_min_epu8(stop16(p, want), stop16(p + 16, want)),
                                       _mm_min_epu8(stop16(p + 32, want), stop16(p + 48, want)));
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(least, zero)) != 0) bits = stop_bits(p);
  }
  const byte* at = p + lowest(bits);
  return *at == static_cast<byte>(c) ? at - hay : -1;
}

// The 16 windows ending at the bytes at e whose first and middle bytes pass the filter.
KIVO_READS_WHOLE_PIECES inline __m128i starts(const byte* e, int64_t d, int64_t back, __m128i first, __m128i middle) {
  return _mm_and_si128(_mm_cmpeq_epi8(load16(e - d), first), _mm_cmpeq_epi8(load16(e - back), middle));
}

// First and middle bytes for 64 windows a step, and the NULs; the last bytes only where
// some windows pass.
KIVO_READS_WHOLE_PIECES const byte* next_block(const byte* e, const byte* pattern, int64_t mid, int64_t d, uint64_t* ends,
                                               uint64_t* nuls) {
  const __m128i first = _mm_set1_epi8(static_cast<char>(pattern[0]));
  const __m128i middle = _mm_set1_epi8(static_cast<char>(pattern[mid]));
  const __m128i zero = _mm_setzero_si128();
  const int64_t back = d - mid;
  for (;; e += 64) {
    const __m128i a = starts(e, d, back, first, middle), b = starts(e + 16, d, back, first, middle);
    const __m128i f = starts(e + 32, d, back, first, middle), g = starts(e + 48, d, back, first, middle);
    const __m128i least = _mm_min_epu8(_mm_min_epu8(load_aligned(e), load_aligned(e + 16)),
                                       _mm_min_epu8(load_aligned(e + 32), load_aligned(e + 48)));
    const __m128i any = _mm_or_si128(_mm_or_si128(_mm_or_si128(a, b), _mm_or_si128(f, g)), _mm_cmpeq_epi8(least, zero));
    if (_mm_movemask_epi8(any) == 0) continue;
    *nuls = equal_bits(e, 0);
    *ends = (bits16(a, 0) | bits16(b, 1) | bits16(f, 2) | bits16(g, 3)) & equal_bits(e, pattern[d]);
    if ((*ends | *nuls) != 0) return e;
  }
}

constexpr find_scan sse2_scan{find_byte, equal_bits, nul_free, next_block};

}  // namespace

namespace sse2 {

int64_t str_find(const char* hay, const char* needle) { return str_find_with(hay, needle, sse2_scan); }

}  // namespace sse2

namespace {

int64_t find_chooser(const char* hay, const char* needle);
int64_t (*find_target)(const char*, const char*) = find_chooser;

int64_t find_chooser(const char* hay, const char* needle) {
  const int level = cpu::chosen_level();
  find_target = level == 2 ? avx512::str_find : level == 1 ? avx2::str_find : sse2::str_find;
  cpu::chose(&find_target, reinterpret_cast<void*>(find_chooser));
  return find_target(hay, needle);
}

}  // namespace

int64_t str_find(const char* hay, const char* needle) { return find_target(hay, needle); }

}  // namespace kivo
