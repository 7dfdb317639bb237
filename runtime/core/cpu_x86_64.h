#pragma once
// What an x86-64 processor offers beyond SSE2, and how the routines with a faster version for
// it choose. Each such routine jumps through a pointer that starts at a chooser: on the first
// call the chooser reads the processor (once for all of them), points the routine at its SSE2
// or AVX2 code and carries the call on; every later call costs only the jump.
#include <stdint.h>

namespace kivo::cpu {

// Whether the processor has AVX2 and the OS saves the 256-bit registers across task
// switches. Read with cpuid and xgetbv on the first call.
bool avx2_usable();

// What the choosers go by: AVX2 where it is usable, unless the baseline is forced.
bool use_avx2();

// For tests: true makes every routine run its SSE2 code from its next call on, false lets
// each choose by the processor again.
void force_baseline(bool on);

// A chooser reports its choice: slot is its routine's pointer, chooser the value that pointer
// started with, to which force_baseline sets it back.
void chose(void* slot, void* chooser);

}  // namespace kivo::cpu
