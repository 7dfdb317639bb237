#include "math/bits.h"

#include <stdint.h>

namespace kivo {

// Both shift counts stay within 0..63, and a count of 0 gives x | x = x, so there is no
// branch and the compiler emits one rotate.
int64_t rotl(int64_t x, int64_t n) {
  const uint64_t v = static_cast<uint64_t>(x);
  const unsigned k = static_cast<unsigned>(n) & 63u;
  return static_cast<int64_t>((v << k) | (v >> ((0u - k) & 63u)));
}

}  // namespace kivo
