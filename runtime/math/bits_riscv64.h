#pragma once
// The bit operations on riscv64 with the base instruction set (rv64gc, Debian's baseline),
// which has no bit counting and no byte reversal: the generic builtins would call libgcc. So,
// with no branch and no table:
//  - clz from the exponent of the operand converted to double rounding toward zero, which is
//    exactly the position of its highest 1 bit (x | 1 keeps that position, and gives 0 its
//    own count of 64 by the added one);
//  - ctz from the exponent of the lowest 1 bit alone, which converts exactly (the top bit set
//    as well keeps 0 from converting to 0.0);
//  - popcnt and bswap as the usual shifts and masks, the counts added by one multiply.
// Included by math/bits.h.
#include <stdint.h>

namespace kivo {

inline int64_t popcnt(int64_t x) {
  auto v = static_cast<uint64_t>(x);
  v -= (v >> 1) & 0x5555555555555555;
  v = (v & 0x3333333333333333) + ((v >> 2) & 0x3333333333333333);
  v = (v + (v >> 4)) & 0x0F0F0F0F0F0F0F0F;
  return static_cast<int64_t>((v * 0x0101010101010101) >> 56);
}

inline int64_t clz(int64_t x) {
  const auto v = static_cast<uint64_t>(x);
  double d;
  asm("fcvt.d.lu %0, %1, rtz" : "=f"(d) : "r"(v | 1));
  const auto exponent = static_cast<int64_t>(__builtin_bit_cast(uint64_t, d) >> 52);
  return 1086 - exponent + (v == 0);
}

inline int64_t ctz(int64_t x) {
  const auto v = static_cast<uint64_t>(x) | (uint64_t{1} << 63);
  const auto d = static_cast<double>(v & (0 - v));
  const auto exponent = static_cast<int64_t>(__builtin_bit_cast(uint64_t, d) >> 52);
  return exponent - 1023 + (x == 0);
}

inline int64_t bswap(int64_t x) {
  auto v = static_cast<uint64_t>(x);
  v = v << 32 | v >> 32;
  v = (v & 0x0000FFFF0000FFFF) << 16 | ((v >> 16) & 0x0000FFFF0000FFFF);
  v = (v & 0x00FF00FF00FF00FF) << 8 | ((v >> 8) & 0x00FF00FF00FF00FF);
  return static_cast<int64_t>(v);
}

}  // namespace kivo
