// Each runtime routine next to the nearest C library routine on the same input. Compare the
// rows in pairs: BM_kivo_x/n against BM_libc_x/n (bench/libc_ratios.sh), and the others
// against the row below them.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "convert/parse.h"
#include "core/float_format.h"
#include "core/mem.h"
#include "text/str_primitives.h"
#include "text/str_search.h"

namespace {

constexpr int64_t kBytes = 4096;

// The byte routines from 16 B to 1 MiB, each beside its C library routine, with the buffers
// at 64-byte boundaries (offset 0) or at odd offsets (1): bench/libc_ratios.sh prints the
// ratios of the medians. Odd means the destination one byte past a boundary and the source
// seven, so that the two are misaligned against each other too.
void byte_sizes(benchmark::internal::Benchmark* b) {
  for (int64_t n : {16, 64, 256, 1024, 4096, 16384, 65536, 1 << 20}) {
    for (int64_t odd : {0, 1}) b->Args({n, odd});
  }
}

// Room for n bytes at the given offset from a 64-byte boundary, in one of two fixed places
// that the kivo and the libc rows share. Where two buffers lie against each other decides
// stalls such as 4 KiB aliasing (a load taken to depend on a store 4 KiB away): with buffers
// from the heap such a stall fell on one side of a pair by chance, run to run. The second
// place starts 2 KiB past a page boundary, as buffers apart from each other mostly do.
constexpr int64_t place_bytes = (int64_t{1} << 20) + 8192;
alignas(4096) char places[2][place_bytes];
struct buffer {
  char* at;
  buffer(int64_t n, int64_t offset, char fill, int place = 0) {
    char* room = places[place] + (place == 1 ? 2048 : 0);
    std::memset(room, fill, static_cast<size_t>(n + offset + 64));
    at = room + offset;
  }
};
int64_t dst_offset(const benchmark::State& state) { return state.range(1) != 0 ? 1 : 0; }
int64_t src_offset(const benchmark::State& state) { return state.range(1) != 0 ? 7 : 0; }

void BM_kivo_str_len(benchmark::State& state) {
  const int64_t n = state.range(0);
  buffer s(n + 1, src_offset(state), 'x');
  s.at[n] = '\0';
  for (auto _ : state) {
    const char* p = s.at;
    benchmark::DoNotOptimize(p);
    benchmark::DoNotOptimize(kivo::str_len(p));
  }
  state.SetBytesProcessed(state.iterations() * n);
}
void BM_libc_str_len(benchmark::State& state) {
  const int64_t n = state.range(0);
  buffer s(n + 1, src_offset(state), 'x');
  s.at[n] = '\0';
  for (auto _ : state) {
    const char* p = s.at;
    benchmark::DoNotOptimize(p);
    benchmark::DoNotOptimize(std::strlen(p));
  }
  state.SetBytesProcessed(state.iterations() * n);
}

void BM_kivo_mem_copy(benchmark::State& state) {
  const int64_t n = state.range(0);
  buffer src(n, src_offset(state), 'x'), dst(n, dst_offset(state), 0, 1);
  for (auto _ : state) {
    char* d = dst.at;
    benchmark::DoNotOptimize(d);
    kivo::mem_copy(d, src.at, n);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * n);
}
void BM_libc_mem_copy(benchmark::State& state) {
  const int64_t n = state.range(0);
  buffer src(n, src_offset(state), 'x'), dst(n, dst_offset(state), 0, 1);
  for (auto _ : state) {
    char* d = dst.at;
    benchmark::DoNotOptimize(d);
    std::memcpy(d, src.at, static_cast<size_t>(n));
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * n);
}

// An overlapping move 8 bytes upwards, which must run from the end.
void BM_kivo_mem_move(benchmark::State& state) {
  const int64_t n = state.range(0);
  buffer buf(n + 8, dst_offset(state), 'x');
  for (auto _ : state) {
    char* p = buf.at;
    benchmark::DoNotOptimize(p);
    kivo::mem_move(p + 8, p, n);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * n);
}
void BM_libc_mem_move(benchmark::State& state) {
  const int64_t n = state.range(0);
  buffer buf(n + 8, dst_offset(state), 'x');
  for (auto _ : state) {
    char* p = buf.at;
    benchmark::DoNotOptimize(p);
    std::memmove(p + 8, p, static_cast<size_t>(n));
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * n);
}

// Equal up to the last byte.
void BM_kivo_mem_compare(benchmark::State& state) {
  const int64_t n = state.range(0);
  buffer a(n, dst_offset(state), 'x'), b(n, src_offset(state), 'x', 1);
  b.at[n - 1] = 'y';
  for (auto _ : state) {
    const char* p = a.at;
    benchmark::DoNotOptimize(p);
    benchmark::DoNotOptimize(kivo::mem_compare(p, b.at, n));
  }
  state.SetBytesProcessed(state.iterations() * n);
}
void BM_libc_mem_compare(benchmark::State& state) {
  const int64_t n = state.range(0);
  buffer a(n, dst_offset(state), 'x'), b(n, src_offset(state), 'x', 1);
  b.at[n - 1] = 'y';
  for (auto _ : state) {
    const char* p = a.at;
    benchmark::DoNotOptimize(p);
    benchmark::DoNotOptimize(std::memcmp(p, b.at, static_cast<size_t>(n)));
  }
  state.SetBytesProcessed(state.iterations() * n);
}

// Searches from 1 KB to 1 MB, against strstr. Ordinary text: words of a small vocabulary,
// whose letters (and whole words) start and end the pattern often, with the pattern only
// at the end. Adversarial: a^(n/2)b in a^n, the plain search's quadratic case; a^31ba^32 in
// a^n, whose first and last bytes match at every position; ba^200 in a^n, whose last bytes
// do; (ab)^40c in (ab)^n, periodic; (ab)^20aa(ab)^20 in (ab)^n, made only of its first and
// last bytes, so that every other window passes any filter of single bytes; and one byte
// that does not occur.
void search_sizes(benchmark::internal::Benchmark* b) {
  for (int64_t n : {1 << 10, 1 << 13, 1 << 16, 1 << 19, 1 << 20}) b->Arg(n);
}

struct search_case {
  std::string hay, needle;
};

search_case ordinary_text(size_t n) {
  static const char* const words[] = {"the", "reason", "able", "table", "real", "season", "to",
                                      "rest", "be", "era", "are", "sea", "of", "bear", "one"};
  std::mt19937 rng(1);
  search_case c{"", "reasonable"};
  while (c.hay.size() + c.needle.size() + 8 < n) {
    c.hay += words[rng() % (sizeof words / sizeof *words)];
    c.hay += ' ';
  }
  c.hay.resize(n - c.needle.size(), ' ');
  c.hay += c.needle;
  return c;
}
search_case half_run(size_t n) { return {std::string(n, 'a'), std::string(n / 2, 'a') + "b"}; }
search_case filter_defeat(size_t n) { return {std::string(n, 'a'), std::string(31, 'a') + "b" + std::string(32, 'a')}; }
search_case late_first(size_t n) { return {std::string(n, 'a'), "b" + std::string(200, 'a')}; }
search_case periodic(size_t n) {
  search_case c{"", ""};
  while (c.hay.size() < n) c.hay += "ab";
  for (int i = 0; i < 40; ++i) c.needle += "ab";
  c.needle += "c";
  return c;
}
search_case two_letter(size_t n) {
  search_case c = periodic(n);
  c.needle = c.needle.substr(0, 40) + "aa" + c.needle.substr(0, 40);
  return c;
}
search_case one_byte(size_t n) { return {ordinary_text(n).hay, "z"}; }

template <search_case (*make)(size_t)>
void BM_kivo_str_find(benchmark::State& state) {
  const search_case c = make(static_cast<size_t>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(kivo::str_find(c.hay.c_str(), c.needle.c_str()));
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
template <search_case (*make)(size_t)>
void BM_libc_str_find(benchmark::State& state) {
  const search_case c = make(static_cast<size_t>(state.range(0)));
  for (auto _ : state) {
    const char* hay = c.hay.c_str();
    benchmark::DoNotOptimize(hay);
    benchmark::DoNotOptimize(std::strstr(hay, c.needle.c_str()));
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}

// The needle appears only at the very end, and its first bytes recur often.
struct search_input {
  std::string hay = std::string(kBytes - 8, 'a') + "aaaaaab";
  std::string needle = "aaaab";
};

void BM_str_find(benchmark::State& state) {
  const search_input in;
  for (auto _ : state) benchmark::DoNotOptimize(kivo::str_find(in.hay.c_str(), in.needle.c_str()));
}
void BM_libc_strstr(benchmark::State& state) {
  const search_input in;
  for (auto _ : state) {
    const char* hay = in.hay.c_str();
    benchmark::DoNotOptimize(hay);
    benchmark::DoNotOptimize(std::strstr(hay, in.needle.c_str()));
  }
}

const char* const kInt = "   -1234567890123456";
void BM_parse_int(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(kivo::parse_int(kInt));
}
void BM_libc_strtoll(benchmark::State& state) {
  for (auto _ : state) {
    const char* s = kInt;
    benchmark::DoNotOptimize(s);
    benchmark::DoNotOptimize(std::strtoll(s, nullptr, 10));
  }
}

const char* const kFloat = "  -12345.678901";
void BM_parse_float(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(kivo::parse_float(kFloat));
}
void BM_libc_strtod(benchmark::State& state) {
  for (auto _ : state) {
    const char* s = kFloat;
    benchmark::DoNotOptimize(s);
    benchmark::DoNotOptimize(std::strtod(s, nullptr));
  }
}

std::vector<double> random_doubles() {
  std::mt19937_64 rng(42);
  std::vector<double> v(4096);
  for (double& d : v) {
    do {
      const uint64_t bits = rng();
      std::memcpy(&d, &bits, sizeof d);
    } while (d != d || d - d != 0);  // finite values only
  }
  return v;
}

void BM_float_format_fixed6(benchmark::State& state) {
  const std::vector<double> values = random_doubles();
  char buf[kivo::float_format_fixed6_cap];
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(kivo::float_format_fixed6(values[i++ & 4095], buf));
    benchmark::ClobberMemory();
  }
}
void BM_libc_snprintf_fixed6(benchmark::State& state) {
  const std::vector<double> values = random_doubles();
  char buf[kivo::float_format_fixed6_cap];
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(std::snprintf(buf, sizeof buf, "%.6f", values[i++ & 4095]));
    benchmark::ClobberMemory();
  }
}

BENCHMARK(BM_kivo_str_len)->Apply(byte_sizes);
BENCHMARK(BM_libc_str_len)->Apply(byte_sizes);
BENCHMARK(BM_kivo_mem_copy)->Apply(byte_sizes);
BENCHMARK(BM_libc_mem_copy)->Apply(byte_sizes);
BENCHMARK(BM_kivo_mem_move)->Apply(byte_sizes);
BENCHMARK(BM_libc_mem_move)->Apply(byte_sizes);
BENCHMARK(BM_kivo_mem_compare)->Apply(byte_sizes);
BENCHMARK(BM_libc_mem_compare)->Apply(byte_sizes);
BENCHMARK(BM_kivo_str_find<ordinary_text>)->Name("BM_kivo_str_find_ordinary")->Apply(search_sizes);
BENCHMARK(BM_libc_str_find<ordinary_text>)->Name("BM_libc_str_find_ordinary")->Apply(search_sizes);
BENCHMARK(BM_kivo_str_find<half_run>)->Name("BM_kivo_str_find_half_run")->Apply(search_sizes);
BENCHMARK(BM_libc_str_find<half_run>)->Name("BM_libc_str_find_half_run")->Apply(search_sizes);
BENCHMARK(BM_kivo_str_find<filter_defeat>)->Name("BM_kivo_str_find_filter_defeat")->Apply(search_sizes);
BENCHMARK(BM_libc_str_find<filter_defeat>)->Name("BM_libc_str_find_filter_defeat")->Apply(search_sizes);
BENCHMARK(BM_kivo_str_find<late_first>)->Name("BM_kivo_str_find_late_first")->Apply(search_sizes);
BENCHMARK(BM_libc_str_find<late_first>)->Name("BM_libc_str_find_late_first")->Apply(search_sizes);
BENCHMARK(BM_kivo_str_find<periodic>)->Name("BM_kivo_str_find_periodic")->Apply(search_sizes);
BENCHMARK(BM_libc_str_find<periodic>)->Name("BM_libc_str_find_periodic")->Apply(search_sizes);
BENCHMARK(BM_kivo_str_find<two_letter>)->Name("BM_kivo_str_find_two_letter")->Apply(search_sizes);
BENCHMARK(BM_libc_str_find<two_letter>)->Name("BM_libc_str_find_two_letter")->Apply(search_sizes);
BENCHMARK(BM_kivo_str_find<one_byte>)->Name("BM_kivo_str_find_one_byte")->Apply(search_sizes);
BENCHMARK(BM_libc_str_find<one_byte>)->Name("BM_libc_str_find_one_byte")->Apply(search_sizes);
BENCHMARK(BM_str_find);
BENCHMARK(BM_libc_strstr);
BENCHMARK(BM_parse_int);
BENCHMARK(BM_libc_strtoll);
BENCHMARK(BM_parse_float);
BENCHMARK(BM_libc_strtod);
BENCHMARK(BM_float_format_fixed6);
BENCHMARK(BM_libc_snprintf_fixed6);

}  // namespace
