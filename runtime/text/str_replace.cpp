// Replacing the first or every occurrence of a pattern.
#include "text/str_replace.h"

#include "core/mem.h"
#include "text/str_edit.h"
#include "text/str_primitives.h"
#include "text/str_search.h"

namespace kivo {
namespace {

// Patterns up to this length keep their border table on the stack; longer ones take a block.
constexpr int64_t table_on_stack = 64;

// Border table of a pattern p of length n, read forwards or backwards: border[k], for k from
// 1 to n - 1, is the length of the longest proper prefix of p[0..k) that is also its suffix.
template <bool backwards>
void build_borders(const char* p, int64_t n, int64_t* border) {
  auto at = [&](int64_t i) { return backwards ? p[n - 1 - i] : p[i]; };
  if (n > 1) border[1] = 0;
  int64_t k = 0;
  for (int64_t i = 1; i + 1 < n; ++i) {
    while (k > 0 && at(i) != at(k)) k = border[k];
    if (at(i) == at(k)) ++k;
    border[i + 1] = k;
  }
}

// The pattern as an automaton whose state is the length of the longest suffix of the text
// read so far that is a prefix of the pattern; the state reaches n where an occurrence ends.
struct matcher {
  const char* p;
  int64_t n;
  const int64_t* border;

  // The state after byte c, from a state below n.
  int64_t step(int64_t q, char c) const {
    while (q > 0 && p[q] != c) q = border[q];
    return p[q] == c ? q + 1 : q;
  }
};

constexpr uint64_t ones = 0x0101010101010101u;
constexpr uint64_t lows = 0x7F7F7F7F7F7F7F7Fu;

// Bytes equal to a byte c, spread over a word, become zero in word ^ (ones * c); this flags
// exactly the zero bytes of x, each with its high bit.
inline uint64_t zero_bytes(uint64_t x) { return ~(((x & lows) + lows) | x | lows); }

// Memory offset of the first flagged byte of a nonzero word of flags.
inline int64_t first_flag(uint64_t flags) {
  if constexpr (__BYTE_ORDER__ == __ORDER_BIG_ENDIAN__) return __builtin_clzll(flags) / 8;
  return __builtin_ctzll(flags) / 8;
}

inline uint64_t load_word(const char* p) {
  uint64_t word;
  __builtin_memcpy(&word, p, 8);
  return word;
}

// Index of the first byte equal to c in t[from..n), or n, eight bytes a step.
int64_t find_byte(const char* t, int64_t from, int64_t n, char c) {
  const uint64_t spread = ones * static_cast<unsigned char>(c);
  int64_t i = from;
  for (; i + 8 <= n; i += 8) {
    const uint64_t zero = zero_bytes(load_word(t + i) ^ spread);
    if (zero != 0) return i + first_flag(zero);
  }
  while (i < n && t[i] != c) ++i;
  return i;
}

// The first start at or after from, among those whose window t[i..i + len) lies in t[0..n),
// where the window's first and last bytes are first and last; else n - len + 1 (or from, if
// larger). No occurrence of a pattern with those end bytes starts at the starts skipped.
// Eight starts a step, reading the words at i and at i + len - 1.
int64_t find_ends(const char* t, int64_t from, int64_t n, int64_t len, char first, char last) {
  const uint64_t spread_first = ones * static_cast<unsigned char>(first);
  const uint64_t spread_last = ones * static_cast<unsigned char>(last);
  const int64_t d = len - 1;
  int64_t i = from;
  for (; i + d + 8 <= n; i += 8) {
    const uint64_t x = (load_word(t + i) ^ spread_first) | (load_word(t + i + d) ^ spread_last);
    const uint64_t zero = zero_bytes(x);
    if (zero != 0) return i + first_flag(zero);
  }
  for (; i + d < n; ++i) {
    if (t[i] == first && t[i + d] == last) return i;
  }
  return i;
}

// Runs the matcher over t[0..n) from state q. Returns how many bytes it read: up to the end of
// the first occurrence it completes (q is then the pattern's length), else n. In state 0 it
// skips the starts whose window lies in t and cannot hold the pattern by its end bytes (no
// partial match from there can reach past t), then the bytes that cannot start it.
int64_t advance(const matcher& m, const char* t, int64_t n, int64_t& q) {
  int64_t i = 0;
  if (n < 16) {
    // Too short to gain from skipping.
    while (i < n) {
      q = m.step(q, t[i++]);
      if (q == m.n) return i;
    }
    return n;
  }
  while (i < n) {
    if (q == 0) {
      if (i + m.n <= n) i = find_ends(t, i, n, m.n, m.p[0], m.p[m.n - 1]);
      if (i + m.n > n) i = find_byte(t, i, n, m.p[0]);
      if (i == n) break;
      q = 1;
    } else {
      q = m.step(q, t[i]);
    }
    ++i;
    if (q == m.n) return i;
  }
  return n;
}

// Whether every byte of a occurs in b.
bool every_byte_occurs(const char* a, int64_t la, const char* b, int64_t lb) {
  bool seen[256] = {};
  for (int64_t j = 0; j < lb; ++j) seen[static_cast<unsigned char>(b[j])] = true;
  for (int64_t i = 0; i < la; ++i) {
    if (!seen[static_cast<unsigned char>(a[i])]) return false;
  }
  return true;
}

// Whether a proper suffix of the pattern starts t: reading both backwards, whether a proper
// prefix of the reversed pattern ends the reversed t. border holds the reversed pattern's
// table, and t must not contain the pattern.
bool suffix_starts(const char* p, int64_t n, const int64_t* border, const char* t, int64_t lt) {
  int64_t q = 0;
  for (int64_t j = lt - 1; j >= 0; --j) {
    while (q > 0 && p[n - 1 - q] != t[j]) q = border[q];
    if (p[n - 1 - q] == t[j]) ++q;
  }
  return q > 0;
}

// Whether searching again from the front after every replacement may go on forever, for a
// replacement that does not hold the pattern. It surely ends when:
//  - the replacement is shorter than the pattern: the text shrinks at every step;
//  - it has the pattern's length (and differs): every step moves the text the same way in
//    byte order, among finitely many texts of one length;
//  - some byte of the pattern is missing from the replacement: every occurrence then holds
//    a byte of the original text, which the replacement removes.
// For a longer replacement, an occurrence can form only across an end of the inserted text,
// and it also ends when:
//  - no proper suffix of the pattern starts the replacement: nothing forms across the front,
//    so each occurrence lies past the previous one and uses up some of the text behind the
//    insertion, which never grows;
//  - no proper prefix of the pattern ends the replacement (ends_in_prefix false): nothing forms
//    across the back, so the text behind an insertion holds no occurrence beyond those it held
//    at the start, and each step either uses up one of those or moves left into text that
//    holds none and only shrinks until such a step.
// Every other case may loop, for example "ab" -> "bbaa" on "aab" ("abbaa", "bbaabaa",
// "bbabbaaaa", ... never ends), while "ab" -> "bca" on "aab" ends after two rounds. No simple
// test tells the two apart, so such calls rescan within a budget. border holds the pattern's
// table; it is used as scratch room and rebuilt.
bool rescanning_may_not_end(const char* old_text, int64_t ol, const char* new_text, int64_t nl,
                            bool ends_in_prefix, int64_t* border) {
  if (nl <= ol || !ends_in_prefix) return false;
  if (!every_byte_occurs(old_text, ol, new_text, nl)) return false;
  build_borders<true>(old_text, ol, border);
  const bool starts_with_suffix = suffix_starts(old_text, ol, border, new_text, nl);
  build_borders<false>(old_text, ol, border);
  return starts_with_suffix;
}

// Length of the text with every occurrence of the original replaced once, left to right, the
// search going on after each occurrence: -1 if it is beyond the signed range, which could
// never be allocated. first_end is where the first occurrence ends, or 0 for none.
int64_t forward_length(const matcher& m, const char* s, int64_t sl, int64_t nl, int64_t& first_end) {
  int64_t count = 0;
  first_end = 0;
  for (int64_t at = 0, q = 0; at < sl; q = 0) {
    at += advance(m, s + at, sl - at, q);
    if (q != m.n) break;
    if (count++ == 0) first_end = at;
  }
  const int64_t growth = nl - m.n;
  if (count > 0 && growth > 0 && growth > (INT64_MAX - sl) / count) return -1;
  return sl + count * growth;
}

// That text, in one block.
char* replace_forward(const matcher& m, const char* s, int64_t sl, const char* new_text, int64_t nl) {
  int64_t first_end = 0;
  const int64_t length = forward_length(m, s, sl, nl, first_end);
  if (length < 0) return nullptr;
  char* p = str_alloc(length);
  if (p == nullptr) return nullptr;
  int64_t write = 0;
  for (int64_t at = 0, q = 0; at < sl; q = 0) {
    const int64_t k = advance(m, s + at, sl - at, q);
    const int64_t kept = q == m.n ? k - m.n : k;
    str_copy_n(p + write, s + at, kept);
    write += kept;
    at += k;
    if (q == m.n) {
      str_copy_n(p + write, new_text, nl);
      write += nl;
    }
  }
  return p;
}

// The rescanning rounds in one work block. Searching again from the front after a
// replacement at i finds nothing that starts before i - len(old) + 1, since the text in front
// of i held no occurrence; so the text is read once, left to right, into `out`, the inserted
// text waiting to be read in front of the rest of s. The block holds the text in two runs:
//   [0, w)      what has been read: final, apart from its last len(old) - 1 bytes;
//   [r, cap)    replacement text still to be read, in order; the unread rest of s follows it.
// An occurrence completes when a byte read makes `out` end with the pattern: that is the
// leftmost occurrence of the current text. It is taken off `out`, the replacement goes in
// front of what is still to be read, and reading goes on from the state of the bytes before
// it. The block starts as the string block of the one-pass result, which is the result
// whenever no occurrence forms around an insertion, and grows when the runs would meet.
class rescanner {
 public:
  // new_state: the matcher's state after reading new_text from state 0.
  rescanner(const matcher& m, const char* s, int64_t sl, const char* new_text, int64_t nl, int64_t new_state)
      : m_(m), s_(s), sl_(sl), new_(new_text), nl_(nl), new_state_(new_state) {}
  // Only a block still held: on Windows every release is a system call, even of null.
  ~rescanner() {
    if (block_ != nullptr) mem_free(block_);
  }

  // Replaces at every occurrence until none is left; budget < 0 stands for no limit, else
  // the rounds may insert at most that many bytes in all. Null for a failed allocation or an
  // exhausted budget (gave_up() tells which).
  char* run(int64_t budget) {
    int64_t first_end = 0;
    int64_t length = sl_;
    if (nl_ == m_.n) {
      int64_t q = 0;
      first_end = advance(m_, s_, sl_, q);
      if (q != m_.n) first_end = 0;
    } else {
      length = forward_length(m_, s_, sl_, nl_, first_end);
    }
    if (first_end == 0) return str_dup(s_);
    if (length < 0) return nullptr;
    block_ = str_alloc(length);
    if (block_ == nullptr) return nullptr;
    cap_ = length;
    exact_ = true;
    // Up to the first occurrence the text is s itself.
    str_copy_n(block_, s_, first_end - m_.n);
    w_ = first_end - m_.n;
    r_ = cap_;
    read_ = first_end;
    int64_t inserted = 0;
    for (;;) {
      if (budget >= 0 && (inserted += nl_) > budget) {
        gave_up_ = true;
        return nullptr;
      }
      // No occurrence starts in `out`, so its state lies within its last len(old) - 1 bytes.
      int64_t q = 0;
      for (int64_t i = w_ < m_.n - 1 ? 0 : w_ - (m_.n - 1); i < w_; ++i) q = m_.step(q, block_[i]);
      // From state 0 the replacement reads as it always does, and holds no occurrence: it
      // goes straight to `out`. Else it waits to be read in front of the rest.
      if (!make_room(nl_)) return nullptr;
      if (q == 0) {
        str_copy_n(block_ + w_, new_, nl_);
        w_ += nl_;
        q = new_state_;
      } else {
        r_ -= nl_;
        str_copy_n(block_ + r_, new_, nl_);
      }
      const int8_t found = read_to_next(q);
      if (found < 0) return nullptr;
      if (found == 0) break;
    }
    if (exact_ && w_ == cap_) {
      char* result = block_;
      block_ = nullptr;
      return result;
    }
    char* result = str_alloc(w_);
    if (result != nullptr) str_copy_n(result, block_, w_);
    return result;
  }

  bool gave_up() const { return gave_up_; }

 private:
  // Makes the gap between the runs at least `room` bytes, moving them to a larger block.
  bool make_room(int64_t room) {
    if (r_ - w_ >= room) return true;
    const int64_t pending = cap_ - r_;
    if (room > INT64_MAX / 4 - w_ - pending) return false;
    const int64_t need = w_ + pending + room;
    const int64_t cap = need > 2 * cap_ ? need : 2 * cap_;
    char* block = static_cast<char*>(mem_alloc(cap));
    if (block == nullptr) return false;
    str_copy_n(block, block_, w_);
    str_copy_n(block + cap - pending, block_ + r_, pending);
    mem_free(block_);
    block_ = block;
    r_ = cap - pending;
    cap_ = cap;
    exact_ = false;
    return true;
  }

  // Reads on from state q until an occurrence completes (it is then taken off `out`: 1) or
  // the text ends (0); -1 when the block cannot grow.
  int8_t read_to_next(int64_t q) {
    if (r_ < cap_) {
      const int64_t k = advance(m_, block_ + r_, cap_ - r_, q);
      mem_move(block_ + w_, block_ + r_, k);
      w_ += k;
      r_ += k;
      if (q == m_.n) {
        w_ -= m_.n;
        return 1;
      }
    }
    const int64_t k = advance(m_, s_ + read_, sl_ - read_, q);
    // Of an occurrence that ends in s, the bytes read from s are not copied.
    const int64_t in_s = q == m_.n ? (k < m_.n ? k : m_.n) : 0;
    if (!make_room(k - in_s)) return -1;
    str_copy_n(block_ + w_, s_ + read_, k - in_s);
    w_ += k - in_s;
    read_ += k;
    if (q != m_.n) return 0;
    w_ -= m_.n - in_s;
    return 1;
  }

  const matcher& m_;
  const char* s_;
  int64_t sl_;
  const char* new_;
  int64_t nl_;
  int64_t new_state_;
  char* block_ = nullptr;
  int64_t cap_ = 0;
  bool exact_ = false;  // block_ is the string block of the one-pass result's length
  int64_t w_ = 0;
  int64_t r_ = 0;
  int64_t read_ = 0;
  bool gave_up_ = false;
};

}  // namespace

char* str_replace_first(const char* s, const char* old_text, const char* new_text) {
  const int64_t idx = str_find(s, old_text);
  if (idx < 0) return str_dup(s);
  const int64_t ol = str_len(old_text);
  char* before = str_substring(s, 0, idx);
  char* after = str_substring(s, idx + ol, str_len(s));
  // A missing piece would silently drop text from the result: fail the whole call instead.
  char* result = nullptr;
  if (before != nullptr && after != nullptr) result = str_concat3(before, new_text, after);
  mem_free(before);
  mem_free(after);
  return result;
}

int64_t str_replace_budget(int64_t sl) {
  constexpr int64_t floor_bytes = int64_t{1} << 24;
  constexpr int64_t per_byte = 256;
  constexpr int64_t largest = INT64_MAX / 4;
  if (sl < 0) sl = 0;
  if (sl >= (largest - floor_bytes) / per_byte) return largest;
  return floor_bytes + (sl + 1) * per_byte;
}

char* str_replace_within(const char* s, const char* old_text, const char* new_text, int64_t budget) {
  if (s == nullptr || old_text == nullptr) return str_dup(s);
  const int64_t ol = str_len(old_text);
  if (ol == 0) return str_dup(s);
  const int64_t sl = str_len(s);
  if (budget < 0) budget = str_replace_budget(sl);
  const int64_t nl = str_len(new_text);
  int64_t stack_table[table_on_stack];
  int64_t* border = stack_table;
  if (ol > table_on_stack) {
    border = static_cast<int64_t*>(mem_alloc(ol * static_cast<int64_t>(sizeof(int64_t))));
    if (border == nullptr) return nullptr;
  }
  build_borders<false>(old_text, ol, border);
  const matcher m{old_text, ol, border};
  // Read through the replacement: its final state tells whether it holds the pattern, or
  // else whether a proper prefix of the pattern ends it.
  int64_t q = 0;
  advance(m, new_text, nl, q);
  char* result = nullptr;
  if (q == ol) {
    // A replacement that holds the pattern brings it back in every round: rescanning never ends.
    result = replace_forward(m, s, sl, new_text, nl);
  } else {
    const bool may_not_end = rescanning_may_not_end(old_text, ol, new_text, nl, q > 0, border);
    bool gave_up = false;
    {
      rescanner rounds(m, s, sl, new_text, nl, q);
      result = rounds.run(may_not_end ? budget : -1);
      gave_up = rounds.gave_up();
    }
    if (gave_up) result = replace_forward(m, s, sl, new_text, nl);
  }
  if (border != stack_table) mem_free(border);
  return result;
}

char* str_replace(const char* s, const char* old_text, const char* new_text) {
  return str_replace_within(s, old_text, new_text, -1);
}

}  // namespace kivo
