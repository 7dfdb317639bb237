#pragma once
// What the files of the Linux layer share beyond platform.h: the kernel's error convention
// and the size of a memory page, which the process entry reads from the auxiliary vector.
#include <stdint.h>

#include "core/arch.h"

namespace kivo::linux_sys {

inline constexpr long err_intr = 4;
inline constexpr long err_again = 11;

// The kernel reports failure as a result between -4095 and -1.
inline bool failed(long ret) { return static_cast<unsigned long>(ret) > -4096UL; }

}  // namespace kivo::linux_sys

namespace kivo::platform {

// The system's page size in bytes, a power of two. The process entry sets it from the
// auxiliary vector; hosted programs that drive the Linux layer set it from the system before
// they use the heap. 4096 until then.
extern uint64_t linux_page_size;
inline uint64_t page_size() { return linux_page_size; }

}  // namespace kivo::platform

// The process entry behind _start: stack is the initial stack pointer (argc, then the
// argument, environment and auxiliary vectors). Records the page size and runs start.
extern "C" [[noreturn]] void linux_entry(const uint64_t* stack);
