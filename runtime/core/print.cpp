#include "core/print.h"

#include "core/platform.h"

namespace kivo {
namespace {

void write_newline() { platform::console_write("\n", 1); }

// Decimal text of v, built backwards; the magnitude is divided as unsigned so that the
// most negative value needs no special case. The runtime has two more decimal writers, on
// purpose: int_to_str must hand back a string block of exactly the text's length, and the
// "%.6f" renderer writes runs of zero-padded digits into its caller's buffer. This one may
// allocate nothing and writes the text as one piece, as the console's contract asks.
void write_decimal(int64_t v) {
  char text[21];
  char* p = text + sizeof text;
  *--p = '\0';
  uint64_t magnitude = static_cast<uint64_t>(v);
  if (v < 0) magnitude = 0 - magnitude;
  do {
    *--p = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (v < 0) *--p = '-';
  print_str(p);
}

double bits_to_double(int64_t bits) { return __builtin_bit_cast(double, bits); }

}  // namespace

int64_t print_str(const char* s) {
  platform::console_write(s, platform::text_len(s));
  return 0;
}

int64_t print_line(const char* s) {
  print_str(s);
  write_newline();
  return 0;
}

int64_t print_int_raw(int64_t v) {
  write_decimal(v);
  return 0;
}

int64_t print_int(int64_t v) {
  write_decimal(v);
  write_newline();
  return 0;
}

int64_t print_float(double v) {
  char text[float_format_fixed6_cap];
  platform::float_text(v, text);
  print_str(text);
  return 0;
}

int64_t print_value(const int64_t* values, const int64_t* tags, int64_t count) {
  for (int64_t i = 0; i < count; ++i) {
    if (i > 0) print_str(" ");
    if (tags[i] == tag_float) {
      print_float(bits_to_double(values[i]));
    } else if (tags[i] == tag_string) {
      print_str(reinterpret_cast<const char*>(values[i]));
    } else {
      print_int_raw(values[i]);
    }
  }
  write_newline();
  return 0;
}

int64_t print_float_line(double v) {
  const int64_t value = __builtin_bit_cast(int64_t, v);
  const int64_t tag = tag_float;
  return print_value(&value, &tag, 1);
}

}  // namespace kivo
