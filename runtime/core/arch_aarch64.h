#pragma once
// Linux on aarch64, the lowest level: the system call numbers (the generic table, which has
// no poll and no plain mmap2) and the stubs that make the calls, with the kernel's error
// convention. Inline, so the Linux layer's files and the hosted tests that drive that layer
// share them without linking the process entry of arch_aarch64.cpp. Included through
// core/arch.h only.
#include <stdint.h>

namespace kivo::linux_sys {

inline constexpr long sys_write = 64;
inline constexpr long sys_mmap = 222;
inline constexpr long sys_munmap = 215;
inline constexpr long sys_madvise = 233;
inline constexpr long sys_clock_gettime = 113;
inline constexpr long sys_exit_group = 94;
inline constexpr long sys_ppoll = 73;

// The number goes in x8, the arguments in x0 to x5; the result comes back in x0.
inline long syscall6(long n, long a, long b, long c, long d, long e, long f) {
  register long x8 asm("x8") = n;
  register long x0 asm("x0") = a;
  register long x1 asm("x1") = b;
  register long x2 asm("x2") = c;
  register long x3 asm("x3") = d;
  register long x4 asm("x4") = e;
  register long x5 asm("x5") = f;
  asm volatile("svc 0"
               : "+r"(x0)
               : "r"(x8), "r"(x1), "r"(x2), "r"(x3), "r"(x4), "r"(x5)
               : "memory");
  return x0;
}

inline long syscall3(long n, long a, long b, long c) { return syscall6(n, a, b, c, 0, 0, 0); }

inline long mmap(long addr, long length, long prot, long flags, long fd, long offset) {
  return syscall6(sys_mmap, addr, length, prot, flags, fd, offset);
}

}  // namespace kivo::linux_sys

// The process entry the kernel jumps to (arch_aarch64.cpp); it hands the initial stack to
// linux_entry.
extern "C" [[noreturn]] void _start();
