// Decimal text of a signed 64-bit integer.
#include "convert/int_to_str.h"

#include "text/str_primitives.h"

namespace kivo {

// Its own decimal writer rather than the console's: the result is a string block of exactly
// the text's length, so the digits are counted before the block is asked for.
char* int_to_str(int64_t value) {
  if (value == 0) {
    char* p = str_alloc(1);
    if (p == nullptr) return nullptr;
    p[0] = '0';
    return p;
  }
  const bool negative = value < 0;
  // The magnitude is unsigned so that the most negative value, whose magnitude has no
  // signed form, still yields its digits; for every other value nothing changes.
  uint64_t magnitude = static_cast<uint64_t>(value);
  if (negative) magnitude = 0 - magnitude;
  char digits[24] = {};  // least significant first; 19 digits at most
  int64_t count = 0;
  while (magnitude > 0) {
    digits[count] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
    ++count;
  }
  char* p = str_alloc(count + (negative ? 1 : 0));
  if (p == nullptr) return nullptr;
  int64_t pos = 0;
  if (negative) p[pos++] = '-';
  for (int64_t i = count - 1; i >= 0; --i) p[pos++] = digits[i];
  return p;
}

}  // namespace kivo
