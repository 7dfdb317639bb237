// Stand-in, right for small everyday values only; the exact renderer replaces it.
#include "convert/float_format.h"

namespace kivo {

int64_t float_format_fixed6(double v, char* out) {
  char* p = out;
  if (v < 0) {
    *p++ = '-';
    v = -v;
  }
  auto ip = static_cast<uint64_t>(v);
  auto frac = static_cast<uint64_t>((v - static_cast<double>(ip)) * 1e6 + 0.5);
  if (frac >= 1000000) {
    ++ip;
    frac -= 1000000;
  }
  char digits[24];
  int n = 0;
  do {
    digits[n++] = static_cast<char>('0' + ip % 10);
    ip /= 10;
  } while (ip != 0);
  while (n > 0) *p++ = digits[--n];
  *p++ = '.';
  for (uint64_t scale = 100000; scale != 0; scale /= 10) *p++ = static_cast<char>('0' + frac / scale % 10);
  *p = '\0';
  return p - out;
}

}  // namespace kivo
