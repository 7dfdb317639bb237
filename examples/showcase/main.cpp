// The Feature Showcase: one straight-line driver that exercises each runtime facility once
// and prints a fixed 74-line report. Every label is printed exactly as it stands here,
// trailing blanks included; its value follows on the next line.
#include "containers/arena.h"
#include "containers/ivec.h"
#include "containers/vec.h"
#include "convert/float_to_str.h"
#include "convert/int_to_str.h"
#include "convert/parse.h"
#include "core/mem.h"
#include "core/print.h"
#include "core/start.h"
#include "math/bits.h"
#include "math/elementary.h"
#include "text/str_edit.h"
#include "text/str_replace.h"
#include "text/str_search.h"

namespace kivo {
namespace {

// A float travels to the console as a one-element tagged value list, not through
// print_float_line: this driver is what the native compiler emits for a print statement,
// and the compiler prints every value that way.
void print_float_step(double v) {
  const int64_t value = __builtin_bit_cast(int64_t, v);
  const int64_t tag = tag_float;
  print_value(&value, &tag, 1);
}

}  // namespace

// The driver, entered from the runtime's process entry through the C door that every
// compiled program uses.
extern "C" int64_t kivo_main() {
  print_line("=== KivoNative v1.1.0 Feature Showcase ===");

  print_line("Hex:  ");
  print_int(0xFF00ABCD);
  print_line("Bin:  ");
  print_int(0b10100101);
  print_line("Big:  ");
  print_int(1'000'000'000);
  print_line("Char: ");
  print_int('A');

  const int64_t x = static_cast<int64_t>(0xDEADBEEFCAFEBABEu);
  print_line("\nBit operations:");
  print_line("popcnt(x) = ");
  print_int(popcnt(x));
  print_line("clz(x)    = ");
  print_int(clz(x));
  print_line("ctz(x)    = ");
  print_int(ctz(x));
  print_line("bswap(x)  = ");
  print_int(bswap(x));
  print_line("rotl(x,8) = ");
  print_int(rotl(x, 8));

  const double pi = 3.141592653589793;
  const double two = 2.0;
  print_line("\nMath library:");
  print_line("PI  = ");
  print_float_step(pi);
  print_line("sin(PI/6) = ");
  print_float_step(sin(pi / 6.0));
  print_line("cos(0) = ");
  print_float_step(cos(0.0));
  print_line("sqrt(2) = ");
  print_float_step(sqrt(two));
  print_line("pow(2,10) = ");
  print_float_step(pow(two, 10.0));
  print_line("log(E) = ");
  print_float_step(log(2.718281828459045));
  print_line("gcd(48,18) = ");
  print_int(gcd(48, 18));

  print_line("\nString utilities:");
  char* t = str_trim("  Hello, KivoNative!  ");
  print_line(t);
  char* u = str_upper(t);
  print_line(u);
  const int64_t c = str_contains(t, "Kivo");
  print_line("contains 'Kivo': ");
  print_int(c);
  char* r = str_replace(t, "KivoNative", "World");
  print_line(r);
  char* n = int_to_str(1000000);
  print_line(n);
  char* f = float_to_str(pi);
  print_line(f);
  mem_free(t);
  mem_free(u);
  mem_free(r);
  mem_free(n);
  mem_free(f);

  // The vector and arena records are tested before each access to their fields; a record
  // that could not be made ends the report there.
  print_line("\nDynamic vector (ivec):");
  vec* v = vec_new(8);
  for (int64_t i = 0; i < 10; ++i) ivec_push(v, i * i);
  print_line("Squares 0..9:");
  for (int64_t j = 0;; ++j) {
    if (v == nullptr) return 0;
    if (j >= v->len) break;
    print_int(ivec_get(v, j));
  }
  vec_free(v);

  print_line("\nArena allocator:");
  arena* a = arena_new(4096);
  char* s1 = arena_strdup(a, "First string in arena");
  char* s2 = arena_strdup(a, "Second string in arena");
  print_line(s1);
  print_line(s2);
  print_line("Used bytes: ");
  if (a == nullptr) return 0;
  print_int(a->used);
  if (a == nullptr) return 0;
  a->used = 0;
  print_line("After reset, used: ");
  if (a == nullptr) return 0;
  print_int(a->used);
  arena_free(a);

  print_line("\nString parsing:");
  print_int(parse_int("   -12345"));
  print_float_step(parse_float("3.14159"));
  print_int(parse_hex("0xFF"));

  print_line("\nAll done!");
  return 0;
}

}  // namespace kivo
