#pragma once
// Linux on x86-64, the lowest level: the system call numbers and the stubs that make the
// calls, with the kernel's error convention. Inline, so the Linux layer's files (and the
// hosted tests that drive that layer) share them without linking the process entry of
// arch_x86_64.cpp. Included through core/arch.h only.
#include <stdint.h>

namespace kivo::linux_sys {

inline constexpr long sys_write = 1;
inline constexpr long sys_mmap = 9;
inline constexpr long sys_munmap = 11;
inline constexpr long sys_madvise = 28;
inline constexpr long sys_clock_gettime = 228;
inline constexpr long sys_exit_group = 231;
inline constexpr long sys_ppoll = 271;

inline long syscall6(long n, long a, long b, long c, long d, long e, long f) {
  register long r10 asm("r10") = d;
  register long r8 asm("r8") = e;
  register long r9 asm("r9") = f;
  long ret;
  asm volatile("syscall"
               : "=a"(ret)
               : "a"(n), "D"(a), "S"(b), "d"(c), "r"(r10), "r"(r8), "r"(r9)
               : "rcx", "r11", "memory");
  return ret;
}

inline long syscall3(long n, long a, long b, long c) { return syscall6(n, a, b, c, 0, 0, 0); }

// mmap with the six arguments in registers, as every architecture but s390x takes them.
inline long mmap(long addr, long length, long prot, long flags, long fd, long offset) {
  return syscall6(sys_mmap, addr, length, prot, flags, fd, offset);
}

}  // namespace kivo::linux_sys

// The process entry the kernel jumps to (arch_x86_64.cpp); it hands the initial stack to
// linux_entry.
extern "C" [[noreturn]] void _start();
