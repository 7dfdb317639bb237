// The C entry points: each turns its slots into the C++ routine's types, calls it and turns
// the result back into a slot. Nothing else happens here, so the C and C++ callers of a
// routine always get the same answer.
#include "kivo/runtime.h"

#include <stddef.h>

#include "containers/arena.h"
#include "containers/ivec.h"
#include "containers/vec.h"
#include "convert/float_to_str.h"
#include "convert/int_to_str.h"
#include "convert/parse.h"
#include "core/mem.h"
#include "core/print.h"
#include "core/time.h"
#include "math/bits.h"
#include "math/elementary.h"
#include "text/str_edit.h"
#include "text/str_primitives.h"
#include "text/str_replace.h"
#include "text/str_search.h"

// Compiled code reads the records through the C layouts; they must be the runtime's own.
static_assert(sizeof(kivo_vec) == sizeof(kivo::vec) && sizeof(kivo_vec) == 32);
static_assert(offsetof(kivo_vec, data) == offsetof(kivo::vec, data));
static_assert(offsetof(kivo_vec, len) == offsetof(kivo::vec, len));
static_assert(offsetof(kivo_vec, cap) == offsetof(kivo::vec, cap));
static_assert(offsetof(kivo_vec, elem_size) == offsetof(kivo::vec, elem_size));
static_assert(sizeof(kivo_arena) == sizeof(kivo::arena) && sizeof(kivo_arena) == 32);
static_assert(offsetof(kivo_arena, base) == offsetof(kivo::arena, base));
static_assert(offsetof(kivo_arena, used) == offsetof(kivo::arena, used));
static_assert(offsetof(kivo_arena, cap) == offsetof(kivo::arena, cap));
static_assert(offsetof(kivo_arena, owns_buffer) == offsetof(kivo::arena, owns_buffer));
static_assert(KIVO_TAG_FLOAT == kivo::tag_float && KIVO_TAG_STRING == kivo::tag_string);

namespace {

// A slot as the pointer it carries, and back.
struct slot {
  int64_t v;
  template <typename T>
  operator T*() const {
    return reinterpret_cast<T*>(static_cast<intptr_t>(v));
  }
};
inline slot ptr(int64_t v) { return slot{v}; }
inline int64_t from(const void* p) { return static_cast<int64_t>(reinterpret_cast<intptr_t>(p)); }

inline double f64(int64_t v) { return __builtin_bit_cast(double, v); }
inline int64_t from(double d) { return __builtin_bit_cast(int64_t, d); }

}  // namespace

extern "C" {

int64_t kivo_mem_alloc(int64_t n) { return from(kivo::mem_alloc(n)); }
int64_t kivo_mem_free(int64_t p) { return kivo::mem_free(ptr(p)); }
int64_t kivo_mem_copy(int64_t dst, int64_t src, int64_t n) {
  return from(kivo::mem_copy(ptr(dst), ptr(src), n));
}
int64_t kivo_mem_move(int64_t dst, int64_t src, int64_t n) {
  return from(kivo::mem_move(ptr(dst), ptr(src), n));
}
int64_t kivo_mem_compare(int64_t a, int64_t b, int64_t n) {
  return kivo::mem_compare(ptr(a), ptr(b), n);
}

int64_t kivo_time_now_ns(void) { return kivo::time_now_ns(); }
int64_t kivo_time_now_ms(void) { return kivo::time_now_ms(); }
int64_t kivo_time_now_s(void) { return kivo::time_now_s(); }

int64_t kivo_print_int(int64_t v) { return kivo::print_int(v); }
int64_t kivo_print_int_raw(int64_t v) { return kivo::print_int_raw(v); }
int64_t kivo_print_line(int64_t s) { return kivo::print_line(ptr(s)); }
int64_t kivo_print_str(int64_t s) { return kivo::print_str(ptr(s)); }
int64_t kivo_print_float(int64_t v) { return kivo::print_float(f64(v)); }
int64_t kivo_print_float_line(int64_t v) { return kivo::print_float_line(f64(v)); }
int64_t kivo_print_value(int64_t values, int64_t tags, int64_t count) {
  return kivo::print_value(ptr(values), ptr(tags), count);
}

int64_t kivo_str_len(int64_t s) { return kivo::str_len(ptr(s)); }
int64_t kivo_str_alloc(int64_t n) { return from(kivo::str_alloc(n)); }
int64_t kivo_str_copy_n(int64_t dst, int64_t src, int64_t n) {
  return kivo::str_copy_n(ptr(dst), ptr(src), n);
}
int64_t kivo_str_dup(int64_t s) { return from(kivo::str_dup(ptr(s))); }
int64_t kivo_str_concat(int64_t a, int64_t b) { return from(kivo::str_concat(ptr(a), ptr(b))); }
int64_t kivo_str_concat3(int64_t a, int64_t b, int64_t c) {
  return from(kivo::str_concat3(ptr(a), ptr(b), ptr(c)));
}
int64_t kivo_str_find(int64_t hay, int64_t needle) {
  return kivo::str_find(ptr(hay), ptr(needle));
}
int64_t kivo_str_contains(int64_t hay, int64_t needle) {
  return kivo::str_contains(ptr(hay), ptr(needle));
}
int64_t kivo_str_substring(int64_t s, int64_t start, int64_t end) {
  return from(kivo::str_substring(ptr(s), start, end));
}
int64_t kivo_str_trim(int64_t s) { return from(kivo::str_trim(ptr(s))); }
int64_t kivo_str_upper(int64_t s) { return from(kivo::str_upper(ptr(s))); }
int64_t kivo_str_replace_first(int64_t s, int64_t old_text, int64_t new_text) {
  return from(kivo::str_replace_first(ptr(s), ptr(old_text), ptr(new_text)));
}
int64_t kivo_str_replace(int64_t s, int64_t old_text, int64_t new_text) {
  return from(kivo::str_replace(ptr(s), ptr(old_text), ptr(new_text)));
}

int64_t kivo_int_to_str(int64_t value) { return from(kivo::int_to_str(value)); }
int64_t kivo_float_to_str(int64_t value) { return from(kivo::float_to_str(f64(value))); }

int64_t kivo_parse_int(int64_t s) { return kivo::parse_int(ptr(s)); }
int64_t kivo_parse_float(int64_t s) { return from(kivo::parse_float(ptr(s))); }
int64_t kivo_parse_hex(int64_t s) { return kivo::parse_hex(ptr(s)); }

int64_t kivo_gcd(int64_t a, int64_t b) { return kivo::gcd(a, b); }
int64_t kivo_sqrt(int64_t x) { return from(kivo::sqrt(f64(x))); }
int64_t kivo_sin(int64_t x) { return from(kivo::sin(f64(x))); }
int64_t kivo_cos(int64_t x) { return from(kivo::cos(f64(x))); }
int64_t kivo_exp(int64_t x) { return from(kivo::exp(f64(x))); }
int64_t kivo_log(int64_t x) { return from(kivo::log(f64(x))); }
int64_t kivo_pow(int64_t base, int64_t exponent) {
  return from(kivo::pow(f64(base), f64(exponent)));
}

int64_t kivo_popcnt(int64_t x) { return kivo::popcnt(x); }
int64_t kivo_clz(int64_t x) { return kivo::clz(x); }
int64_t kivo_ctz(int64_t x) { return kivo::ctz(x); }
int64_t kivo_bswap(int64_t x) { return kivo::bswap(x); }
int64_t kivo_rotl(int64_t x, int64_t n) { return kivo::rotl(x, n); }

int64_t kivo_vec_new(int64_t elem_size) { return from(kivo::vec_new(elem_size)); }
int64_t kivo_vec_reserve(int64_t v, int64_t min_cap) {
  return kivo::vec_reserve(ptr(v), min_cap);
}
int64_t kivo_vec_push(int64_t v, int64_t elem) { return kivo::vec_push(ptr(v), ptr(elem)); }
int64_t kivo_vec_at(int64_t v, int64_t index) { return from(kivo::vec_at(ptr(v), index)); }
int64_t kivo_vec_free(int64_t v) { return kivo::vec_free(ptr(v)); }
int64_t kivo_ivec_push(int64_t v, int64_t value) { return kivo::ivec_push(ptr(v), value); }
int64_t kivo_ivec_get(int64_t v, int64_t index) { return kivo::ivec_get(ptr(v), index); }

int64_t kivo_arena_new(int64_t capacity) { return from(kivo::arena_new(capacity)); }
int64_t kivo_arena_alloc(int64_t a, int64_t n) { return from(kivo::arena_alloc(ptr(a), n)); }
int64_t kivo_arena_strdup(int64_t a, int64_t s) {
  return from(kivo::arena_strdup(ptr(a), ptr(s)));
}
int64_t kivo_arena_free(int64_t a) { return kivo::arena_free(ptr(a)); }

}  // extern "C"
