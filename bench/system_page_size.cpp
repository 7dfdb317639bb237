// Benchmarks drive the real Linux layer from a hosted program, which the C library enters
// rather than the runtime's entry: the heap's page size is taken from the system before main.
#include <unistd.h>

#include "core/platform_linux.h"

namespace {

const bool page_size_set = [] {
  kivo::platform::linux_page_size = static_cast<uint64_t>(sysconf(_SC_PAGESIZE));
  return true;
}();

}  // namespace
