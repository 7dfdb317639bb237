#pragma once
// Bit operations on 64-bit patterns. popcnt, clz, ctz and bswap expand inline in their users,
// each in as few instructions as the processor has for it (bits_<processor>.h says which);
// rotl is a routine. The operand is taken as 64 unsigned bits; a result with the top bit set
// reads as a negative integer.
#include <stdint.h>

namespace kivo {

// Number of 1 bits, 0 to 64.
inline int64_t popcnt(int64_t x);

// Zero bits above the highest 1 bit; 64 for 0.
inline int64_t clz(int64_t x);

// Zero bits below the lowest 1 bit; 64 for 0.
inline int64_t ctz(int64_t x);

// The eight bytes in reverse order.
inline int64_t bswap(int64_t x);

// x rotated left by n modulo 64: only the low six bits of n count, so n = -1 rotates by 63.
int64_t rotl(int64_t x, int64_t n);

}  // namespace kivo

// The math layer uses no other, so it picks the processor's definitions itself.
#if defined(__x86_64__)
#include "math/bits_x86_64.h"
#elif defined(__aarch64__)
#include "math/bits_aarch64.h"
#elif defined(__riscv) && __riscv_xlen == 64
#include "math/bits_riscv64.h"
#elif defined(__s390x__)
#include "math/bits_s390x.h"
#else
#error "the bit operations have no definitions for this processor"
#endif
