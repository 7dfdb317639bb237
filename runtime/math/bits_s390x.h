#pragma once
// The bit operations on s390x (z196, Debian's baseline). clz is one instruction, flogr, which
// finds the leftmost 1 bit and gives 64 when there is none; it writes an even-odd register
// pair (the count, then the operand with that bit cleared), which a 128-bit operand names,
// the count being its high half. ctz is flogr of the mask of the zeros below the lowest 1 bit,
// ~x & (x - 1), which is all ones for 0. popcnt counts per byte on z196, and one multiply adds
// the eight counts into the top byte. bswap is one instruction, lrvgr. Included by
// math/bits.h.
#include <stdint.h>

namespace kivo {

inline int64_t clz(int64_t x) {
  unsigned __int128 pair;
  asm("flogr %0, %1" : "=d"(pair) : "d"(x) : "cc");
  return static_cast<int64_t>(pair >> 64);
}

inline int64_t ctz(int64_t x) {
  const auto v = static_cast<uint64_t>(x);
  return 64 - clz(static_cast<int64_t>(~v & (v - 1)));
}

inline int64_t popcnt(int64_t x) {
  uint64_t per_byte;
  asm("popcnt %0, %1" : "=d"(per_byte) : "d"(x) : "cc");
  return static_cast<int64_t>((per_byte * 0x0101010101010101) >> 56);
}

inline int64_t bswap(int64_t x) {
  return static_cast<int64_t>(__builtin_bswap64(static_cast<uint64_t>(x)));
}

}  // namespace kivo
