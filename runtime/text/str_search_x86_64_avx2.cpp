// str_find's reading of the text on AVX2, 32 bytes a vector; the build compiles this file alone
// with AVX2 enabled, and only processors that have it run its code. The search around it is
// the SSE2 version's (str_search_x86_64.cpp), and so are the rules: aligned pieces for every
// byte that may lie past the terminator.
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

KIVO_READS_WHOLE_PIECES inline __m256i load_aligned(const byte* p) { return _mm256_load_si256(reinterpret_cast<const __m256i*>(p)); }
KIVO_READS_WHOLE_PIECES inline __m256i load32(const byte* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
inline uint64_t bits64(__m256i lo, __m256i hi) {
  return static_cast<uint32_t>(_mm256_movemask_epi8(lo)) | static_cast<uint64_t>(static_cast<uint32_t>(_mm256_movemask_epi8(hi))) << 32;
}

KIVO_READS_WHOLE_PIECES uint64_t equal_bits(const byte* p, byte c) {
  const __m256i want = _mm256_set1_epi8(static_cast<char>(c));
  return bits64(_mm256_cmpeq_epi8(load_aligned(p), want), _mm256_cmpeq_epi8(load_aligned(p + 32), want));
}

KIVO_READS_WHOLE_PIECES bool nul_free(const byte* from, const byte* to) {
  const uintptr_t skip = reinterpret_cast<uintptr_t>(from) & 63;
  const byte* p = from - skip;
  if (p >= to) return true;
  if ((equal_bits(p, 0) >> skip) != 0) return false;
  for (p += 64; p < to; p += 64) {
    const __m256i least = _mm256_min_epu8(load_aligned(p), load_aligned(p + 32));
    if (_mm256_movemask_epi8(_mm256_cmpeq_epi8(least, _mm256_setzero_si256())) != 0) return false;
  }
  return true;
}

// A byte x is c or NUL exactly when the smaller of x ^ c and x is 0.
KIVO_READS_WHOLE_PIECES inline __m256i stop32(const byte* p, __m256i want) {
  const __m256i x = load_aligned(p);
  return _mm256_min_epu8(_mm256_xor_si256(x, want), x);
}

KIVO_READS_WHOLE_PIECES int64_t find_byte(const char* s, char c) {
  const auto* hay = reinterpret_cast<const byte*>(s);
  const uintptr_t skip = reinterpret_cast<uintptr_t>(hay) & 63;
  const byte* p = hay - skip;
  const __m256i want = _mm256_set1_epi8(c), zero = _mm256_setzero_si256();
  uint64_t bits = bits64(_mm256_cmpeq_epi8(stop32(p, want), zero), _mm256_cmpeq_epi8(stop32(p + 32, want), zero));
  bits = bits >> skip << skip;  // positions before the text do not count
  while (bits == 0) {
    p += 64;
    const __m256i a = stop32(p, want), b = stop32(p + 32, want);
    if (_mm256_movemask_epi8(_mm256_cmpeq_epi8(_mm256_min_epu8(a, b), zero)) != 0) {
      bits = bits64(_mm256_cmpeq_epi8(a, zero), _mm256_cmpeq_epi8(b, zero));
    }
  }
  const byte* at = p + __builtin_ctzll(bits);
  return *at == static_cast<byte>(c) ? at - hay : -1;
}

// The 32 windows ending at the bytes at e whose first and middle bytes pass the filter.
KIVO_READS_WHOLE_PIECES inline __m256i starts(const byte* e, int64_t d, int64_t back, __m256i first, __m256i middle) {
  return _mm256_and_si256(_mm256_cmpeq_epi8(load32(e - d), first), _mm256_cmpeq_epi8(load32(e - back), middle));
}

// First and middle bytes for 64 windows a step, and the NULs; the last bytes only where
// some windows pass.
KIVO_READS_WHOLE_PIECES const byte* next_block(const byte* e, const byte* pattern, int64_t mid, int64_t d, uint64_t* ends,
                                               uint64_t* nuls) {
  const __m256i first = _mm256_set1_epi8(static_cast<char>(pattern[0]));
  const __m256i middle = _mm256_set1_epi8(static_cast<char>(pattern[mid]));
  const __m256i zero = _mm256_setzero_si256();
  const int64_t back = d - mid;
  for (;; e += 64) {
    const __m256i x = load_aligned(e), y = load_aligned(e + 32);
    const __m256i a = starts(e, d, back, first, middle), b = starts(e + 32, d, back, first, middle);
    if (_mm256_movemask_epi8(_mm256_or_si256(_mm256_or_si256(a, b), _mm256_cmpeq_epi8(_mm256_min_epu8(x, y), zero))) == 0) continue;
    const __m256i last = _mm256_set1_epi8(static_cast<char>(pattern[d]));
    *nuls = bits64(_mm256_cmpeq_epi8(x, zero), _mm256_cmpeq_epi8(y, zero));
    *ends = bits64(_mm256_and_si256(a, _mm256_cmpeq_epi8(x, last)), _mm256_and_si256(b, _mm256_cmpeq_epi8(y, last)));
    if ((*ends | *nuls) != 0) return e;
  }
}

constexpr find_scan avx2_scan{find_byte, equal_bits, nul_free, next_block};

}  // namespace

namespace avx2 {

int64_t str_find(const char* hay, const char* needle) { return str_find_with(hay, needle, avx2_scan); }

}  // namespace avx2
}  // namespace kivo
