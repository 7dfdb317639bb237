#pragma once
// Heap blocks and raw byte routines. Every heap block comes from the platform's heap service:
// zero-filled, aligned to at least 16 bytes, and to the system's page when it is a page or
// more, released whole (on Windows an OS allocation of its own; on Linux a slot of a size class
// up to 3 KiB, a run of pages up to 1 MiB, a mapping of its own above, all recycled by the
// service). The byte routines act as one-byte loops would.
#include <stdint.h>

namespace kivo {

// New block of at least n bytes, or null when the OS refuses (n of 0 or negative, or too large).
void* mem_alloc(int64_t n);
// Releases a block from mem_alloc; null, a pointer that is no live block's base and a block
// already released are ignored. Releasing a block again after its memory has been handed out
// anew releases the new owner's block: that is the caller's error, as with any allocator.
// Returns 0, as every routine fills the result slot that compiled code gives each call.
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
