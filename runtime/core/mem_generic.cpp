// The byte routines of every processor that has none of its own: the portable ones.
#include "core/mem.h"
#include "core/mem_portable.h"

namespace kivo {

void* mem_copy(void* dst, const void* src, int64_t n) { return portable::mem_copy(dst, src, n); }

void* mem_move(void* dst, const void* src, int64_t n) { return portable::mem_move(dst, src, n); }

int64_t mem_compare(const void* a, const void* b, int64_t n) { return portable::mem_compare(a, b, n); }

}  // namespace kivo
