// str_find a word at a time. A window of the text can only hold the pattern if it starts with
// the pattern's first byte and ends with its last: eight windows are tested for both at once,
// and only those that pass have their inner bytes compared. Should the inner comparisons ever
// outgrow a few times the text read (texts of one repeated byte, say), the rest of the search
// goes to Two-Way, which is linear whatever the input.
#include "text/str_search_portable.h"

#include "core/word_bytes.h"
#include "text/str_primitives.h"
#include "text/str_two_way.h"

namespace kivo::portable {
namespace {

using namespace word_bytes;
using byte = unsigned char;

// The text is read in aligned words: an aligned word never straddles a page, and a word is
// read only when the bytes before it held no terminator, so every page touched holds bytes of
// the text and no read can fault. Bytes of such a word before the text or past the
// terminator lie outside the string's object all the same, which AddressSanitizer, checking
// objects rather than pages, would report: it is kept out of every routine here that reads
// whole words (a routine it checks could not be inlined into one it does not).
__attribute__((no_sanitize("address"))) inline word load_word(uintptr_t at) {
  return *reinterpret_cast<const word_aligned*>(at);
}

// The first byte at p or after it that is b or NUL.
__attribute__((no_sanitize("address"))) const byte* next_stop(const byte* p, word b_repeated) {
  const uintptr_t skip = reinterpret_cast<uintptr_t>(p) & 7;
  uintptr_t at = reinterpret_cast<uintptr_t>(p) - skip;
  word w = load_word(at);
  word flags = (zero_flags(w ^ b_repeated) | zero_flags(w)) & from_offset(skip);
  while (flags == 0) {
    at += 8;
    w = load_word(at);
    if ((any_zero(w ^ b_repeated) | any_zero(w)) != 0) flags = zero_flags(w ^ b_repeated) | zero_flags(w);
  }
  return reinterpret_cast<const byte*>(at) + first_flagged(flags);
}

// Index of the first byte among [1, last) where window and pattern differ, or last. Both are
// known to hold those bytes.
int64_t inner_mismatch(const byte* window, const byte* pattern, int64_t last) {
  int64_t k = 1;
  for (; last - k >= 8; k += 8) {
    const word diff = *reinterpret_cast<const word_any*>(window + k) ^ *reinterpret_cast<const word_any*>(pattern + k);
    if (diff != 0) return k + first_flagged(diff);
  }
  while (k < last && window[k] == pattern[k]) ++k;
  return k;
}

// flags without the first flag in memory order.
inline word without_first(word flags) {
  return big_endian ? flags & ~(word{1} << (63 - __builtin_clzll(flags))) : flags & (flags - 1);
}

// A pattern of nl >= 2 bytes. The text is proven free of NUL up to a frontier, one aligned
// word at a time; while the frontier stays d + 8 bytes ahead, the eight windows that start in
// the aligned word at t are tested at once: a flag where the word's byte is the pattern's
// first byte and the byte d further on its last. Once the terminator is found, the windows
// that still fit before it are tested one by one.
__attribute__((no_sanitize("address"))) int64_t find_long(const byte* hay, const byte* needle, int64_t nl) {
  const int64_t d = nl - 1;
  const word first = repeated(needle[0]), last = repeated(needle[d]);
  const auto text = reinterpret_cast<uintptr_t>(hay);
  uintptr_t t = text & ~uintptr_t{7};
  uintptr_t frontier = t;  // the text before it holds no NUL
  const byte* end = nullptr;  // the terminator, once read
  int64_t work = 0;  // inner bytes compared
  // Whether the window at `at` holds the pattern; should the comparisons outgrow a few times
  // the text read, `found` gets Two-Way's answer for the rest of the text instead.
  int64_t found = -1;
  auto matches = [&](const byte* at) {
    const int64_t k = inner_mismatch(at, needle, d);
    if (k == d) {
      found = at - hay;
      return true;
    }
    work += k;
    if (work <= 2 * (at - hay) + 2 * nl + 256) return false;
    const int64_t known = (end != nullptr ? reinterpret_cast<uintptr_t>(end) : frontier) - text;
    found = str_two_way_find(reinterpret_cast<const char*>(hay), at - hay, known,
                             reinterpret_cast<const char*>(needle), nl);
    return true;
  };
  for (;; t += 8) {
    while (frontier < t + d + 8) {
      word nul = zero_flags(load_word(frontier));
      if (frontier < text) nul &= from_offset(text - frontier);  // NULs before the text do not count
      if (nul != 0) {
        end = reinterpret_cast<const byte*>(frontier) + first_flagged(nul);
        break;
      }
      frontier += 8;
    }
    if (end != nullptr) break;
    word flags = zero_flags(load_word(t) ^ first) & zero_flags(*reinterpret_cast<const word_any*>(t + d) ^ last);
    if (t < text) flags &= from_offset(text - t);  // windows before the text do not count
    for (; flags != 0; flags = without_first(flags)) {
      if (matches(reinterpret_cast<const byte*>(t) + first_flagged(flags))) return found;
    }
  }
  // The windows that start in the text and end before the terminator.
  for (const byte* at = hay + (t > text ? t - text : 0); at + nl <= end; ++at) {
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
  if (nl > 1) return find_long(h, n, nl);
  const byte* at = next_stop(h, repeated(n[0]));
  return *at == 0 ? -1 : at - h;
}

}  // namespace kivo::portable
