#pragma once
// Substring, trimming and upper-casing. Each gives a new string block (see str_primitives.h),
// even when nothing changes; null for a null s or a failed allocation.
#include <stdint.h>

namespace kivo {

// Bytes start to end - 1 after clamping both into the string; a negative end means "to the end".
char* str_substring(const char* s, int64_t start, int64_t end);
// Without leading and trailing blanks, tabs, line feeds and carriage returns.
char* str_trim(const char* s);
// a to z upper-cased, every other byte as it is.
char* str_upper(const char* s);

}  // namespace kivo
