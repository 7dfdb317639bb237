// Two-Way string matching (Crochemore and Perrin). The pattern is cut at a critical point
// into a left part u and a right part v; each window is checked right part first, left to
// right, then left part. A mismatch in v shifts the window past the bytes that
// matched; a full match of v followed by a mismatch in u shifts by the pattern's period,
// remembering, when the pattern is periodic, the prefix that is known to match already. No
// text byte is compared more than a constant number of times.
#include "text/str_two_way.h"

#include "core/mem.h"

namespace kivo {
namespace {

using byte = unsigned char;

struct suffix {
  int64_t before;  // index of the byte before the maximal suffix (-1: the suffix is x itself)
  int64_t period;  // the period of that suffix
};

// The lexicographically greatest suffix of x[0, m) under the byte order, or under its reverse.
suffix maximal_suffix(const byte* x, int64_t m, bool reversed) {
  int64_t before = -1, j = 0, k = 1, period = 1;
  while (j + k < m) {
    const byte a = x[j + k], b = x[before + k];
    if (reversed ? a > b : a < b) {
      // The candidate stays greatest; its period now spans everything read after it.
      j += k;
      k = 1;
      period = j - before;
    } else if (a == b) {
      if (k != period) {
        ++k;
      } else {
        j += period;
        k = 1;
      }
    } else {
      // The suffix at j + 1 is greater: it is the new candidate.
      before = j;
      ++j;
      k = period = 1;
    }
  }
  return {before, period};
}

// Unaligned eight-byte reads that the compiler may not assume to be aligned or unaliased.
typedef uint64_t u64_any __attribute__((aligned(1), may_alias));
inline uint64_t load8(const byte* p) { return *reinterpret_cast<const u64_any*>(p); }

// How many leading bytes of a and b (n of each) agree: the first four one by one, then eight
// at a time. Most windows fail within their first bytes; found by branches, which the
// processor predicts, the next window's position need not wait for these loads, as it would
// for a position computed from their bytes.
int64_t equal_prefix(const byte* a, const byte* b, int64_t n) {
  int64_t k = 0;
  for (; k < n && k < 4; ++k) {
    if (a[k] != b[k]) return k;
  }
  for (; n - k >= 8; k += 8) {
    const uint64_t diff = load8(a + k) ^ load8(b + k);
    if (diff != 0) return k + (__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__ ? __builtin_ctzll(diff) : __builtin_clzll(diff)) / 8;
  }
  while (k < n && a[k] == b[k]) ++k;
  return k;
}

typedef uint64_t u64_word __attribute__((may_alias));

// Whether some byte of v is 0.
inline bool has_zero_byte(uint64_t v) { return ((v - 0x0101010101010101) & ~v & 0x8080808080808080) != 0; }

// The text, measured lazily: holds(n) tells whether it has at least n bytes before its
// terminator, reading a little ahead each time it must look further. It reads aligned words
// where it can: an aligned word never straddles a page, so the bytes it holds past the
// terminator cannot fault, though AddressSanitizer, which checks objects rather than pages,
// would report them; it is kept out of this routine, which therefore calls no other.
struct lazy_text {
  const byte* s;
  int64_t known;  // s[0, known) holds no NUL
  bool ended = false;

  __attribute__((no_sanitize("address"))) bool holds(int64_t n) {
    if (n <= known) return true;
    if (ended) return false;
    const int64_t target = n + 256;
    while (known < target) {
      if ((reinterpret_cast<uintptr_t>(s + known) & 7) == 0 &&
          !has_zero_byte(*reinterpret_cast<const u64_word*>(s + known))) {
        known += 8;
      } else if (s[known] != 0) {
        ++known;
      } else {
        ended = true;
        break;
      }
    }
    return n <= known;
  }
};

}  // namespace

int64_t str_two_way_find(const char* hay, int64_t from, int64_t known, const char* needle, int64_t nl,
                         int64_t (*skip)(const char* s, char c)) {
  const auto* x = reinterpret_cast<const byte*>(needle);
  const auto* y = reinterpret_cast<const byte*>(hay);
  const int64_t m = nl;
  // The critical point is the later of the two maximal suffixes: u = x[0, ell], v the rest.
  const suffix forward = maximal_suffix(x, m, false), backward = maximal_suffix(x, m, true);
  const suffix cut = forward.before > backward.before ? forward : backward;
  const int64_t ell = cut.before;
  lazy_text text{y, known};
  int64_t j = from;
  // After a mismatch at the right part's first byte the window moves one byte on; every
  // window up to the next one whose byte there matches fails the same way, so the search may
  // go straight to it, which pays once such mismatches come in a row. False when the
  // terminator comes first.
  int64_t in_a_row = 0;
  auto skip_to_next = [&]() {
    if (skip == nullptr || ++in_a_row < 8) {
      ++j;
      return true;
    }
    in_a_row = 0;
    const int64_t at = j + ell + 2;
    const int64_t t = skip(hay + at, needle[ell + 1]);
    if (t < 0) return false;
    j += t + 1;
    if (text.known < at + t + 1) text.known = at + t + 1;  // no NUL up to the byte found
    return true;
  };
  if (mem_compare(x, x + cut.period, ell + 1) == 0) {
    // u is a suffix of x[0, period + ell]: the pattern has that period, and after a shift by it
    // the first m - period bytes of the window are known to match.
    const int64_t period = cut.period;
    int64_t memory = -1;
    while (text.holds(j + m)) {
      int64_t i = (ell > memory ? ell : memory) + 1;
      i += equal_prefix(x + i, y + j + i, m - i);
      if (i < m) {
        memory = -1;
        if (i != ell + 1) {
          j += i - ell;
          in_a_row = 0;
        } else if (!skip_to_next()) {
          return -1;
        }
        continue;
      }
      // Then the left part, down to the bytes known to match (none may be left).
      if (mem_compare(x + memory + 1, y + j + memory + 1, ell - memory) == 0) return j;
      j += period;
      memory = m - period - 1;
    }
    return -1;
  }
  // Otherwise no shift shorter than the longer part plus one can be a match.
  const int64_t shift = (ell + 1 > m - ell - 1 ? ell + 1 : m - ell - 1) + 1;
  while (text.holds(j + m)) {
    const int64_t i = ell + 1 + equal_prefix(x + ell + 1, y + j + ell + 1, m - ell - 1);
    if (i < m) {
      if (i != ell + 1) {
        j += i - ell;
        in_a_row = 0;
      } else if (!skip_to_next()) {
        return -1;
      }
      continue;
    }
    if (mem_compare(x, y + j, ell + 1) == 0) return j;
    j += shift;
  }
  return -1;
}

}  // namespace kivo
