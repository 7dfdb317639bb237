// Fixed-point text with six truncated decimals.
#include "convert/float_to_str.h"

#include "convert/int_to_str.h"
#include "core/float_format.h"
#include "core/mem.h"
#include "ieee754.h"
#include "text/str_edit.h"
#include "text/str_primitives.h"

namespace kivo {
namespace {

constexpr double two_to_63 = 9223372036854775808.0;

// "nan", "inf", "-inf", or the exact digits of a whole number beyond the signed 64-bit range
// followed by ".000000": values whose integer part the truncating split cannot hold. Such
// numbers have no fraction, so their rounded "%.6f" text is exactly the truncated one.
char* out_of_range_text(double value) {
  if (value != value) return str_dup("nan");
  char text[float_format_fixed6_cap];
  float_format_fixed6(value, text);
  return str_dup(text);
}

}  // namespace

char* float_to_str(double value) {
  if (!ieee754::is_finite(ieee754::split(value))) return out_of_range_text(value);
  bool negative = false;
  double magnitude = value;
  if (value < 0.0) {
    negative = true;
    magnitude = 0.0 - value;
  }
  if (magnitude >= two_to_63) return out_of_range_text(value);
  const auto integer_part = static_cast<int64_t>(magnitude);
  const auto fraction = static_cast<int64_t>((magnitude - static_cast<double>(integer_part)) * 1000000.0);

  // The text is assembled from int_to_str and the string routines, five blocks on the way,
  // rather than written into one buffer: those steps are the routine's definition, and which
  // of its allocations fails decides what a caller gets (null, never a partial text).
  char* integer_digits = int_to_str(integer_part);
  char* fraction_digits = int_to_str(fraction);
  char* zeros = nullptr;
  char* six_digits = nullptr;
  char* unsigned_text = nullptr;
  char* result = nullptr;
  // A step that fails ends the call with null: carrying on without its text would give a
  // wrong number rather than none.
  if (integer_digits != nullptr && fraction_digits != nullptr) {
    zeros = str_substring("000000", 0, 6 - str_len(fraction_digits));
  }
  if (zeros != nullptr) six_digits = str_concat(zeros, fraction_digits);
  if (six_digits != nullptr) unsigned_text = str_concat3(integer_digits, ".", six_digits);
  if (unsigned_text != nullptr && negative) {
    result = str_concat("-", unsigned_text);
    mem_free(unsigned_text);
  } else {
    result = unsigned_text;
  }
  mem_free(integer_digits);
  mem_free(fraction_digits);
  mem_free(zeros);
  mem_free(six_digits);
  return result;
}

}  // namespace kivo
