#pragma once
// Heap blocks and raw byte routines. Every heap block comes from the platform's heap service:
// zero-filled, page-aligned, never sharing a page with another block, released whole (on
// Windows an OS allocation of its own; on Linux a run of pages the service recycles). The
// byte routines act as one-byte loops would.
#include <stdint.h>

namespace kivo {

// New block of at least n bytes, or null when the OS refuses (n of 0 or negative, or too large).
void* mem_alloc(int64_t n);
// Releases a block from mem_alloc; null or a pointer that is no block base is ignored. Returns
// 0, as every routine fills the result slot that compiled code gives each call.
int64_t mem_free(void* p);
// The byte routines read and write nothing when n is 0 or less.
// Copies n bytes as a forward loop of one byte at a time would, overlap included: when dst
// starts inside the source, d bytes on, the first d source bytes repeat to the end. Returns dst.
void* mem_copy(void* dst, const void* src, int64_t n);
// Copies n bytes so that any overlap comes out right. Returns dst.
void* mem_move(void* dst, const void* src, int64_t n);
// 0 when the first n bytes agree, else the difference of the first unequal bytes (unsigned).
int64_t mem_compare(const void* a, const void* b, int64_t n);

}  // namespace kivo
