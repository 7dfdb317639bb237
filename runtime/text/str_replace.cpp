// Replacing the first or every occurrence of a pattern.
#include "text/str_replace.h"

#include "core/mem.h"
#include "text/str_edit.h"
#include "text/str_primitives.h"
#include "text/str_search.h"

namespace kivo {
namespace {

bool same_bytes(const char* a, const char* b, int64_t n) {
  for (int64_t i = 0; i < n; ++i) {
    if (a[i] != b[i]) return false;
  }
  return true;
}

// Whether the first k bytes of b, for some k from 1 to the length of a minus 1, are the last
// k bytes of a: a proper suffix of a starts b.
bool suffix_starts(const char* a, int64_t la, const char* b, int64_t lb) {
  for (int64_t k = 1; k < la && k <= lb; ++k) {
    if (same_bytes(a + la - k, b, k)) return true;
  }
  return false;
}

// Whether a proper prefix of a ends b.
bool prefix_ends(const char* a, int64_t la, const char* b, int64_t lb) {
  for (int64_t k = 1; k < la && k <= lb; ++k) {
    if (same_bytes(a, b + lb - k, k)) return true;
  }
  return false;
}

bool every_byte_occurs(const char* a, int64_t la, const char* b, int64_t lb) {
  bool seen[256] = {};
  for (int64_t j = 0; j < lb; ++j) seen[static_cast<unsigned char>(b[j])] = true;
  for (int64_t i = 0; i < la; ++i) {
    if (!seen[static_cast<unsigned char>(a[i])]) return false;
  }
  return true;
}

// Whether searching again from the front after every replacement may go on forever. It
// surely ends when:
//  - the replacement is shorter than the pattern: the text shrinks at every step;
//  - it has the pattern's length (and differs): every step moves the text the same way in
//    byte order, among finitely many texts of one length;
//  - some byte of the pattern is missing from the replacement: every occurrence then holds
//    a byte of the original text, which the replacement removes.
// For a longer replacement that does not hold the pattern, an occurrence can form only
// across an end of the inserted text, and it also ends when:
//  - no proper suffix of the pattern starts the replacement: nothing forms across the front,
//    so each occurrence lies past the previous one and uses up some of the text behind the
//    insertion, which never grows;
//  - no proper prefix of the pattern ends the replacement: nothing forms across the back,
//    so the text behind an insertion holds no occurrence beyond those it held at the start,
//    and each step either uses up one of those or moves left into text that holds none and
//    only shrinks until such a step.
// Every other case may loop, for example "ab" -> "bbaa" on "aab" ("abbaa", "bbaabaa",
// "bbabbaaaa", ... never ends), while "ab" -> "bca" on "aab" ends after two rounds. No simple
// test tells the two apart, so such calls rescan within a budget of searched bytes.
bool rescanning_may_not_end(const char* old_text, int64_t ol, const char* new_text, int64_t nl) {
  if (nl <= ol) return false;
  if (!every_byte_occurs(old_text, ol, new_text, nl)) return false;
  return suffix_starts(old_text, ol, new_text, nl) && prefix_ends(old_text, ol, new_text, nl);
}

// How many bytes of text the rescanning rounds may search, in the cases where they may not
// end, before the call gives up on them. Generous enough that every such call which ends
// within a few replacements per input byte keeps its rescanned result.
int64_t rescan_budget(int64_t sl, int64_t nl) {
  constexpr int64_t floor_bytes = int64_t{1} << 16;
  const int64_t per_byte = 16 * (nl + 1);
  if (sl + 1 > (INT64_MAX - floor_bytes) / per_byte) return INT64_MAX;
  return floor_bytes + (sl + 1) * per_byte;
}

// Index of the first occurrence of the pattern at or after from, or -1.
int64_t find_from(const char* s, int64_t sl, int64_t from, const char* p, int64_t pl) {
  for (int64_t i = from; i + pl <= sl; ++i) {
    if (same_bytes(s + i, p, pl)) return i;
  }
  return -1;
}

// Every occurrence of the original text replaced once, left to right, the search going on
// after each inserted text; built in one block.
char* replace_forward(const char* s, const char* old_text, int64_t ol, const char* new_text,
                      int64_t nl) {
  const int64_t sl = str_len(s);
  int64_t count = 0;
  for (int64_t i = find_from(s, sl, 0, old_text, ol); i >= 0; i = find_from(s, sl, i + ol, old_text, ol)) {
    ++count;
  }
  const int64_t growth = nl - ol;
  // A length beyond the signed range could never be allocated; refuse it before it wraps.
  if (count > 0 && growth > 0 && growth > (INT64_MAX - sl) / count) return nullptr;
  char* p = str_alloc(sl + count * growth);
  if (p == nullptr) return nullptr;
  int64_t read = 0;
  int64_t write = 0;
  for (int64_t i = find_from(s, sl, 0, old_text, ol); i >= 0; i = find_from(s, sl, read, old_text, ol)) {
    str_copy_n(p + write, s + read, i - read);
    write += i - read;
    str_copy_n(p + write, new_text, nl);
    write += nl;
    read = i + ol;
  }
  str_copy_n(p + write, s + read, sl - read);
  return p;
}

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

char* str_replace(const char* s, const char* old_text, const char* new_text) {
  if (s == nullptr || old_text == nullptr) return str_dup(s);
  const int64_t ol = str_len(old_text);
  if (ol == 0) return str_dup(s);
  const int64_t nl = str_len(new_text);
  // A replacement that holds the pattern brings it back in every round: rescanning never ends.
  if (str_find(new_text, old_text) >= 0) return replace_forward(s, old_text, ol, new_text, nl);
  const bool may_not_end = rescanning_may_not_end(old_text, ol, new_text, nl);
  int64_t budget = may_not_end ? rescan_budget(str_len(s), nl) : 0;
  // Each round searches the whole current text again, so occurrences that a replacement
  // forms with its surroundings are replaced too ("aab", "ab" -> "b" gives "b").
  char* result = str_dup(s);
  while (str_find(result, old_text) >= 0) {
    if (may_not_end) {
      budget -= str_len(result);
      if (budget < 0) {
        mem_free(result);
        return replace_forward(s, old_text, ol, new_text, nl);
      }
    }
    char* next = str_replace_first(result, old_text, new_text);
    mem_free(result);
    result = next;
  }
  return result;
}

}  // namespace kivo
