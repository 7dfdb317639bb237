#pragma once
// Runtime strings: NUL-terminated bytes, no stored length. Null stands for "no string":
// measuring and joining treat it as empty. Every string a routine returns is a new heap
// block of exactly length + 1 bytes that the caller releases with mem_free, even when its
// text equals an input; inputs are never changed or released. A failed allocation gives null.
#include <stdint.h>

namespace kivo {

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
char* str_replace_first(const char* s, const char* old_text, const char* new_text);
char* str_replace(const char* s, const char* old_text, const char* new_text);

}  // namespace kivo
