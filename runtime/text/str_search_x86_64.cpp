// str_find on SSE2. A window of the text can only hold the pattern if its first and last
// bytes are the pattern's; sixteen windows are tested at once with two comparisons, and only
// those that pass have their inner bytes compared. The text's terminator is looked for in the
// same loads, so the text is read once, with no measuring first. Should the inner comparisons
// ever outgrow a few times the text read (texts of one repeated byte, say), the rest of the
// search goes to Two-Way, which is linear whatever the input.
#include <emmintrin.h>

#include "text/str_primitives.h"
#include "text/str_search.h"
#include "text/str_two_way.h"

namespace kivo {
namespace {

using byte = unsigned char;

inline __m128i load_aligned(const byte* p) { return _mm_load_si128(reinterpret_cast<const __m128i*>(p)); }
inline __m128i load16(const byte* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
inline unsigned equal_bits(__m128i block, __m128i b) {
  return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, b)));
}
inline unsigned lowest(unsigned bits) { return static_cast<unsigned>(__builtin_ctz(bits)); }

// The text is read in aligned 16-byte blocks: an aligned block never straddles a page, and a
// block is read only when the one before it held no terminator, so every page touched holds
// bytes of the text and no read can fault. Bytes of such a block past the terminator (or
// before the text) are outside the string's object all the same, which AddressSanitizer,
// checking objects rather than pages, would report: it is kept out of these two routines.
#define KIVO_READS_WHOLE_BLOCKS __attribute__((no_sanitize("address")))

// A pattern of one byte c (not NUL).
KIVO_READS_WHOLE_BLOCKS int64_t find_byte(const byte* hay, byte c) {
  const uintptr_t skip = reinterpret_cast<uintptr_t>(hay) & 15;
  const byte* block = hay - skip;
  const __m128i want = _mm_set1_epi8(static_cast<char>(c)), zero = _mm_setzero_si128();
  unsigned keep = (0xFFFFu << skip) & 0xFFFFu;  // positions before the text do not count
  for (;; block += 16, keep = 0xFFFF) {
    const __m128i b = load_aligned(block);
    const unsigned stop = (equal_bits(b, want) | equal_bits(b, zero)) & keep;
    if (stop != 0) {
      const byte* at = block + lowest(stop);
      return *at == c ? at - hay : -1;
    }
  }
}

// Index of the first byte among [1, last) where window and pattern differ, or last.
inline int64_t inner_mismatch(const byte* window, const byte* pattern, int64_t last) {
  int64_t k = 1;
  for (; last - k >= 16; k += 16) {
    const unsigned equal = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(load16(window + k), load16(pattern + k))));
    if (equal != 0xFFFF) return k + lowest(~equal);
  }
  while (k < last && window[k] == pattern[k]) ++k;
  return k;
}

// A pattern of nl >= 2 bytes. Block t holds the first bytes of sixteen windows; their last
// bytes lie d = nl - 1 further on, in the aligned blocks `lead` and `lead + 16`, at the fixed
// offset d mod 16 into `lead`. The lead blocks run ahead of t and are checked for the
// terminator as they are read.
KIVO_READS_WHOLE_BLOCKS int64_t find_long(const byte* hay, const byte* needle, int64_t nl) {
  const int64_t d = nl - 1;
  const __m128i first = _mm_set1_epi8(static_cast<char>(needle[0]));
  const __m128i last = _mm_set1_epi8(static_cast<char>(needle[d]));
  const __m128i zero = _mm_setzero_si128();
  const uintptr_t skip = reinterpret_cast<uintptr_t>(hay) & 15;
  const unsigned shift = static_cast<unsigned>(d & 15);
  const byte* t = hay - skip;
  const byte* lead = t + (d & ~int64_t{15});
  const byte* end = nullptr;  // the terminator, once read

  // The blocks up to lead, where the first window's last byte lies.
  unsigned keep = (0xFFFFu << skip) & 0xFFFFu;
  for (const byte* p = t;; p += 16, keep = 0xFFFF) {
    const unsigned nul = equal_bits(load_aligned(p), zero) & keep;
    if (nul != 0) {
      end = p + lowest(nul);
      break;
    }
    if (p == lead) break;
  }
  // A terminator before the first window's end means a text shorter than the pattern; any
  // other lies in lead.
  if (end != nullptr && end - hay < nl) return -1;
  unsigned lead_bits = equal_bits(load_aligned(lead), last);
  if (end != nullptr) lead_bits &= (1u << (end - lead)) - 1;

  int64_t work = 0;  // inner bytes compared
  keep = (0xFFFFu << skip) & 0xFFFFu;
  for (;; t += 16, lead += 16, keep = 0xFFFF) {
    unsigned next_bits = 0;
    if (end == nullptr) {
      const __m128i b = load_aligned(lead + 16);
      next_bits = equal_bits(b, last);
      const unsigned nul = equal_bits(b, zero);
      if (nul != 0) {
        end = lead + 16 + lowest(nul);
        next_bits &= (1u << lowest(nul)) - 1;  // last bytes past the terminator are no text
      }
    }
    const unsigned window_last = ((next_bits << 16 | lead_bits) >> shift) & 0xFFFF;
    for (unsigned candidates = equal_bits(load_aligned(t), first) & window_last & keep; candidates != 0;
         candidates &= candidates - 1) {
      const byte* at = t + lowest(candidates);
      // The last byte matched a byte of the pattern, so no terminator lies inside the window.
      const int64_t k = inner_mismatch(at, needle, d);
      if (k == d) return at - hay;
      work += k;
      if (work > 2 * (at - hay) + 2 * nl + 256) {
        // Everything before `end`, or up to the end of the block after lead, holds no NUL.
        const int64_t known = (end != nullptr ? end : lead + 32) - hay;
        return str_two_way_find(reinterpret_cast<const char*>(hay), at - hay, known,
                                reinterpret_cast<const char*>(needle), nl);
      }
    }
    if (end != nullptr && t + 16 + nl > end) return -1;  // the next window would not fit
    lead_bits = next_bits;
  }
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
