#pragma once
// Console output. Nothing is buffered: every piece of text is one write to standard output
// and every line end one more. All routines return 0: compiled code gives every call a result
// slot, so routines that only print still fill it.
#include <stdint.h>

namespace kivo {

// Tags of a tagged value list; any other tag marks a signed integer.
inline constexpr int64_t tag_float = 1;
inline constexpr int64_t tag_string = 2;

int64_t print_int(int64_t v);      // decimal text, then "\n"
int64_t print_int_raw(int64_t v);  // decimal text
int64_t print_line(const char* s); // s (null prints nothing), then "\n"
int64_t print_str(const char* s);  // s (null prints nothing)
int64_t print_float(double v);     // "%.6f" text
int64_t print_float_line(double v);
// values[i] printed by tags[i] (a double's bits, a string pointer or an integer), separated by
// single blanks, then "\n". A count of 0 or less prints only the newline; a positive count
// with a null values or tags array prints nothing at all.
int64_t print_value(const int64_t* values, const int64_t* tags, int64_t count);

}  // namespace kivo
