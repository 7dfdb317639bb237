#pragma once
// The only door from the runtime to the operating system. Each OS has one implementation:
// platform_windows.cpp on kernel32 and msvcrt; on Linux platform_linux.cpp (exit, clock,
// console) and platform_linux_heap.cpp (heap blocks), both on the system call stubs of the
// architecture that core/arch.h chooses. Hosted test programs link a fake one instead, which is how tests read the
// console, count live blocks and make allocations fail.
#include <stdint.h>

#include "core/float_format.h"

namespace kivo::platform {

// Ends the process with this exit code; never returns.
[[noreturn]] void exit_process(uint32_t code);

// A fresh, zero-filled, read-write region of at least n bytes, aligned to 16 bytes and, when
// n is a page or more, to the system's page; null when the OS refuses (n of 0, or more than
// the address space holds).
void* block_alloc(uint64_t n);

// Gives back a whole region from block_alloc. Null, any other pointer and a region already
// given back are ignored.
void block_free(void* p);

// Current UTC time in 100-nanosecond intervals since 1601-01-01.
int64_t file_time_now();

// Writes n bytes to standard output as they are, then, when line_end is set, the line end
// "\n" as a write of its own to the same output (on Windows: one handle fetch for both).
// Errors are ignored.
void console_write(const char* p, int64_t n, bool line_end);

// Bytes before the NUL of s; 0 for null.
int64_t text_len(const char* s);

// "%.6f" text of v, NUL-terminated, in a buffer of float_format_fixed6_cap bytes, which holds
// the longest double's text; returns its length.
int64_t float_text(double v, char* buf);

}  // namespace kivo::platform
