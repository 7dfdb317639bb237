// Heap blocks; the byte routines are in mem_x86_64.cpp on x86-64 and in mem_generic.cpp (the
// portable ones) elsewhere.
#include "core/mem.h"

#include "core/platform.h"

namespace kivo {

void* mem_alloc(int64_t n) { return platform::block_alloc(static_cast<uint64_t>(n)); }

int64_t mem_free(void* p) {
  platform::block_free(p);
  return 0;
}

}  // namespace kivo
