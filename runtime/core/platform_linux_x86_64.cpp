// The Linux string length on x86-64: the SSE2 or AVX2 scan of core/mem_x86_64.h, as the
// processor allows (Windows measures with lstrlenA).
#include "core/cpu_x86_64.h"
#include "core/mem_x86_64.h"
#include "core/platform.h"

namespace kivo::platform {
namespace {

int64_t len_chooser(const char* s);
int64_t (*len_target)(const char*) = len_chooser;

int64_t len_chooser(const char* s) {
  len_target = cpu::chosen_level() != 0 ? avx2::text_len : sse2::text_len;
  cpu::chose(&len_target, reinterpret_cast<void*>(len_chooser));
  return len_target(s);
}

}  // namespace

int64_t text_len(const char* s) { return len_target(s); }

}  // namespace kivo::platform
