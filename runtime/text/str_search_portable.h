#pragma once
// str_find a 64-bit word at a time in plain C++, for every processor without a vector search
// of its own (str_search_generic.cpp makes it the public str_find there). Same contract and
// results as str_find in str_search.h, in either byte order. Built on x86-64 too, so that its
// tests check it.
#include <stdint.h>

namespace kivo::portable {

int64_t str_find(const char* hay, const char* needle);

}  // namespace kivo::portable
