#pragma once
// The byte routines' versions for x86-64: SSE2, which every such processor has, AVX2, and
// AVX-512 for the moves. Each gives exactly what the public routine of the same name must
// give (core/mem.h, and platform::text_len for text_len), on every input; the public
// routines run one of them, as the processor allows (core/cpu_x86_64.h). Tests call them
// directly to check each.
#include <stdint.h>

namespace kivo::sse2 {

void* mem_copy(void* dst, const void* src, int64_t n);
void* mem_move(void* dst, const void* src, int64_t n);
int64_t mem_compare(const void* a, const void* b, int64_t n);
// Bytes before the NUL of s; 0 for null. Reads whole aligned pieces, never a page past the
// terminator's.
int64_t text_len(const char* s);

}  // namespace kivo::sse2

namespace kivo::avx2 {

void* mem_copy(void* dst, const void* src, int64_t n);
void* mem_move(void* dst, const void* src, int64_t n);
int64_t mem_compare(const void* a, const void* b, int64_t n);
int64_t text_len(const char* s);

}  // namespace kivo::avx2

namespace kivo::avx512 {

void* mem_copy(void* dst, const void* src, int64_t n);
void* mem_move(void* dst, const void* src, int64_t n);

}  // namespace kivo::avx512
