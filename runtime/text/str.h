#pragma once
// Runtime strings: NUL-terminated bytes, no stored length. Null stands for "no string":
// measuring and joining treat it as empty. Every string a routine returns is a new heap
// block of exactly length + 1 bytes that the caller releases with mem_free, even when its
// text equals an input; inputs are never changed or released. A failed allocation gives null.
#include <stdint.h>

namespace kivo {

// Bytes before the NUL; 0 for null. Counted by the platform: a 64-bit count on Linux,
// lstrlenA (so below 2^31) on Windows.
int64_t str_len(const char* s);
// New block of n + 1 bytes with byte n set to NUL; the caller fills bytes 0 to n - 1.
char* str_alloc(int64_t n);
// Copies n bytes (no terminator) and returns n; 0 and no copy for a null pointer or n <= 0.
int64_t str_copy_n(char* dst, const char* src, int64_t n);
char* str_dup(const char* s);
char* str_concat(const char* a, const char* b);
char* str_concat3(const char* a, const char* b, const char* c);

// Index of the first occurrence of needle in hay, or -1. An empty needle is found at 0.
int64_t str_find(const char* hay, const char* needle);
int64_t str_contains(const char* hay, const char* needle);
// Bytes start to end - 1 after clamping both into the string; a negative end means "to the end".
char* str_substring(const char* s, int64_t start, int64_t end);
// Without leading and trailing blanks, tabs, line feeds and carriage returns.
char* str_trim(const char* s);
// a to z upper-cased, every other byte as it is.
char* str_upper(const char* s);
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
