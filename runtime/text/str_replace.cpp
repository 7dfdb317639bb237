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
  [[gnu::always_inline]] int64_t step(int64_t q, char c) const {
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
[[gnu::always_inline]] inline int64_t find_byte(const char* t, int64_t from, int64_t n, char c) {
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
[[gnu::always_inline]] inline int64_t find_ends(const char* t, int64_t from, int64_t n, int64_t len,
                                                char first, char last) {
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
[[gnu::noinline]] bool rescanning_may_not_end(const char* old_text, int64_t ol, const char* new_text,
                                              int64_t nl, bool ends_in_prefix, int64_t* border) {
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

// That text, in one block. Kept apart from the rounds, whose loop is the one that counts.
[[gnu::noinline]] char* replace_forward(const matcher& m, const char* s, int64_t sl, const char* new_text,
                                        int64_t nl) {
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

// Copies k bytes, sizeof(word) <= k <= 2 * sizeof(word), as the word at the front and the one
// at the back.
template <typename word>
[[gnu::always_inline]] inline void copy_ends(char* d, const char* p, int64_t k) {
  word head, tail;
  __builtin_memcpy(&head, p, sizeof(word));
  __builtin_memcpy(&tail, p + k - sizeof(word), sizeof(word));
  __builtin_memcpy(d, &head, sizeof(word));
  __builtin_memcpy(d + k - sizeof(word), &tail, sizeof(word));
}

// The rescanning rounds. Searching again from the front after a replacement at i finds
// nothing that starts before i - len(old) + 1, since the text in front of i held no
// occurrence; so the text is read once, left to right, with the matcher:
//  - `out` holds what has been read, which holds no occurrence: final, apart from a tail that
//    a later occurrence may take;
//  - what is still to be read is a stack of pieces: suffixes new[a, nl) of the replacement,
//    kept as their offsets a (a run of equal ones as one entry), on top of the unread rest of
//    s. No replacement text is copied until it is read.
// An occurrence completes when a byte read makes `out` end with the pattern: that is the
// leftmost occurrence of the current text. It is taken off `out`, the replacement goes on top
// of the stack, and reading goes on from the state of the bytes before it, which a ring of the
// states at the last len(old) positions of `out` gives at once. Reading a whole replacement
// from a state always ends the same way, so its outcome is worked out once for each state met
// and remembered: a round whose occurrence the replacement completes costs no reading of it.
// The work is then linear in the lengths of s and of the texts appended to `out`, plus a
// constant per round. `out` starts as the string block of the one-pass result, which is the
// result whenever no occurrence forms around an insertion.
class rescanner {
 public:
  // new_state: the matcher's state after reading new_text from state 0. scratch: room for
  // 2 * len(old) states, the second half zero.
  rescanner(const matcher& m, const char* s, int64_t sl, const char* new_text, int64_t nl, int64_t new_state,
            int64_t* scratch)
      : m_(m), s_(s), sl_(sl), new_(new_text), nl_(nl), new_state_(new_state), ring_(scratch), memo_(scratch + m.n) {
    ring_[0] = 0;
  }
  // Only blocks still held: on Windows every release is a system call, even of null.
  ~rescanner() {
    if (out_ != nullptr) mem_free(out_);
    if (stack_ != inline_stack_) mem_free(stack_);
  }

  // Replaces at every occurrence until none is left; budget < 0 stands for no limit, else
  // the rounds may insert at most that many bytes in all. Null for a failed allocation or an
  // exhausted budget.
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
    out_ = str_alloc(length);
    if (out_ == nullptr) return nullptr;
    cap_ = length;
    exact_ = true;
    int64_t q = 0, inserted = 0;
    for (;;) {
      // The next piece: where it starts, how many of its bytes go to `out`, and, when an
      // occurrence completes in it, how many bytes of the occurrence it held.
      const char* piece = new_;
      int64_t kept = 0, end = 0;
      if (depth_ == 0) {
        // The rest of s. Of an occurrence that ends in it, the bytes of s are not copied.
        piece = s_ + read_;
        kept = advance(m_, piece, sl_ - read_, q);
        read_ += kept;
        if (q == m_.n) {
          end = kept < m_.n ? kept : m_.n;
          kept -= end;
        }
      } else if (const int64_t a = stack_[depth_ - 1].from; a == 0) {
        // A whole replacement: its outcome from this state is known, or found once.
        const int64_t outcome = outcome_from(q);
        if (outcome >= 0) {
          kept = nl_;
          q = outcome;
        } else {
          end = -outcome;
        }
      } else {
        // What a match left of one: read as it comes.
        piece = new_ + a;
        kept = advance(m_, piece, nl_ - a, q);
        if (q == m_.n) {
          end = kept;
          kept = 0;
        }
      }
      if (!append(piece, kept)) return nullptr;
      if (end == 0) {
        // Read whole with no occurrence; after the rest of s, nothing is left.
        if (depth_ == 0) break;
        pop();
        continue;
      }
      // An occurrence: its first len(old) - end bytes are the tail of `out`. What is left of
      // the piece that completed it stays to be read, under the replacement.
      if (depth_ > 0) {
        const int64_t rest = stack_[depth_ - 1].from + end;
        pop();
        if (rest < nl_ && !push(rest)) return nullptr;
      }
      if (budget >= 0 && (inserted += nl_) > budget) return nullptr;
      w_ -= m_.n - end;
      q = state_at(w_);
      if (q == 0) {
        // From state 0 the replacement reads as it always does, and holds no occurrence.
        if (!append(new_, nl_)) return nullptr;
        q = new_state_;
      } else if (nl_ > 0 && !push(0)) {
        return nullptr;
      }
    }
    if (exact_ && w_ == cap_) {
      char* result = out_;
      out_ = nullptr;
      return result;
    }
    char* result = str_alloc(w_);
    if (result != nullptr) str_copy_n(result, out_, w_);
    return result;
  }

 private:
  // The outcome of reading the whole replacement from state q: -k when an occurrence
  // completes at its k-th byte (one that starts in `out`, since the replacement holds none),
  // else the state after it. Once the state no longer reaches back past the replacement's
  // start, the run goes on as the one from state 0, which holds no occurrence and ends in
  // new_state. Remembered as -k or the state + 1, so that 0, as a fresh block reads, stands
  // for an outcome not yet known: the memory of states never met is never touched.
  [[gnu::always_inline]] int64_t outcome_from(int64_t q) {
    if (memo_[q] != 0) return memo_[q] < 0 ? memo_[q] : memo_[q] - 1;
    int64_t state = q, j = 0, outcome = 0;
    for (;;) {
      if (j == nl_) {
        outcome = state;
        break;
      }
      state = m_.step(state, new_[j++]);
      if (state == m_.n) {
        outcome = -j;
        break;
      }
      if (state <= j) {
        outcome = new_state_;
        break;
      }
    }
    memo_[q] = outcome < 0 ? outcome : outcome + 1;
    return outcome;
  }

  // The matcher's state after out[0, p), for p <= w. The ring holds the states at positions
  // lo_ to hi_ (at most len(old) of them), hi_'s at index at_, the others before it, wrapping
  // round. Past hi_ they are read on from there; further away, or before lo_, from state 0
  // twice len(old) - 1 bytes back, which makes the last len(old) of them exact: a state never
  // reaches back further, as `out` holds no occurrence.
  [[gnu::always_inline]] int64_t state_at(int64_t p) {
    const int64_t n = m_.n;
    if (p >= lo_ && p <= hi_) {
      at_ -= hi_ - p;
      if (at_ < 0) at_ += n;
      hi_ = p;
      return ring_[at_];
    }
    int64_t from = hi_, q = ring_[at_], exact = lo_;
    if (p < lo_ || p - hi_ >= n) {
      from = p - 2 * (n - 1) > 0 ? p - 2 * (n - 1) : 0;
      q = 0;
      exact = from == 0 ? 0 : from + n - 1;  // the first position whose state is exact
      at_ = 0;
    }
    lo_ = exact > p - (n - 1) ? exact : p - (n - 1);
    if (from >= lo_) ring_[at_] = q;
    for (int64_t i = from; i < p; ++i) {
      q = m_.step(q, out_[i]);
      if (++at_ == n) at_ = 0;
      if (i + 1 >= lo_) ring_[at_] = q;
    }
    hi_ = p;
    return q;
  }

  // Moves `out` to a block with room for k more bytes. Happens a few times a call, at most.
  [[gnu::cold]] bool grow(int64_t k) {
    if (k > INT64_MAX / 4 - w_) return false;
    const int64_t cap = w_ + k > 2 * cap_ ? w_ + k : 2 * cap_;
    char* block = static_cast<char*>(mem_alloc(cap));
    if (block == nullptr) return false;
    str_copy_n(block, out_, w_);
    mem_free(out_);
    out_ = block;
    cap_ = cap;
    exact_ = false;
    return true;
  }

  // Appends k bytes to `out`, moving it to a larger block when full.
  [[gnu::always_inline]] bool append(const char* p, int64_t k) {
    if (k > cap_ - w_ && !grow(k)) return false;
    // Most pieces are a few bytes: copied here, as two words that may overlap, rather than
    // through a call.
    char* d = out_ + w_;
    if (k > 16) {
      mem_copy(d, p, k);
    } else if (k >= 8) {
      copy_ends<uint64_t>(d, p, k);
    } else if (k >= 4) {
      copy_ends<uint32_t>(d, p, k);
    } else if (k >= 2) {
      copy_ends<uint16_t>(d, p, k);
    } else if (k == 1) {
      *d = *p;
    }
    w_ += k;
    return true;
  }

  [[gnu::always_inline]] void pop() {
    if (--stack_[depth_ - 1].count == 0) --depth_;
  }

  [[gnu::always_inline]] bool push(int64_t from) {
    if (depth_ > 0 && stack_[depth_ - 1].from == from) {
      ++stack_[depth_ - 1].count;
      return true;
    }
    if (depth_ == room_ && !grow_stack()) return false;
    stack_[depth_++] = {from, 1};
    return true;
  }

  [[gnu::cold]] bool grow_stack() {
    auto* stack = static_cast<pieces*>(mem_alloc(2 * room_ * static_cast<int64_t>(sizeof(pieces))));
    if (stack == nullptr) return false;
    mem_copy(stack, stack_, depth_ * static_cast<int64_t>(sizeof(pieces)));
    if (stack_ != inline_stack_) mem_free(stack_);
    stack_ = stack;
    room_ *= 2;
    return true;
  }

  const matcher& m_;
  const char* s_;
  int64_t sl_;
  const char* new_;
  int64_t nl_;
  int64_t new_state_;
  int64_t* ring_;
  int64_t* memo_;
  int64_t lo_ = 0, hi_ = 0, at_ = 0;
  char* out_ = nullptr;
  int64_t cap_ = 0;
  bool exact_ = false;  // out_ is the string block of the one-pass result's length
  int64_t w_ = 0;
  int64_t read_ = 0;
  struct pieces {
    int64_t from;   // new[from, nl)
    int64_t count;  // that many times over
  };
  pieces inline_stack_[8];
  pieces* stack_ = inline_stack_;
  int64_t depth_ = 0;
  int64_t room_ = 8;
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
  // The pattern's border table, then room for the rounds' states.
  int64_t stack_table[3 * table_on_stack];
  int64_t* border = stack_table;
  if (ol > table_on_stack) {
    border = static_cast<int64_t*>(mem_alloc(3 * ol * static_cast<int64_t>(sizeof(int64_t))));  // zero-filled
    if (border == nullptr) return nullptr;
  } else {
    for (int64_t i = 2 * ol; i < 3 * ol; ++i) stack_table[i] = 0;
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
    // Where the rounds may go on for ever they stop at the budget, with no result, as the
    // rounds themselves would once memory ran out.
    const bool may_not_end = rescanning_may_not_end(old_text, ol, new_text, nl, q > 0, border);
    rescanner rounds(m, s, sl, new_text, nl, q, border + ol);
    result = rounds.run(may_not_end ? budget : -1);
  }
  if (border != stack_table) mem_free(border);
  return result;
}

char* str_replace(const char* s, const char* old_text, const char* new_text) {
  return str_replace_within(s, old_text, new_text, -1);
}

}  // namespace kivo
