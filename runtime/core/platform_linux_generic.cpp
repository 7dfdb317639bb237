// The Linux string length on every processor that has none of its own: the portable one.
#include "core/mem_portable.h"
#include "core/platform.h"

namespace kivo::platform {

int64_t text_len(const char* s) { return portable::text_len(s); }

}  // namespace kivo::platform
