// Every entry point of <kivo/runtime.h>, called with null, negative, extreme and non-finite
// slots over the real Linux layer, each call in a child process of its own: no call may
// crash, trip the sanitizers or hang. Calls that are the caller's own error (a positive count
// past a buffer, or with a null buffer, given to the byte routines) are left out, as the
// reference says. reference_check.cmake makes sure that the table names every entry point.
#include <kivo/runtime.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "core/platform_linux.h"

namespace {

// What a slot stands for, and so which values it is swept with.
enum class kind { integer, count, f64, text, block, buffer, values, tags, vec, arena };

constexpr int64_t buffer_bytes = 64;
constexpr int64_t list_slots = 4;

int64_t p(const void* ptr) { return kivo_slot_from_ptr(ptr); }
int64_t f(double d) { return kivo_slot_from_f64(d); }

// The values of each kind. Made once in the parent; every child works on its own copy.
struct slot_values {
  std::vector<int64_t> of[10];
  const std::vector<int64_t>& operator[](kind k) const { return of[static_cast<int>(k)]; }
  std::vector<int64_t>& operator[](kind k) { return of[static_cast<int>(k)]; }
};

int64_t arena_with_used(int64_t used) {
  const int64_t a = kivo_arena_new(buffer_bytes);
  static_cast<kivo_arena*>(kivo_slot_to_ptr(a))->used = used;
  return a;
}

const slot_values& sweep_values() {
  static const slot_values v = [] {
    slot_values v;
    constexpr int64_t min = std::numeric_limits<int64_t>::min();
    constexpr int64_t max = std::numeric_limits<int64_t>::max();
    v[kind::integer] = {0, 1, -1, 8, 4096, int64_t{1} << 31, max, min, min + 1, -4096};
    v[kind::count] = {0, 1, buffer_bytes, buffer_bytes + 1, -1, min, max};
    constexpr double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (double d : {0.0, -0.0, 1.0, -1.0, 0.5, 0.5235987755982988, 50.0, -50.0, 710.0, -746.0,
                     1e15, 1e300, -1e300, 5e-324, -5e-324, 2.2250738585072014e-308,
                     std::numeric_limits<double>::max(), -std::numeric_limits<double>::max(),
                     inf, -inf, nan, -nan}) {
      v[kind::f64].push_back(f(d));
    }
    v[kind::f64].push_back(INT64_C(0x7FF0000000000001));  // a signalling NaN
    static const std::string long_text(4096, 'a');
    for (const char* s : {"", " \t\r\n", "a", "abc", "  Hello, KivoNative!  ",
                          "-9223372036854775809.5e", "0xFFFFFFFFFFFFFFFFFF", "\xff\x80\x01",
                          long_text.c_str()}) {
      v[kind::text].push_back(p(s));
    }
    v[kind::text].push_back(0);

    const int64_t small = kivo_mem_alloc(1);
    const int64_t pages = kivo_mem_alloc(3 * 4096);
    static int64_t not_a_block = 0;
    v[kind::block] = {0, small, pages, pages + 1, pages + 4096, p("literal"), p(&not_a_block),
                      -1, 4096};

    v[kind::buffer] = {0, kivo_mem_alloc(buffer_bytes)};

    static int64_t list_values[list_slots] = {7, p("ab"), f(-std::nan("")), 0};
    static int64_t list_tags[list_slots] = {KIVO_TAG_INT, KIVO_TAG_STRING, KIVO_TAG_FLOAT,
                                            KIVO_TAG_STRING};
    v[kind::values] = {0, p(list_values)};
    v[kind::tags] = {0, p(list_tags)};

    const int64_t grown = kivo_vec_new(8);
    for (int64_t i = 0; i < 20; ++i) kivo_ivec_push(grown, i);
    const int64_t bytes = kivo_vec_new(1);
    const char byte = 'x';
    kivo_vec_push(bytes, p(&byte));
    v[kind::vec] = {0, kivo_vec_new(8), grown, bytes, kivo_vec_new(buffer_bytes)};

    v[kind::arena] = {0,
                      arena_with_used(0),
                      arena_with_used(buffer_bytes),
                      arena_with_used(buffer_bytes - 1),
                      arena_with_used(-1),
                      arena_with_used(max)};
    return v;
  }();
  return v;
}

using call_fn = int64_t (*)(const int64_t*);
// Keeps calls that are the caller's own error out of the sweep.
using scope_fn = bool (*)(const int64_t*);

struct entry {
  std::string name;
  std::vector<kind> slots;
  call_fn call;
  size_t arity;
  scope_fn in_scope;
};

template <typename... A>
constexpr size_t arity_of(int64_t (*)(A...)) {
  return sizeof...(A);
}

template <auto fn>
int64_t call(const int64_t* a) {
  return [&]<size_t... i>(std::index_sequence<i...>) {
    return fn(a[i]...);
  }(std::make_index_sequence<arity_of(fn)>());
}

bool always(const int64_t*) { return true; }

// dst, src, count: a positive count needs two buffers that hold it.
bool bytes_held(const int64_t* a) {
  return a[2] <= 0 || (a[0] != 0 && a[1] != 0 && a[2] <= buffer_bytes);
}

// values, tags, count: two lists of list_slots slots, or a null one (which prints nothing).
bool list_held(const int64_t* a) {
  return a[0] == 0 || a[1] == 0 || a[2] <= list_slots;
}

template <auto fn>
entry make(const char* name, std::vector<kind> slots, scope_fn in_scope = always) {
  return entry{name, std::move(slots), call<fn>, arity_of(fn), in_scope};
}

using enum kind;

const std::vector<entry>& entries() {
  static const std::vector<entry> all = {
      make<kivo_mem_alloc>("kivo_mem_alloc", {integer}),
      make<kivo_mem_free>("kivo_mem_free", {block}),
      make<kivo_mem_copy>("kivo_mem_copy", {buffer, buffer, count}, bytes_held),
      make<kivo_mem_move>("kivo_mem_move", {buffer, buffer, count}, bytes_held),
      make<kivo_mem_compare>("kivo_mem_compare", {buffer, buffer, count}, bytes_held),
      make<kivo_time_now_ns>("kivo_time_now_ns", {}),
      make<kivo_time_now_ms>("kivo_time_now_ms", {}),
      make<kivo_time_now_s>("kivo_time_now_s", {}),
      make<kivo_print_int>("kivo_print_int", {integer}),
      make<kivo_print_int_raw>("kivo_print_int_raw", {integer}),
      make<kivo_print_line>("kivo_print_line", {text}),
      make<kivo_print_str>("kivo_print_str", {text}),
      make<kivo_print_float>("kivo_print_float", {f64}),
      make<kivo_print_float_line>("kivo_print_float_line", {f64}),
      make<kivo_print_value>("kivo_print_value", {values, tags, count}, list_held),
      make<kivo_str_len>("kivo_str_len", {text}),
      make<kivo_str_alloc>("kivo_str_alloc", {integer}),
      make<kivo_str_copy_n>("kivo_str_copy_n", {buffer, buffer, count},
                            [](const int64_t* a) {
                              return a[0] == 0 || a[1] == 0 || a[2] <= buffer_bytes;
                            }),
      make<kivo_str_dup>("kivo_str_dup", {text}),
      make<kivo_str_concat>("kivo_str_concat", {text, text}),
      make<kivo_str_concat3>("kivo_str_concat3", {text, text, text}),
      make<kivo_str_find>("kivo_str_find", {text, text}),
      make<kivo_str_contains>("kivo_str_contains", {text, text}),
      make<kivo_str_substring>("kivo_str_substring", {text, integer, integer}),
      make<kivo_str_trim>("kivo_str_trim", {text}),
      make<kivo_str_upper>("kivo_str_upper", {text}),
      make<kivo_str_replace_first>("kivo_str_replace_first", {text, text, text}),
      make<kivo_str_replace>("kivo_str_replace", {text, text, text}),
      make<kivo_int_to_str>("kivo_int_to_str", {integer}),
      make<kivo_float_to_str>("kivo_float_to_str", {f64}),
      make<kivo_parse_int>("kivo_parse_int", {text}),
      make<kivo_parse_float>("kivo_parse_float", {text}),
      make<kivo_parse_hex>("kivo_parse_hex", {text}),
      make<kivo_gcd>("kivo_gcd", {integer, integer}),
      make<kivo_sqrt>("kivo_sqrt", {f64}),
      make<kivo_sin>("kivo_sin", {f64}),
      make<kivo_cos>("kivo_cos", {f64}),
      make<kivo_exp>("kivo_exp", {f64}),
      make<kivo_log>("kivo_log", {f64}),
      make<kivo_pow>("kivo_pow", {f64, f64}),
      make<kivo_popcnt>("kivo_popcnt", {integer}),
      make<kivo_clz>("kivo_clz", {integer}),
      make<kivo_ctz>("kivo_ctz", {integer}),
      make<kivo_bswap>("kivo_bswap", {integer}),
      make<kivo_rotl>("kivo_rotl", {integer, integer}),
      make<kivo_vec_new>("kivo_vec_new", {integer}),
      make<kivo_vec_reserve>("kivo_vec_reserve", {vec, integer}),
      make<kivo_vec_push>("kivo_vec_push", {vec, buffer}),
      make<kivo_vec_at>("kivo_vec_at", {vec, integer}),
      make<kivo_vec_free>("kivo_vec_free", {vec}),
      make<kivo_ivec_push>("kivo_ivec_push", {vec, integer}),
      make<kivo_ivec_get>("kivo_ivec_get", {vec, integer}),
      make<kivo_arena_new>("kivo_arena_new", {integer}),
      make<kivo_arena_alloc>("kivo_arena_alloc", {arena, integer}),
      make<kivo_arena_strdup>("kivo_arena_strdup", {arena, text}),
      make<kivo_arena_free>("kivo_arena_free", {arena}),
  };
  return all;
}

// How a child ended, in words; empty when it exited with 0.
std::string ending(int status) {
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return "";
  if (WIFSIGNALED(status) && WTERMSIG(status) == SIGALRM) return "hangs";
  if (WIFSIGNALED(status)) return "dies of signal " + std::to_string(WTERMSIG(status));
  return "exits with " + std::to_string(WEXITSTATUS(status));
}

std::string describe(const entry& e, const int64_t* a) {
  std::ostringstream text;
  text << e.name << "(";
  for (size_t i = 0; i < e.arity; ++i) text << (i > 0 ? ", " : "") << "0x" << std::hex << a[i];
  text << ")";
  return text.str();
}

// Each call alone in a child: its output goes nowhere, and a call that does not return
// within the time limit counts as a hang.
std::string run_alone(const entry& e, const int64_t* a) {
  const pid_t child = fork();
  if (child == 0) {
    const int null_fd = open("/dev/null", O_WRONLY);
    dup2(null_fd, 1);
    alarm(20);
    e.call(a);
    _exit(0);
  }
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child) return "cannot be run in a child";
  return ending(status);
}

class Sweep : public ::testing::TestWithParam<entry> {};

TEST_P(Sweep, SurvivesEveryArgument) {
  const entry& e = GetParam();
  ASSERT_EQ(e.slots.size(), e.arity) << e.name;
  kivo::platform::linux_page_size = static_cast<uint64_t>(sysconf(_SC_PAGESIZE));
  const slot_values& v = sweep_values();
  // Every combination of the slots' values, as an odometer over their indices.
  std::vector<size_t> at(e.arity, 0);
  int64_t args[3] = {0, 0, 0};
  int64_t calls = 0;
  for (bool more = true; more;) {
    for (size_t i = 0; i < e.arity; ++i) args[i] = v[e.slots[i]][at[i]];
    if (e.in_scope(args)) {
      ++calls;
      const std::string how = run_alone(e, args);
      EXPECT_EQ(how, "") << describe(e, args);
    }
    more = false;
    for (size_t i = 0; i < e.arity && !more; ++i) {
      more = ++at[i] < v[e.slots[i]].size();
      if (!more) at[i] = 0;
    }
  }
  std::printf("%s: %lld calls\n", e.name.c_str(), static_cast<long long>(calls));
}

INSTANTIATE_TEST_SUITE_P(EntryPoints, Sweep, ::testing::ValuesIn(entries()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
