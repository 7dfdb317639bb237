/* The Feature Showcase as the native compiler emits it: one straight-line driver over the
 * runtime's C door, <kivo/runtime.h>, exercising each facility once and printing a fixed
 * 74-line report. Every value is one int64_t slot, as compiled code holds it: an integer, a
 * double's bit pattern, or a pointer (a string literal, a returned string, a record). Every
 * label is printed exactly as it stands here, trailing blanks included; its value follows on
 * the next line. Plain C99. */
#include <kivo/runtime.h>

#define TEXT(literal) kivo_slot_from_ptr(literal)

/* A float reaches the console as a one-element tagged value list, as every print statement
 * of a float compiles. */
static void print_float_step(int64_t bits) {
  int64_t value = bits;
  int64_t tag = KIVO_TAG_FLOAT;
  kivo_print_value(kivo_slot_from_ptr(&value), kivo_slot_from_ptr(&tag), 1);
}

/* The driver's double division, done on the doubles the slots carry. */
static int64_t f64_div(int64_t a, int64_t b) {
  return kivo_slot_from_f64(kivo_slot_to_f64(a) / kivo_slot_to_f64(b));
}

int64_t kivo_main(void) {
  int64_t x, pi, two, t, u, c, r, n, f, v, i, j, a, s1, s2;
  kivo_vec *vr;
  kivo_arena *ar;

  kivo_print_line(TEXT("=== KivoNative v1.1.0 Feature Showcase ==="));

  kivo_print_line(TEXT("Hex:  "));
  kivo_print_int(INT64_C(0xFF00ABCD));
  kivo_print_line(TEXT("Bin:  "));
  kivo_print_int(INT64_C(0xA5)); /* the binary literal 0b10100101 */
  kivo_print_line(TEXT("Big:  "));
  kivo_print_int(INT64_C(1000000000));
  kivo_print_line(TEXT("Char: "));
  kivo_print_int('A');

  x = (int64_t)UINT64_C(0xDEADBEEFCAFEBABE);
  kivo_print_line(TEXT("\nBit operations:"));
  kivo_print_line(TEXT("popcnt(x) = "));
  kivo_print_int(kivo_popcnt(x));
  kivo_print_line(TEXT("clz(x)    = "));
  kivo_print_int(kivo_clz(x));
  kivo_print_line(TEXT("ctz(x)    = "));
  kivo_print_int(kivo_ctz(x));
  kivo_print_line(TEXT("bswap(x)  = "));
  kivo_print_int(kivo_bswap(x));
  kivo_print_line(TEXT("rotl(x,8) = "));
  kivo_print_int(kivo_rotl(x, 8));

  pi = INT64_C(0x400921FB54442D18);  /* 3.141592653589793 */
  two = INT64_C(0x4000000000000000); /* 2.0 */
  kivo_print_line(TEXT("\nMath library:"));
  kivo_print_line(TEXT("PI  = "));
  print_float_step(pi);
  kivo_print_line(TEXT("sin(PI/6) = "));
  print_float_step(kivo_sin(f64_div(pi, INT64_C(0x4018000000000000)))); /* / 6.0 */
  kivo_print_line(TEXT("cos(0) = "));
  print_float_step(kivo_cos(0)); /* 0.0 */
  kivo_print_line(TEXT("sqrt(2) = "));
  print_float_step(kivo_sqrt(two));
  kivo_print_line(TEXT("pow(2,10) = "));
  print_float_step(kivo_pow(two, INT64_C(0x4024000000000000))); /* 10.0 */
  kivo_print_line(TEXT("log(E) = "));
  print_float_step(kivo_log(INT64_C(0x4005BF0A8B145769))); /* 2.718281828459045 */
  kivo_print_line(TEXT("gcd(48,18) = "));
  kivo_print_int(kivo_gcd(48, 18));

  kivo_print_line(TEXT("\nString utilities:"));
  t = kivo_str_trim(TEXT("  Hello, KivoNative!  "));
  kivo_print_line(t);
  u = kivo_str_upper(t);
  kivo_print_line(u);
  c = kivo_str_contains(t, TEXT("Kivo"));
  kivo_print_line(TEXT("contains 'Kivo': "));
  kivo_print_int(c);
  r = kivo_str_replace(t, TEXT("KivoNative"), TEXT("World"));
  kivo_print_line(r);
  n = kivo_int_to_str(1000000);
  kivo_print_line(n);
  f = kivo_float_to_str(pi);
  kivo_print_line(f);
  kivo_mem_free(t);
  kivo_mem_free(u);
  kivo_mem_free(r);
  kivo_mem_free(n);
  kivo_mem_free(f);

  /* The vector and arena records are tested before each access to their fields; a record
   * that could not be made ends the report there. */
  kivo_print_line(TEXT("\nDynamic vector (ivec):"));
  v = kivo_vec_new(8);
  for (i = 0; i < 10; ++i) kivo_ivec_push(v, i * i);
  kivo_print_line(TEXT("Squares 0..9:"));
  for (j = 0;; ++j) {
    vr = (kivo_vec *)kivo_slot_to_ptr(v);
    if (vr == 0) return 0;
    if (j >= vr->len) break;
    kivo_print_int(kivo_ivec_get(v, j));
  }
  kivo_vec_free(v);

  kivo_print_line(TEXT("\nArena allocator:"));
  a = kivo_arena_new(4096);
  s1 = kivo_arena_strdup(a, TEXT("First string in arena"));
  s2 = kivo_arena_strdup(a, TEXT("Second string in arena"));
  kivo_print_line(s1);
  kivo_print_line(s2);
  kivo_print_line(TEXT("Used bytes: "));
  ar = (kivo_arena *)kivo_slot_to_ptr(a);
  if (ar == 0) return 0;
  kivo_print_int(ar->used);
  if (ar == 0) return 0;
  ar->used = 0;
  kivo_print_line(TEXT("After reset, used: "));
  if (ar == 0) return 0;
  kivo_print_int(ar->used);
  kivo_arena_free(a);

  kivo_print_line(TEXT("\nString parsing:"));
  kivo_print_int(kivo_parse_int(TEXT("   -12345")));
  print_float_step(kivo_parse_float(TEXT("3.14159")));
  kivo_print_int(kivo_parse_hex(TEXT("0xFF")));

  kivo_print_line(TEXT("\nAll done!"));
  return 0;
}
