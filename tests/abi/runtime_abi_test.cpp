// The C entry points against the C++ routines they stand for: the same slots in must give
// the same slot out, the null and failure results included. Every entry point of
// <kivo/runtime.h> is called here (abi_reference_check.cmake makes sure of it).
#include <kivo/runtime.h>

#include <string>

#include "containers/arena.h"
#include "containers/vec.h"
#include "convert/float_to_str.h"
#include "convert/int_to_str.h"
#include "convert/parse.h"
#include "core/mem.h"
#include "core/print.h"
#include "math/bits.h"
#include "math/elementary.h"
#include "text/str_edit.h"
#include "text/str_primitives.h"
#include "text/str_replace.h"
#include "text/str_search.h"
#include "fake_platform.h"

namespace kivo {
namespace {

using Abi = fake::fixture;

int64_t p(const void* ptr) { return kivo_slot_from_ptr(ptr); }
int64_t f(double d) { return kivo_slot_from_f64(d); }

// The text of a returned string slot, released; "<null>" for a null slot.
std::string take(int64_t s) {
  if (s == 0) return "<null>";
  std::string text(static_cast<const char*>(kivo_slot_to_ptr(s)));
  kivo_mem_free(s);
  return text;
}
std::string take(char* s) { return take(p(s)); }

TEST_F(Abi, SlotHelpersKeepEveryBit) {
  for (double d : {0.0, -0.0, 3.141592653589793, -1e300, 5e-324}) {
    EXPECT_EQ(kivo_slot_from_f64(d), __builtin_bit_cast(int64_t, d));
    EXPECT_EQ(__builtin_bit_cast(int64_t, kivo_slot_to_f64(kivo_slot_from_f64(d))),
              __builtin_bit_cast(int64_t, d));
  }
  const char* text = "x";
  EXPECT_EQ(kivo_slot_to_ptr(kivo_slot_from_ptr(text)), text);
}

TEST_F(Abi, MathAndBitsGiveTheRoutinesBits) {
  const double xs[] = {0.0, -0.0, 0.5, 1.0, 2.0, 2.718281828459045, 3.141592653589793, 10.0,
                       -1.0, -2.5, 1e-20};
  for (double x : xs) {
    EXPECT_EQ(kivo_sqrt(f(x)), f(kivo::sqrt(x))) << x;
    EXPECT_EQ(kivo_sin(f(x)), f(kivo::sin(x))) << x;
    EXPECT_EQ(kivo_cos(f(x)), f(kivo::cos(x))) << x;
    EXPECT_EQ(kivo_exp(f(x)), f(kivo::exp(x))) << x;
    EXPECT_EQ(kivo_log(f(x)), f(kivo::log(x))) << x;
    for (double y : {-1.0, 0.5, 3.0, 10.0}) {  // base and exponent must not be swapped
      EXPECT_EQ(kivo_pow(f(x), f(y)), f(kivo::pow(x, y))) << x << " " << y;
    }
  }
  EXPECT_EQ(kivo_cos(f(0.0)), INT64_C(0x3FF00003B701ACD4));
  const int64_t ns[] = {0, 1, -1, 8, 63, 64, -8, INT64_MIN, INT64_MAX,
                        static_cast<int64_t>(0xDEADBEEFCAFEBABEu)};
  for (int64_t a : ns) {
    EXPECT_EQ(kivo_popcnt(a), popcnt(a));
    EXPECT_EQ(kivo_clz(a), clz(a));
    EXPECT_EQ(kivo_ctz(a), ctz(a));
    EXPECT_EQ(kivo_bswap(a), bswap(a));
    for (int64_t b : {int64_t{0}, int64_t{8}, int64_t{-8}, int64_t{18}, int64_t{-6}}) {
      EXPECT_EQ(kivo_rotl(a, b), rotl(a, b));
      EXPECT_EQ(kivo_gcd(a, b), gcd(a, b));
    }
  }
  EXPECT_EQ(kivo_gcd(48, 18), 6);
  EXPECT_EQ(kivo_rotl(1, 63), INT64_MIN);
}

TEST_F(Abi, ParsersReadTheSameNumbers) {
  for (const char* s : {"   -12345", "3.14159", "0xFF", "1aF", "-0", "", "9223372036854775808",
                        " +7.25x"}) {
    EXPECT_EQ(kivo_parse_int(p(s)), parse_int(s)) << s;
    EXPECT_EQ(kivo_parse_float(p(s)), f(parse_float(s))) << s;
    EXPECT_EQ(kivo_parse_hex(p(s)), parse_hex(s)) << s;
  }
  EXPECT_EQ(kivo_parse_float(p("3.14159")), INT64_C(0x400921F9F01B866F));
  EXPECT_EQ(kivo_parse_int(0) + kivo_parse_float(0) + kivo_parse_hex(0), 0);
}

TEST_F(Abi, StringRoutinesReturnOwnedBlocksOrNull) {
  const char* s = "  Hello, KivoNative!  ";
  EXPECT_EQ(kivo_str_len(p(s)), 22);
  EXPECT_EQ(kivo_str_len(0), 0);
  EXPECT_EQ(take(kivo_str_trim(p(s))), take(str_trim(s)));
  EXPECT_EQ(take(kivo_str_upper(p(s))), take(str_upper(s)));
  EXPECT_EQ(take(kivo_str_dup(p(s))), s);
  EXPECT_EQ(take(kivo_str_concat(p("ab"), 0)), "ab");
  EXPECT_EQ(take(kivo_str_concat3(p("a"), 0, p("c"))), "ac");
  EXPECT_EQ(take(kivo_str_substring(p("hello"), 2, -1)), "llo");
  EXPECT_EQ(take(kivo_str_substring(p("hello"), -5, 2)), "he");
  EXPECT_EQ(take(kivo_str_replace_first(p("a-b-c"), p("-"), p("+"))), "a+b-c");
  EXPECT_EQ(take(kivo_str_replace(p("a-b-c"), p("-"), p("+"))), "a+b+c");
  EXPECT_EQ(take(kivo_str_replace(p("a-b"), p("-"), 0)), "ab");
  EXPECT_EQ(kivo_str_find(p("abcabc"), p("ca")), 2);
  EXPECT_EQ(kivo_str_find(0, p("")), -1);
  EXPECT_EQ(kivo_str_contains(p("abc"), p("")), 1);
  EXPECT_EQ(kivo_str_contains(p("abc"), 0), 0);
  for (int64_t v : {int64_t{0}, int64_t{-12345}, INT64_MAX}) {
    EXPECT_EQ(take(kivo_int_to_str(v)), take(int_to_str(v)));
  }
  for (double v : {3.141592653589793, -2.5, 0.000001, 2.675}) {
    EXPECT_EQ(take(kivo_float_to_str(f(v))), take(float_to_str(v)));
  }
  EXPECT_EQ(take(kivo_float_to_str(f(3.141592653589793))), "3.141592");

  const int64_t block = kivo_str_alloc(3);
  ASSERT_NE(block, 0);
  EXPECT_EQ(kivo_str_copy_n(block, p("xyz!"), 3), 3);
  EXPECT_EQ(kivo_str_copy_n(0, p("x"), 1), 0);
  EXPECT_EQ(take(block), "xyz");

  // Null in, null out; a refused heap request gives null and leaves nothing behind.
  EXPECT_EQ(kivo_str_dup(0) | kivo_str_trim(0) | kivo_str_upper(0) | kivo_str_substring(0, 0, 1) |
                kivo_str_replace_first(0, p("a"), p("b")) | kivo_str_replace(0, p("a"), p("b")) |
                kivo_str_alloc(-1),
            0);
  using producer = int64_t (*)();
  const producer producers[] = {
      [] { return kivo_str_alloc(4); },
      [] { return kivo_str_dup(kivo_slot_from_ptr("ab")); },
      [] { return kivo_str_concat(kivo_slot_from_ptr("a"), kivo_slot_from_ptr("b")); },
      [] { return kivo_str_concat3(0, 0, 0); },
      [] { return kivo_str_trim(kivo_slot_from_ptr(" a ")); },
      [] { return kivo_int_to_str(7); },
      [] { return kivo_float_to_str(kivo_slot_from_f64(1.5)); },
  };
  for (producer make : producers) {
    fake::fail_request(1);
    EXPECT_EQ(make(), 0);
  }
}

TEST_F(Abi, ConsoleWritesWhatTheRoutinesWrite) {
  const int64_t values[] = {7, p("ab"), f(2.5), 65};
  const int64_t tags[] = {KIVO_TAG_INT, KIVO_TAG_STRING, KIVO_TAG_FLOAT, 5};
  EXPECT_EQ(kivo_print_int(INT64_MIN) | kivo_print_int_raw(65) | kivo_print_line(p("x")) |
                kivo_print_line(0) | kivo_print_str(p("s")) | kivo_print_str(0) |
                kivo_print_float(f(-0.5)) | kivo_print_float_line(f(1024.0)) |
                kivo_print_value(p(values), p(tags), 4) | kivo_print_value(0, 0, 0),
            0);
  EXPECT_EQ(fake::take_output(),
            "-9223372036854775808\n65x\n\ns-0.5000001024.000000\n7 ab 2.500000 65\n\n");
}

TEST_F(Abi, HeapBytesAndClocks) {
  const int64_t block = kivo_mem_alloc(7);
  ASSERT_NE(block, 0);
  EXPECT_EQ(kivo_mem_copy(block, p("abcdefg"), 7), block);
  EXPECT_EQ(kivo_mem_move(block + 2, block, 5), block + 2);
  EXPECT_EQ(kivo_mem_compare(block, p("ababcde"), 7), 0);
  EXPECT_EQ(kivo_mem_compare(p("abc"), p("abd"), 3), -1);
  EXPECT_EQ(kivo_mem_free(block), 0);
  EXPECT_EQ(kivo_mem_free(0), 0);
  EXPECT_EQ(kivo_mem_alloc(0), 0);
  fake::fail_request(1);
  EXPECT_EQ(kivo_mem_alloc(16), 0);

  fake::set_file_time(134116992000000000);
  EXPECT_EQ(kivo_time_now_ns(), INT64_C(-5035044873709551616));
  EXPECT_EQ(kivo_time_now_ms(), INT64_C(-5035044873709));
  EXPECT_EQ(kivo_time_now_s(), INT64_C(-5035044873));
}

TEST_F(Abi, VectorThroughTheCRecord) {
  const int64_t v = kivo_vec_new(8);
  ASSERT_NE(v, 0);
  const auto* rec = static_cast<const kivo_vec*>(kivo_slot_to_ptr(v));
  EXPECT_EQ(rec->len, 0);
  EXPECT_EQ(rec->cap, 16);
  EXPECT_EQ(rec->elem_size, 8);
  for (int64_t i = 0; i < 20; ++i) ASSERT_EQ(kivo_ivec_push(v, i * i), 0);
  const int64_t seven = 7;
  EXPECT_EQ(kivo_vec_push(v, p(&seven)), 0);
  EXPECT_EQ(kivo_vec_push(v, 0), -1);
  EXPECT_EQ(rec->len, 21);
  EXPECT_EQ(rec->cap, 32);
  EXPECT_EQ(kivo_ivec_get(v, 19), 361);
  EXPECT_EQ(kivo_ivec_get(v, -1), 0);
  EXPECT_EQ(*static_cast<const int64_t*>(kivo_slot_to_ptr(kivo_vec_at(v, 20))), 7);
  EXPECT_EQ(kivo_vec_at(v, 21), 0);
  EXPECT_EQ(kivo_vec_reserve(v, 1), 0);
  EXPECT_EQ(rec->cap, 64);
  fake::fail_request(1);
  EXPECT_EQ(kivo_vec_reserve(v, 1), -1);
  EXPECT_EQ(rec->cap, 64);
  EXPECT_EQ(kivo_vec_reserve(v, 1000), 0);  // more than doubling gives
  EXPECT_EQ(rec->cap, 1000);
  EXPECT_EQ(kivo_ivec_get(v, 3), 9);
  EXPECT_EQ(kivo_vec_free(v), 0);
  EXPECT_EQ(kivo_vec_free(0) + kivo_vec_reserve(0, 1) + kivo_ivec_push(0, 1), -3);
  EXPECT_EQ(kivo_vec_new(0), 0);
  fake::fail_request(2);
  EXPECT_EQ(kivo_vec_new(8), 0);
}

TEST_F(Abi, ArenaThroughTheCRecord) {
  const int64_t a = kivo_arena_new(4096);
  ASSERT_NE(a, 0);
  auto* rec = static_cast<kivo_arena*>(kivo_slot_to_ptr(a));
  EXPECT_EQ(rec->cap, 4096);
  EXPECT_EQ(rec->owns_buffer, 1);
  const int64_t s1 = kivo_arena_strdup(a, p("First string in arena"));
  const int64_t s2 = kivo_arena_strdup(a, p("Second string in arena"));
  EXPECT_EQ(s1, p(rec->base));
  EXPECT_EQ(s2, p(rec->base + 24));
  EXPECT_EQ(std::string(static_cast<const char*>(kivo_slot_to_ptr(s2))), "Second string in arena");
  EXPECT_EQ(rec->used, 47);
  EXPECT_EQ(kivo_arena_alloc(a, 4048), p(rec->base + 48));
  EXPECT_EQ(kivo_arena_alloc(a, 1), 0);
  rec->used = 0;  // a reset, as compiled code does it
  EXPECT_EQ(kivo_arena_alloc(a, 8), p(rec->base));
  EXPECT_EQ(kivo_arena_strdup(a, 0) | kivo_arena_strdup(0, p("x")) | kivo_arena_alloc(a, 0), 0);
  EXPECT_EQ(kivo_arena_free(a), 0);
  EXPECT_EQ(kivo_arena_free(0), -1);
  EXPECT_EQ(kivo_arena_new(-1), 0);
  fake::fail_request(2);
  EXPECT_EQ(kivo_arena_new(64), 0);
}

}  // namespace
}  // namespace kivo
