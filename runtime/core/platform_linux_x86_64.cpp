// The Linux string length on SSE2 (Windows measures with lstrlenA).
#include <emmintrin.h>

#include "core/platform.h"

namespace kivo::platform {

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

}  // namespace kivo::platform
