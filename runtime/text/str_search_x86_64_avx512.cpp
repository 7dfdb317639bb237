// str_find's reading of the text on AVX-512, 64 bytes a vector, the compares giving their bit
// masks directly; the build compiles this file alone with AVX-512 (F and BW) enabled, and only
// processors that have it run its code. The search around it is the SSE2 version's
// (str_search_x86_64.cpp), and so are the rules: aligned pieces for every byte that may lie
// past the terminator.
#include <immintrin.h>

#include "text/str_search_x86_64.h"

namespace kivo {
namespace {

using byte = unsigned char;

// The text is read in aligned pieces that hold some of its bytes, so no read can fault; the
// bytes such a piece holds past the terminator (or before the text) are outside the string's
// object all the same, which AddressSanitizer, checking objects rather than pages, would
// report: it is kept out of the routines below.
#define KIVO_READS_WHOLE_PIECES __attribute__((no_sanitize("address")))

KIVO_READS_WHOLE_PIECES inline __m512i load_aligned(const byte* p) { return _mm512_load_si512(p); }
KIVO_READS_WHOLE_PIECES inline uint64_t nul_mask(__m512i x) { return _mm512_testn_epi8_mask(x, x); }

KIVO_READS_WHOLE_PIECES uint64_t equal_bits(const byte* p, byte c) {
  return _mm512_cmpeq_epi8_mask(load_aligned(p), _mm512_set1_epi8(static_cast<char>(c)));
}

KIVO_READS_WHOLE_PIECES bool nul_free(const byte* from, const byte* to) {
  const uintptr_t skip = reinterpret_cast<uintptr_t>(from) & 63;
  const byte* p = from - skip;
  if (p >= to) return true;
  if ((nul_mask(load_aligned(p)) >> skip) != 0) return false;
  for (p += 64; p < to; p += 64) {
    if (nul_mask(load_aligned(p)) != 0) return false;
  }
  return true;
}

KIVO_READS_WHOLE_PIECES int64_t find_byte(const char* s, char c) {
  const auto* hay = reinterpret_cast<const byte*>(s);
  const uintptr_t skip = reinterpret_cast<uintptr_t>(hay) & 63;
  const byte* p = hay - skip;
  const __m512i want = _mm512_set1_epi8(c);
  auto stops = [want](const byte* q) KIVO_READS_WHOLE_PIECES {
    const __m512i x = load_aligned(q);
    return _mm512_cmpeq_epi8_mask(x, want) | nul_mask(x);
  };
  uint64_t bits = stops(p) >> skip << skip;  // positions before the text do not count
  while (bits == 0) {
    p += 64;
    bits = stops(p);
  }
  const byte* at = p + __builtin_ctzll(bits);
  return *at == static_cast<byte>(c) ? at - hay : -1;
}

// First and middle bytes for 64 windows a step, and the NULs; the last bytes only where
// some windows pass.
KIVO_READS_WHOLE_PIECES const byte* next_block(const byte* e, const byte* pattern, int64_t mid, int64_t d, uint64_t* ends,
                                               uint64_t* nuls) {
  const __m512i first = _mm512_set1_epi8(static_cast<char>(pattern[0]));
  const __m512i middle = _mm512_set1_epi8(static_cast<char>(pattern[mid]));
  const int64_t back = d - mid;
  for (;; e += 64) {
    const __m512i x = load_aligned(e);
    const uint64_t starts = _mm512_mask_cmpeq_epi8_mask(_mm512_cmpeq_epi8_mask(_mm512_loadu_si512(e - d), first),
                                                        _mm512_loadu_si512(e - back), middle);
    const uint64_t nul = nul_mask(x);
    if ((starts | nul) == 0) continue;
    *nuls = nul;
    *ends = _mm512_mask_cmpeq_epi8_mask(starts, x, _mm512_set1_epi8(static_cast<char>(pattern[d])));
    if ((*ends | *nuls) != 0) return e;
  }
}

constexpr find_scan avx512_scan{find_byte, equal_bits, nul_free, next_block};

}  // namespace

namespace avx512 {

int64_t str_find(const char* hay, const char* needle) { return str_find_with(hay, needle, avx512_scan); }

}  // namespace avx512
}  // namespace kivo
