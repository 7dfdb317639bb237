#pragma once
// Bit operations on 64-bit patterns. popcnt, clz, ctz and bswap expand inline into one
// instruction each (popcnt, lzcnt, tzcnt, bswap); rotl is a routine.
#include <stdint.h>

namespace kivo {

inline int64_t popcnt(int64_t x) { return __builtin_popcountll(static_cast<uint64_t>(x)); }
inline int64_t clz(int64_t x) { return x == 0 ? 64 : __builtin_clzll(static_cast<uint64_t>(x)); }
inline int64_t ctz(int64_t x) { return x == 0 ? 64 : __builtin_ctzll(static_cast<uint64_t>(x)); }
inline int64_t bswap(int64_t x) {
  return static_cast<int64_t>(__builtin_bswap64(static_cast<uint64_t>(x)));
}

// x rotated left by n modulo 64.
int64_t rotl(int64_t x, int64_t n);

}  // namespace kivo
