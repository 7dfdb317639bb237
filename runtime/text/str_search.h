#pragma once
// Forward search for a pattern in a runtime string (see str_primitives.h).
#include <stdint.h>

namespace kivo {

// Index of the first occurrence of needle in hay, or -1 (also when either is null). An empty
// needle is found at 0.
int64_t str_find(const char* hay, const char* needle);
// 1 when str_find finds needle in hay, else 0.
int64_t str_contains(const char* hay, const char* needle);

}  // namespace kivo
