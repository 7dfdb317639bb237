#pragma once
// Eight bytes at a time in a 64-bit word: finding zero bytes and naming the first of them in
// memory order, which is the lowest byte of a word on little-endian processors and the
// highest on big-endian ones (s390x). Shared by the portable routines.
#include <stdint.h>

namespace kivo::word_bytes {

using word = uint64_t;
// A word at any address, and one at a multiple of 8, that may alias any other object.
using word_any [[gnu::aligned(1), gnu::may_alias]] = word;
using word_aligned [[gnu::may_alias]] = word;

inline constexpr word ones = 0x0101010101010101;
inline constexpr word highs = 0x8080808080808080;
inline constexpr word lows = 0x7F7F7F7F7F7F7F7F;
inline constexpr bool big_endian = __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__;

// Non-zero exactly when some byte of w is zero (its flags may be wrong, its verdict never).
inline word any_zero(word w) { return (w - ones) & ~w & highs; }

// The top bit of each byte of w that is zero, and no other bit. Unlike any_zero's, these flags
// carry no borrow from one byte into the next, so they hold in either byte order.
inline word zero_flags(word w) { return ~(((w & lows) + lows) | w | lows); }

// The first byte in memory order that carries a flag; flags must be non-zero.
inline unsigned first_flagged(word flags) {
  return static_cast<unsigned>(big_endian ? __builtin_clzll(flags) : __builtin_ctzll(flags)) / 8;
}

// All ones in the bytes that lie at or after offset k (0 to 7) of a word in memory.
inline word from_offset(uintptr_t k) {
  const word all = ~word{0};
  return big_endian ? all >> (8 * k) : all << (8 * k);
}

// Each byte b, repeated across a word.
inline word repeated(unsigned char b) { return ones * b; }

}  // namespace kivo::word_bytes
