#include "core/time.h"

#include "core/platform.h"

namespace kivo {

int64_t time_now_ns() {
  // Wraps by design (see the header); unsigned arithmetic keeps the wrap well defined.
  return static_cast<int64_t>(static_cast<uint64_t>(platform::file_time_now()) * 100u);
}

int64_t time_now_ms() { return time_now_ns() / 1000000; }

int64_t time_now_s() { return time_now_ns() / 1000000000; }

}  // namespace kivo
