#pragma once
// Linux on riscv64, the lowest level: the system call numbers (the generic table, which has
// no poll) and the stubs that make the calls, with the kernel's error convention. Inline, so
// the Linux layer's files and the hosted tests that drive that layer share them without
// linking the process entry of arch_riscv64.cpp. Included through core/arch.h only.
#include <stdint.h>

namespace kivo::linux_sys {

inline constexpr long sys_write = 64;
inline constexpr long sys_mmap = 222;
inline constexpr long sys_munmap = 215;
inline constexpr long sys_madvise = 233;
inline constexpr long sys_clock_gettime = 113;
inline constexpr long sys_exit_group = 94;
inline constexpr long sys_ppoll = 73;

// The number goes in a7, the arguments in a0 to a5; the result comes back in a0.
inline long syscall6(long n, long a, long b, long c, long d, long e, long f) {
  register long a7 asm("a7") = n;
  register long a0 asm("a0") = a;
  register long a1 asm("a1") = b;
  register long a2 asm("a2") = c;
  register long a3 asm("a3") = d;
  register long a4 asm("a4") = e;
  register long a5 asm("a5") = f;
  asm volatile("ecall"
               : "+r"(a0)
               : "r"(a7), "r"(a1), "r"(a2), "r"(a3), "r"(a4), "r"(a5)
               : "memory");
  return a0;
}

inline long syscall3(long n, long a, long b, long c) { return syscall6(n, a, b, c, 0, 0, 0); }

inline long mmap(long addr, long length, long prot, long flags, long fd, long offset) {
  return syscall6(sys_mmap, addr, length, prot, flags, fd, offset);
}

}  // namespace kivo::linux_sys

// The process entry the kernel jumps to (arch_riscv64.cpp); it hands the initial stack to
// linux_entry.
extern "C" [[noreturn]] void _start();
