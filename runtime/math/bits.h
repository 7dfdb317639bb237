#pragma once
// Bit operations on 64-bit patterns. popcnt, clz, ctz and bswap expand inline into one
// instruction each (popcnt, lzcnt, tzcnt, bswap); rotl is a routine. The operand is taken as
// 64 unsigned bits; a result with the top bit set reads as a negative integer.
#include <stdint.h>

namespace kivo {

// Number of 1 bits, 0 to 64.
inline int64_t popcnt(int64_t x) { return __builtin_popcountll(static_cast<uint64_t>(x)); }

// lzcnt and tzcnt are defined at 0 (they give the operand width, 64), unlike the generic
// count builtins, whose zero guard GCC keeps as a compare and a conditional move. They need
// -mlzcnt and -mbmi, which the build sets for every target.

// Zero bits above the highest 1 bit; 64 for 0.
inline int64_t clz(int64_t x) {
  return static_cast<int64_t>(__builtin_ia32_lzcnt_u64(static_cast<uint64_t>(x)));
}

// Zero bits below the lowest 1 bit; 64 for 0.
inline int64_t ctz(int64_t x) {
  return static_cast<int64_t>(__builtin_ia32_tzcnt_u64(static_cast<uint64_t>(x)));
}

// The eight bytes in reverse order.
inline int64_t bswap(int64_t x) {
  return static_cast<int64_t>(__builtin_bswap64(static_cast<uint64_t>(x)));
}

// x rotated left by n modulo 64: only the low six bits of n count, so n = -1 rotates by 63.
int64_t rotl(int64_t x, int64_t n);

}  // namespace kivo
