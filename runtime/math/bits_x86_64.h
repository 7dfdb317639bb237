#pragma once
// The bit operations on x86-64: one instruction each (popcnt, lzcnt, tzcnt, bswap). lzcnt and
// tzcnt are defined at 0 (they give 64), unlike the generic count builtins, whose zero guard
// GCC keeps as a compare and a conditional move. They need -mpopcnt, -mlzcnt and -mbmi, which
// the build sets for the runtime and every program that links it. Included by math/bits.h.
#include <stdint.h>

namespace kivo {

inline int64_t popcnt(int64_t x) { return __builtin_popcountll(static_cast<uint64_t>(x)); }

inline int64_t clz(int64_t x) {
  return static_cast<int64_t>(__builtin_ia32_lzcnt_u64(static_cast<uint64_t>(x)));
}

inline int64_t ctz(int64_t x) {
  return static_cast<int64_t>(__builtin_ia32_tzcnt_u64(static_cast<uint64_t>(x)));
}

inline int64_t bswap(int64_t x) {
  return static_cast<int64_t>(__builtin_bswap64(static_cast<uint64_t>(x)));
}

}  // namespace kivo
