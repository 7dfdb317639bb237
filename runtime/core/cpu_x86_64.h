#pragma once
// What an x86-64 processor offers beyond SSE2, and how the routines with faster versions for
// it choose. Each such routine jumps through a pointer that starts at a chooser: on the first
// call the chooser reads the processor (once for all of them), points the routine at its
// SSE2, AVX2 or AVX-512 code and carries the call on; every later call costs only the jump.
#include <stdint.h>

namespace kivo::cpu {

// The widest vector code that the processor has and whose registers the OS saves across
// task switches: 0 for SSE2 alone, 1 for AVX2, 2 for AVX-512 (F, BW and VL) as well. Read
// with cpuid and xgetbv on the first call.
int vector_level();

// What the choosers go by: vector_level(), or 0 while the baseline is forced.
int chosen_level();

// Whether rep movsb is the processor's fast way of moving bytes (ERMS).
bool fast_rep_movsb();

// For tests: true makes every routine run its SSE2 code from its next call on, false lets
// each choose by the processor again.
void force_baseline(bool on);

// A chooser reports its choice: slot is its routine's pointer, chooser the value that pointer
// started with, to which force_baseline sets it back.
void chose(void* slot, void* chooser);

}  // namespace kivo::cpu
