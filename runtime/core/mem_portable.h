#pragma once
// The byte routines and the string length, a 64-bit word at a time in plain C++, for every
// processor without vector routines of its own (mem_generic.cpp and
// platform_linux_generic.cpp make them the public ones there). They keep the contracts of
// mem.h and of platform.h's text_len, and give on every input, in either byte order, exactly
// what the one-byte loops give. Built on x86-64 too, so that its tests check them.
#include <stdint.h>

namespace kivo::portable {

void* mem_copy(void* dst, const void* src, int64_t n);
void* mem_move(void* dst, const void* src, int64_t n);
int64_t mem_compare(const void* a, const void* b, int64_t n);
int64_t text_len(const char* s);

}  // namespace kivo::portable
