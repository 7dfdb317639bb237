#include "core/start.h"

#include "core/platform.h"

namespace kivo {

extern "C" void start() { platform::exit_process(static_cast<uint32_t>(kivo_main())); }

}  // namespace kivo
