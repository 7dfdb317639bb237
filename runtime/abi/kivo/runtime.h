/* The Kivo runtime as compiled programs call it: one entry point per runtime routine, with C
 * linkage, usable from C99 and C++.
 *
 * Every argument and every result is one int64_t slot, as compiled Kivo code passes values:
 * a signed integer, the bit pattern of an IEEE-754 double (never narrowed), or a pointer to a
 * NUL-terminated string or a runtime record. The entry points add nothing to the routines
 * behind them; docs/runtime-abi.md gives each one's slots, result, ownership and failures.
 *
 * A program that links the runtime defines kivo_main; the runtime's process entry calls it
 * and ends the process with its result modulo 2^32 as the exit code. There is no other
 * start-up code: no C library is initialised, so a program must not call one. */
#ifndef KIVO_RUNTIME_H
#define KIVO_RUNTIME_H

#include <stdint.h>

#define KIVO_RUNTIME_VERSION_MAJOR 1
#define KIVO_RUNTIME_VERSION_MINOR 1
#define KIVO_RUNTIME_VERSION_PATCH 0

/* Tags of a tagged value list: a double's bits, a string pointer; any other tag (KIVO_TAG_INT
 * among them) marks a signed integer. */
#define KIVO_TAG_INT INT64_C(0)
#define KIVO_TAG_FLOAT INT64_C(1)
#define KIVO_TAG_STRING INT64_C(2)

/* Vector header, as kivo_vec_new returns it; compiled code reads len directly. */
typedef struct kivo_vec {
  void *data;        /* cap * elem_size bytes, owned by the vector */
  int64_t len;       /* elements stored, 0 <= len <= cap */
  int64_t cap;       /* element slots in data */
  int64_t elem_size; /* bytes per element, > 0 */
} kivo_vec;

/* Arena header, as kivo_arena_new returns it; compiled code reads used directly and resets
 * the arena by storing 0 into it. */
typedef struct kivo_arena {
  char *base;          /* the buffer, cap bytes */
  int64_t used;        /* offset of the first free byte, 0 <= used <= cap */
  int64_t cap;         /* buffer size in bytes, > 0 */
  int64_t owns_buffer; /* nonzero: kivo_arena_free releases base */
} kivo_arena;

/* Slot conversions for C callers. They are not entry points: compiled code has the bits in
 * hand already. */
static inline int64_t kivo_slot_from_ptr(const void *p) { return (int64_t)(intptr_t)p; }
static inline void *kivo_slot_to_ptr(int64_t v) { return (void *)(intptr_t)v; }
static inline int64_t kivo_slot_from_f64(double d) {
  union { double d; int64_t v; } u;
  u.d = d;
  return u.v;
}
static inline double kivo_slot_to_f64(int64_t v) {
  union { double d; int64_t v; } u;
  u.v = v;
  return u.d;
}

#ifdef __cplusplus
extern "C" {
#endif

/* Defined by the program: its driver. */
int64_t kivo_main(void);

/* Heap blocks and bytes */
int64_t kivo_mem_alloc(int64_t n);
int64_t kivo_mem_free(int64_t p);
int64_t kivo_mem_copy(int64_t dst, int64_t src, int64_t n);
int64_t kivo_mem_move(int64_t dst, int64_t src, int64_t n);
int64_t kivo_mem_compare(int64_t a, int64_t b, int64_t n);

/* Clocks */
int64_t kivo_time_now_ns(void);
int64_t kivo_time_now_ms(void);
int64_t kivo_time_now_s(void);

/* Console output and value printing */
int64_t kivo_print_int(int64_t v);
int64_t kivo_print_int_raw(int64_t v);
int64_t kivo_print_line(int64_t s);
int64_t kivo_print_str(int64_t s);
int64_t kivo_print_float(int64_t v);
int64_t kivo_print_float_line(int64_t v);
int64_t kivo_print_value(int64_t values, int64_t tags, int64_t count);

/* Strings */
int64_t kivo_str_len(int64_t s);
int64_t kivo_str_alloc(int64_t n);
int64_t kivo_str_copy_n(int64_t dst, int64_t src, int64_t n);
int64_t kivo_str_dup(int64_t s);
int64_t kivo_str_concat(int64_t a, int64_t b);
int64_t kivo_str_concat3(int64_t a, int64_t b, int64_t c);
int64_t kivo_str_find(int64_t hay, int64_t needle);
int64_t kivo_str_contains(int64_t hay, int64_t needle);
int64_t kivo_str_substring(int64_t s, int64_t start, int64_t end);
int64_t kivo_str_trim(int64_t s);
int64_t kivo_str_upper(int64_t s);
int64_t kivo_str_replace_first(int64_t s, int64_t old_text, int64_t new_text);
int64_t kivo_str_replace(int64_t s, int64_t old_text, int64_t new_text);

/* Number to text */
int64_t kivo_int_to_str(int64_t value);
int64_t kivo_float_to_str(int64_t value);

/* Number parsing */
int64_t kivo_parse_int(int64_t s);
int64_t kivo_parse_float(int64_t s);
int64_t kivo_parse_hex(int64_t s);

/* Math */
int64_t kivo_gcd(int64_t a, int64_t b);
int64_t kivo_sqrt(int64_t x);
int64_t kivo_sin(int64_t x);
int64_t kivo_cos(int64_t x);
int64_t kivo_exp(int64_t x);
int64_t kivo_log(int64_t x);
int64_t kivo_pow(int64_t base, int64_t exponent);

/* Bit operations. A code generator expands the first four inline as one instruction each;
 * these entry points are the same instructions for callers that cannot. */
int64_t kivo_popcnt(int64_t x);
int64_t kivo_clz(int64_t x);
int64_t kivo_ctz(int64_t x);
int64_t kivo_bswap(int64_t x);
int64_t kivo_rotl(int64_t x, int64_t n);

/* Growable vector */
int64_t kivo_vec_new(int64_t elem_size);
int64_t kivo_vec_reserve(int64_t v, int64_t min_cap);
int64_t kivo_vec_push(int64_t v, int64_t elem);
int64_t kivo_vec_at(int64_t v, int64_t index);
int64_t kivo_vec_free(int64_t v);
int64_t kivo_ivec_push(int64_t v, int64_t value);
int64_t kivo_ivec_get(int64_t v, int64_t index);

/* Arena */
int64_t kivo_arena_new(int64_t capacity);
int64_t kivo_arena_alloc(int64_t a, int64_t n);
int64_t kivo_arena_strdup(int64_t a, int64_t s);
int64_t kivo_arena_free(int64_t a);

#ifdef __cplusplus
}
#endif

#endif /* KIVO_RUNTIME_H */
