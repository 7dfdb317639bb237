/* A program built outside the runtime's tree, from the installed package alone: it defines
 * kivo_main, calls a routine of every family through <kivo/runtime.h>, releases what it
 * took and returns 0. Plain C99, as a compiler's C back end would emit. */
#include <kivo/runtime.h>

#define TEXT(literal) kivo_slot_from_ptr(literal)

int64_t kivo_main(void) {
  int64_t greeting, shout, v, a, copy, sine, block, values[4], tags[4];
  const kivo_vec *vr;
  kivo_arena *ar;
  uint64_t t0, t1;
  int64_t i;

  greeting = kivo_str_concat(TEXT("Hello, "), TEXT("outside world"));
  kivo_print_line(greeting);
  shout = kivo_str_replace(greeting, TEXT("o"), TEXT("0"));
  kivo_print_line(shout);
  kivo_print_int(kivo_str_find(greeting, TEXT("world")));

  /* Twenty squares: past the sixteen slots of the first element block. */
  v = kivo_vec_new(8);
  for (i = 0; i < 20; ++i) kivo_ivec_push(v, i * i);
  vr = (const kivo_vec *)kivo_slot_to_ptr(v);
  kivo_print_str(TEXT("vec len "));
  kivo_print_int_raw(vr->len);
  kivo_print_str(TEXT(" cap "));
  kivo_print_int(vr->cap);
  kivo_print_int(kivo_ivec_get(v, 19));
  kivo_vec_free(v);

  a = kivo_arena_new(64);
  copy = kivo_arena_strdup(a, TEXT("in the arena"));
  kivo_print_line(copy);
  ar = (kivo_arena *)kivo_slot_to_ptr(a);
  kivo_print_int(ar->used);
  ar->used = 0;
  kivo_print_int(kivo_arena_alloc(a, 8) == kivo_slot_from_ptr(ar->base));
  kivo_arena_free(a);

  /* sin(pi/6) as float_to_str gives it (truncated) and as the console gives it (rounded). */
  sine = kivo_float_to_str(kivo_sin(kivo_slot_from_f64(0.5235987755982988)));
  kivo_print_line(sine);
  kivo_print_float_line(kivo_pow(kivo_slot_from_f64(2.0), kivo_slot_from_f64(10.0)));

  values[0] = kivo_parse_int(TEXT("   -12345"));
  tags[0] = KIVO_TAG_INT;
  values[1] = TEXT("parsed");
  tags[1] = KIVO_TAG_STRING;
  values[2] = kivo_parse_float(TEXT("3.14159"));
  tags[2] = KIVO_TAG_FLOAT;
  values[3] = kivo_parse_hex(TEXT("0xFF"));
  tags[3] = KIVO_TAG_INT;
  kivo_print_value(kivo_slot_from_ptr(values), kivo_slot_from_ptr(tags), 4);

  kivo_print_int(kivo_gcd(48, 18) + kivo_popcnt(kivo_rotl(1, 8)));

  block = kivo_mem_alloc(6);
  kivo_mem_copy(block, TEXT("bytes"), 6);
  kivo_print_int(kivo_mem_compare(block, TEXT("bytes"), 6));
  kivo_mem_free(block);

  /* The clock is read, not printed: the report stays the same on every run. */
  t0 = (uint64_t)kivo_time_now_ns();
  t1 = (uint64_t)kivo_time_now_ns();
  kivo_print_line(t1 - t0 < UINT64_C(60000000000) ? TEXT("clock runs") : TEXT("clock jumped"));

  kivo_mem_free(greeting);
  kivo_mem_free(shout);
  kivo_mem_free(sine);
  return 0;
}
