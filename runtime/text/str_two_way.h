#pragma once
// Two-Way string matching: the first occurrence of a pattern in time linear in the text and
// the pattern, with constant space, whatever the bytes. str_find turns to it when the text
// makes its fast filter pass too many candidates.
#include <stdint.h>

namespace kivo {

// Index of the first occurrence of needle (nl >= 1 bytes, no NUL among them) in the runtime
// string hay at index from or later, or -1. The first `known` bytes of hay are known to hold
// no NUL (known may be 0); the rest is read only as far as the search gets, never past the
// terminator. skip, when given, finds the first byte c at or after s (-1 when the terminator
// comes first): where a window fails at its right part's first byte, the search moves with
// it straight to the next window in which that byte can match.
int64_t str_two_way_find(const char* hay, int64_t from, int64_t known, const char* needle, int64_t nl,
                         int64_t (*skip)(const char* s, char c) = nullptr);

}  // namespace kivo
