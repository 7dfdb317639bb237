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
// "b"). Where new_text contains old_text that would go on for ever: each occurrence of the
// original text is instead replaced once, left to right, the search going on after the
// inserted text ("a-b", "-" -> "--" gives "a--b"). Where new_text is longer than old_text,
// holds every byte of it, starts with a proper suffix of it and ends with a proper prefix of
// it, the rounds may go on for ever too, or end only after a great many: once they would
// insert more than str_replace_budget(length of s) bytes of new_text, the result is null, as
// the rounds themselves would end without one once memory ran out ("aab", "ab" -> "bbaa"
// never ends; "a" * 23 + "b", "ab" -> "bba" would insert 25 MB; "a" * 232 + "b", "ab" ->
// "bca" rescans to "bca" + "ca" * 231). Null when an allocation fails. Time grows linearly
// with the lengths of s, old_text, new_text and the result and with the number of rounds.
char* str_replace(const char* s, const char* old_text, const char* new_text);
// How many bytes of replacement text the rounds of str_replace may insert, for a text of
// length sl, where they may not end: 16 MiB + 256 * (sl + 1), so at least 64 * (sl + 1) rounds
// for a replacement of up to 4 bytes, and the text never outgrows sl plus that.
int64_t str_replace_budget(int64_t sl);
// str_replace with another such budget (a negative one stands for str_replace_budget).
char* str_replace_within(const char* s, const char* old_text, const char* new_text, int64_t budget);

}  // namespace kivo
