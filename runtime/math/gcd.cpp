#include <stdint.h>

#include "math/elementary.h"

namespace kivo {
namespace {

// Two's-complement negation: the most negative value negates to itself.
int64_t negate(int64_t v) { return static_cast<int64_t>(0 - static_cast<uint64_t>(v)); }

}  // namespace

int64_t gcd(int64_t a, int64_t b) {
  int64_t x = a < 0 ? negate(a) : a;
  int64_t y = b < 0 ? negate(b) : b;
  // x % y never divides the most negative value by -1: y is never -1 while x is that value.
  while (y != 0) {
    const int64_t t = y;
    y = x % y;
    x = t;
  }
  return x;
}

}  // namespace kivo
