#include "core/print.h"

#include "core/platform.h"

namespace kivo {
namespace {

// One piece of text, measured, with its line end when the piece ends a line: the line end
// goes out through the piece's own handle rather than as a piece of its own.
void write_text(const char* s, bool line_end) {
  platform::console_write(s, platform::text_len(s), line_end);
}

// Decimal text of v, built backwards; the magnitude is divided as unsigned so that the
// most negative value needs no special case. The runtime has two more decimal writers, on
// purpose: int_to_str must hand back a string block of exactly the text's length, and the
// "%.6f" renderer writes runs of zero-padded digits into its caller's buffer. This one may
// allocate nothing and writes the text as one piece, as the console's contract asks.
void write_decimal(int64_t v, bool line_end) {
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
  write_text(p, line_end);
}

void write_float(double v, bool line_end) {
  char text[float_format_fixed6_cap];
  platform::float_text(v, text);
  write_text(text, line_end);
}

double bits_to_double(int64_t bits) { return __builtin_bit_cast(double, bits); }

}  // namespace

int64_t print_str(const char* s) {
  write_text(s, false);
  return 0;
}

int64_t print_line(const char* s) {
  write_text(s, true);
  return 0;
}

int64_t print_int_raw(int64_t v) {
  write_decimal(v, false);
  return 0;
}

int64_t print_int(int64_t v) {
  write_decimal(v, true);
  return 0;
}

int64_t print_float(double v) {
  write_float(v, false);
  return 0;
}

// The last value carries the line end; with no value the line end is all there is, whatever
// the arrays. Values that are not there print nothing: a null array with a positive count is
// no line at all.
int64_t print_value(const int64_t* values, const int64_t* tags, int64_t count) {
  if (count <= 0) platform::console_write("\n", 1, false);
  if (values == nullptr || tags == nullptr) return 0;
  for (int64_t i = 0; i < count; ++i) {
    if (i > 0) write_text(" ", false);
    const bool last = i == count - 1;
    if (tags[i] == tag_float) {
      write_float(bits_to_double(values[i]), last);
    } else if (tags[i] == tag_string) {
      write_text(reinterpret_cast<const char*>(values[i]), last);
    } else {
      write_decimal(values[i], last);
    }
  }
  return 0;
}

int64_t print_float_line(double v) {
  const int64_t value = __builtin_bit_cast(int64_t, v);
  const int64_t tag = tag_float;
  return print_value(&value, &tag, 1);
}

}  // namespace kivo
