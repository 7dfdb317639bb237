// Placeholders so that the showcase links before the text routines land; removed with them.
#include "text/str.h"

namespace kivo {
int64_t str_len(const char*) { return 0; }
char* str_alloc(int64_t) { return nullptr; }
int64_t str_copy_n(char*, const char*, int64_t) { return 0; }
char* str_dup(const char*) { return nullptr; }
char* str_concat(const char*, const char*) { return nullptr; }
char* str_concat3(const char*, const char*, const char*) { return nullptr; }
int64_t str_find(const char*, const char*) { return -1; }
int64_t str_contains(const char*, const char*) { return 0; }
char* str_substring(const char*, int64_t, int64_t) { return nullptr; }
char* str_trim(const char*) { return nullptr; }
char* str_upper(const char*) { return nullptr; }
char* str_replace_first(const char*, const char*, const char*) { return nullptr; }
char* str_replace(const char*, const char*, const char*) { return nullptr; }
}  // namespace kivo
