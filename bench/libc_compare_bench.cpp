// Each runtime routine next to the nearest C library routine on the same input. Compare the
// rows in pairs: BM_kivo_x/n against BM_libc_x/n (bench/libc_ratios.sh), and the others
// against the row below them.
#include <benchmark/benchmark.h>

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

std::string filler(size_t n) {
  std::string s(n, 'a');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>('a' + i * 7 % 26);
  return s;
}

// The byte routines at 16 B, 256 B, 4 KiB and 1 MiB, each beside its C library routine;
// bench/libc_ratios.sh prints the ratios of the medians.
void byte_sizes(benchmark::internal::Benchmark* b) {
  for (int64_t n : {16, 256, 4096, 1 << 20}) b->Arg(n);
}

void BM_kivo_str_len(benchmark::State& state) {
  const std::string s = filler(static_cast<size_t>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(kivo::str_len(s.c_str()));
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
void BM_libc_str_len(benchmark::State& state) {
  const std::string s = filler(static_cast<size_t>(state.range(0)));
  for (auto _ : state) {
    const char* p = s.c_str();
    benchmark::DoNotOptimize(p);
    benchmark::DoNotOptimize(std::strlen(p));
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}

void BM_kivo_mem_copy(benchmark::State& state) {
  const int64_t n = state.range(0);
  std::vector<char> src(static_cast<size_t>(n), 'x'), dst(static_cast<size_t>(n));
  for (auto _ : state) {
    kivo::mem_copy(dst.data(), src.data(), n);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * n);
}
void BM_libc_mem_copy(benchmark::State& state) {
  const int64_t n = state.range(0);
  std::vector<char> src(static_cast<size_t>(n), 'x'), dst(static_cast<size_t>(n));
  for (auto _ : state) {
    char* d = dst.data();
    benchmark::DoNotOptimize(d);
    std::memcpy(d, src.data(), static_cast<size_t>(n));
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * n);
}

// An overlapping move 8 bytes upwards, which must run from the end.
void BM_kivo_mem_move(benchmark::State& state) {
  const int64_t n = state.range(0);
  std::vector<char> buf(static_cast<size_t>(n) + 8, 'x');
  for (auto _ : state) {
    kivo::mem_move(buf.data() + 8, buf.data(), n);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * n);
}
void BM_libc_mem_move(benchmark::State& state) {
  const int64_t n = state.range(0);
  std::vector<char> buf(static_cast<size_t>(n) + 8, 'x');
  for (auto _ : state) {
    char* p = buf.data();
    benchmark::DoNotOptimize(p);
    std::memmove(p + 8, p, static_cast<size_t>(n));
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * n);
}

// Equal up to the last byte.
void BM_kivo_mem_compare(benchmark::State& state) {
  const int64_t n = state.range(0);
  std::vector<char> a(static_cast<size_t>(n), 'x'), b(static_cast<size_t>(n), 'x');
  b.back() = 'y';
  for (auto _ : state) benchmark::DoNotOptimize(kivo::mem_compare(a.data(), b.data(), n));
  state.SetBytesProcessed(state.iterations() * n);
}
void BM_libc_mem_compare(benchmark::State& state) {
  const int64_t n = state.range(0);
  std::vector<char> a(static_cast<size_t>(n), 'x'), b(static_cast<size_t>(n), 'x');
  b.back() = 'y';
  for (auto _ : state) {
    const char* p = a.data();
    benchmark::DoNotOptimize(p);
    benchmark::DoNotOptimize(std::memcmp(p, b.data(), static_cast<size_t>(n)));
  }
  state.SetBytesProcessed(state.iterations() * n);
}

// Searches from 1 KB to 1 MB, against strstr. Ordinary text: words of a small vocabulary,
// whose letters (and whole words) start and end the pattern often, with the pattern only
// at the end. Adversarial: a^(n/2)b in a^n, the plain search's quadratic case, and a^31ba^32
// in a^n, whose first and last bytes match at every position.
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
BENCHMARK(BM_str_find);
BENCHMARK(BM_libc_strstr);
BENCHMARK(BM_parse_int);
BENCHMARK(BM_libc_strtoll);
BENCHMARK(BM_parse_float);
BENCHMARK(BM_libc_strtod);
BENCHMARK(BM_float_format_fixed6);
BENCHMARK(BM_libc_snprintf_fixed6);

}  // namespace
