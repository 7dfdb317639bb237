#pragma once
// Linux on s390x, the lowest level: the system call numbers and the stubs that make the
// calls, with the kernel's error convention. Inline, so the Linux layer's files and the
// hosted tests that drive that layer share them without linking the process entry of
// arch_s390x.cpp. Included through core/arch.h only.
#include <stdint.h>

namespace kivo::linux_sys {

inline constexpr long sys_write = 4;
inline constexpr long sys_mmap = 90;  // the old form: one argument, the address of all six
inline constexpr long sys_munmap = 91;
inline constexpr long sys_madvise = 219;
inline constexpr long sys_clock_gettime = 260;
inline constexpr long sys_exit_group = 248;
inline constexpr long sys_ppoll = 302;

// The number goes in r1 and the call is svc 0: svc can carry the number itself only up to
// 255, and clock_gettime and ppoll are above that. The arguments go in r2 to r7; the result
// comes back in r2.
inline long syscall6(long n, long a, long b, long c, long d, long e, long f) {
  register long r1 asm("r1") = n;
  register long r2 asm("r2") = a;
  register long r3 asm("r3") = b;
  register long r4 asm("r4") = c;
  register long r5 asm("r5") = d;
  register long r6 asm("r6") = e;
  register long r7 asm("r7") = f;
  asm volatile("svc 0"
               : "+r"(r2)
               : "r"(r1), "r"(r3), "r"(r4), "r"(r5), "r"(r6), "r"(r7)
               : "memory");
  return r2;
}

inline long syscall3(long n, long a, long b, long c) { return syscall6(n, a, b, c, 0, 0, 0); }

// s390x's mmap takes its six values in memory, at the address given as its one argument; the
// register form of the other architectures reads as a bad address here (EFAULT).
inline long mmap(long addr, long length, long prot, long flags, long fd, long offset) {
  const long block[6] = {addr, length, prot, flags, fd, offset};
  return syscall6(sys_mmap, reinterpret_cast<long>(block), 0, 0, 0, 0, 0);
}

}  // namespace kivo::linux_sys

// The process entry the kernel jumps to (arch_s390x.cpp); it hands the initial stack to
// linux_entry.
extern "C" [[noreturn]] void _start();
