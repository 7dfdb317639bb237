// Two-Way string matching (Crochemore and Perrin). The pattern is cut at a critical point
// into a left part u and a right part v; each window is checked right part first, left to
// right, then left part, right to left. A mismatch in v shifts the window past the bytes that
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

// The text, measured lazily: holds(n) tells whether it has at least n bytes before its
// terminator, reading a little ahead each time it must look further.
struct lazy_text {
  const byte* s;
  int64_t known;  // s[0, known) holds no NUL
  bool ended = false;

  bool holds(int64_t n) {
    if (n <= known) return true;
    if (ended) return false;
    const int64_t target = n + 256;
    while (known < target) {
      if (s[known] == 0) {
        ended = true;
        break;
      }
      ++known;
    }
    return n <= known;
  }
};

}  // namespace

int64_t str_two_way_find(const char* hay, int64_t from, int64_t known, const char* needle, int64_t nl) {
  const auto* x = reinterpret_cast<const byte*>(needle);
  const auto* y = reinterpret_cast<const byte*>(hay);
  const int64_t m = nl;
  // The critical point is the later of the two maximal suffixes: u = x[0, ell], v the rest.
  const suffix forward = maximal_suffix(x, m, false), backward = maximal_suffix(x, m, true);
  const suffix cut = forward.before > backward.before ? forward : backward;
  const int64_t ell = cut.before;
  lazy_text text{y, known};
  int64_t j = from;
  if (mem_compare(x, x + cut.period, ell + 1) == 0) {
    // u is a suffix of x[0, period + ell]: the pattern has that period, and after a shift by it
    // the first m - period bytes of the window are known to match.
    const int64_t period = cut.period;
    int64_t memory = -1;
    while (text.holds(j + m)) {
      int64_t i = (ell > memory ? ell : memory) + 1;
      while (i < m && x[i] == y[i + j]) ++i;
      if (i < m) {
        j += i - ell;
        memory = -1;
        continue;
      }
      i = ell;
      while (i > memory && x[i] == y[i + j]) --i;
      if (i <= memory) return j;
      j += period;
      memory = m - period - 1;
    }
    return -1;
  }
  // Otherwise no shift shorter than the longer part plus one can be a match.
  const int64_t shift = (ell + 1 > m - ell - 1 ? ell + 1 : m - ell - 1) + 1;
  while (text.holds(j + m)) {
    int64_t i = ell + 1;
    while (i < m && x[i] == y[i + j]) ++i;
    if (i < m) {
      j += i - ell;
      continue;
    }
    i = ell;
    while (i >= 0 && x[i] == y[i + j]) --i;
    if (i < 0) return j;
    j += shift;
  }
  return -1;
}

}  // namespace kivo
