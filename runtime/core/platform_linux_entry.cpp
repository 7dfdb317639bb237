// The Linux process entry: what the architecture's _start hands over to. It takes the page
// size from the auxiliary vector, since kernels run with 4, 16 or 64 KiB pages, and the heap
// must never hand the system an address off its page grid.
#include "core/platform_linux.h"
#include "core/start.h"

namespace {

constexpr uint64_t aux_end = 0;
constexpr uint64_t aux_page_size = 6;

}  // namespace

extern "C" void linux_entry(const uint64_t* stack) {
  const uint64_t argc = stack[0];
  const uint64_t* p = stack + 1 + argc + 1;  // past the arguments and their null
  while (*p != 0) ++p;                       // past the environment
  for (++p; p[0] != aux_end; p += 2) {
    if (p[0] == aux_page_size) kivo::platform::linux_page_size = p[1];
  }
  kivo::start();
}
