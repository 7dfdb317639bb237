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

}  // namespace kivo
