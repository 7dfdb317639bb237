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
// have searched more than 64 KiB + 16 * (length of s + 1) * (length of new_text + 1) bytes
// without coming to an end ("aab", "ab" -> "bbaa" gives "abbaa", while "aab", "ab" -> "bca"
// still rescans to "bcaca"). Null when an allocation fails.
char* str_replace(const char* s, const char* old_text, const char* new_text);

}  // namespace kivo
