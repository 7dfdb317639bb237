// The integer is kept in base 10^9 from the start, so the doubling steps are the only
// arithmetic and the digits fall out limb by limb, with no long division at the end.
#include "core/float_format_big.h"

#include "core/float_format_digits.h"

namespace kivo {
namespace {

constexpr uint32_t limb_base = 1000000000;
// 2^1024 has 309 decimal digits: 35 limbs of nine.
constexpr int max_limbs = 35;
// Shift per pass: a limb below 10^9 < 2^30 shifted by 32 leaves room for the carry in 64 bits.
constexpr int max_shift = 32;

struct limbs {
  uint32_t digit[max_limbs];  // least significant first
  int count;
};

void push_value(limbs& n, uint64_t v) {
  while (v != 0) {
    n.digit[n.count++] = static_cast<uint32_t>(v % limb_base);
    v /= limb_base;
  }
}

// n <- n * 2^shift, 0 < shift <= max_shift.
void shift_left(limbs& n, int shift) {
  uint64_t carry = 0;
  for (int i = 0; i < n.count; ++i) {
    const uint64_t t = (static_cast<uint64_t>(n.digit[i]) << shift) + carry;
    carry = t / limb_base;
    n.digit[i] = static_cast<uint32_t>(t - carry * limb_base);
  }
  push_value(n, carry);
}

}  // namespace

char* float_format_big_integer(uint64_t m, int e, char* p) {
  // m < 2^53 takes the first 11 doublings within one 64-bit word.
  const int first = e < 11 ? e : 11;
  limbs n;
  n.count = 0;
  push_value(n, m << first);
  for (int left = e - first; left > 0; left -= max_shift) {
    shift_left(n, left < max_shift ? left : max_shift);
  }
  if (n.count == 0) {
    *p++ = '0';
    return p;
  }
  p = float_format_put_u64(p, n.digit[n.count - 1]);
  for (int i = n.count - 2; i >= 0; --i) p = float_format_put_fixed(p, n.digit[i], 9);
  return p;
}

}  // namespace kivo
