#pragma once
// The bit operations on aarch64 (armv8-a). clz is one instruction, which gives 64 for 0 (the
// generic builtin leaves 0 undefined, and GCC keeps a compare and a select to guard it); ctz
// is two, a bit reversal and clz; bswap is one, rev. Counting bits takes four: the base
// instruction set counts them only per byte of a vector register (cnt), so the word goes
// there and back, and addv adds the eight counts. Included by math/bits.h.
#include <stdint.h>

namespace kivo {

inline int64_t popcnt(int64_t x) { return __builtin_popcountll(static_cast<uint64_t>(x)); }

inline int64_t clz(int64_t x) {
  int64_t n;
  asm("clz %0, %1" : "=r"(n) : "r"(x));
  return n;
}

inline int64_t ctz(int64_t x) {
  int64_t n;
  asm("rbit %0, %1\n\tclz %0, %0" : "=r"(n) : "r"(x));
  return n;
}

inline int64_t bswap(int64_t x) {
  return static_cast<int64_t>(__builtin_bswap64(static_cast<uint64_t>(x)));
}

}  // namespace kivo
