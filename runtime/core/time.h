#pragma once
// Wall clocks counted from 1601-01-01 UTC. The nanosecond count is the 100-ns file time
// times 100 in wrapping 64-bit arithmetic, so present-day readings are negative; the
// difference of two readings is still the elapsed time.
#include <stdint.h>

namespace kivo {

int64_t time_now_ns();
int64_t time_now_ms();  // time_now_ns() / 1000000, truncated toward zero
int64_t time_now_s();   // time_now_ns() / 1000000000, truncated toward zero

}  // namespace kivo
