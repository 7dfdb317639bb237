#pragma once
// Replacing the first or every occurrence of a pattern; each result is a new string block
// (see str_primitives.h).
#include <stdint.h>

namespace kivo {

// The first occurrence of old_text replaced by new_text (null counts as empty); a copy of s
// when old_text is null or absent; new_text in front when old_text is empty. Null when any
// piece cannot be allocated: a result with text missing is never returned.
char* str_replace_first(const char* s, const char* old_text, const char* new_text);
// Every occurrence replaced; a copy of s for a null or empty old_text. After each
// replacement the search starts again at the front of the new text, so an occurrence that
// the inserted text forms with its surroundings is replaced too ("aab", "ab" -> "b" gives
// "b"). Where that would go on forever, each occurrence of the original text is instead
// replaced once, left to right, the search going on after the inserted text: always when
// new_text contains old_text, and when new_text is longer than old_text, holds every byte of
// it, starts with a proper suffix of it, ends with a proper prefix of it, and the rounds
// would insert more than str_replace_budget(length of s) bytes of new_text without coming to
// an end ("aab", "ab" -> "bbaa" gives "abbaa", while "a" * 232 + "b", "ab" -> "bca" still
// rescans to "bca" + "ca" * 231). Null when an allocation fails. Time grows with the lengths
// of s and of the result and with the rounds times the lengths of old_text and new_text.
char* str_replace(const char* s, const char* old_text, const char* new_text);
// How many bytes of replacement text the rounds of str_replace may insert, for a text of
// length sl, where they may not end: 16 MiB + 256 * (sl + 1), so at least 64 * (sl + 1) rounds
// for a replacement of up to 4 bytes, and the text never outgrows sl plus that.
int64_t str_replace_budget(int64_t sl);
// str_replace with another such budget (a negative one stands for str_replace_budget).
char* str_replace_within(const char* s, const char* old_text, const char* new_text, int64_t budget);

}  // namespace kivo
