// Each runtime routine next to the nearest C library routine on the same input, so that the
// cost of the runtime's byte-at-a-time and naive designs is visible. Compare the rows in pairs.
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

// The needle appears only at the very end, and its first bytes recur often, which is the
// naive search's slow case and an ordinary one for strstr.
struct search_input {
  std::string hay = std::string(kBytes - 8, 'a') + "aaaaaab";
  std::string needle = "aaaab";
};

void BM_str_len(benchmark::State& state) {
  const std::string s = filler(kBytes);
  for (auto _ : state) benchmark::DoNotOptimize(kivo::str_len(s.c_str()));
  state.SetBytesProcessed(state.iterations() * kBytes);
}
void BM_libc_strlen(benchmark::State& state) {
  const std::string s = filler(kBytes);
  for (auto _ : state) {
    const char* p = s.c_str();
    benchmark::DoNotOptimize(p);
    benchmark::DoNotOptimize(std::strlen(p));
  }
  state.SetBytesProcessed(state.iterations() * kBytes);
}

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

void BM_mem_copy(benchmark::State& state) {
  std::vector<char> src(kBytes, 'x'), dst(kBytes);
  for (auto _ : state) {
    kivo::mem_copy(dst.data(), src.data(), kBytes);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * kBytes);
}
void BM_libc_memcpy(benchmark::State& state) {
  std::vector<char> src(kBytes, 'x'), dst(kBytes);
  for (auto _ : state) {
    char* d = dst.data();
    benchmark::DoNotOptimize(d);
    std::memcpy(d, src.data(), kBytes);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * kBytes);
}

// An overlapping move upwards: the runtime walks backwards one byte at a time.
void BM_mem_move(benchmark::State& state) {
  std::vector<char> buf(kBytes + 64, 'x');
  for (auto _ : state) {
    kivo::mem_move(buf.data() + 64, buf.data(), kBytes);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * kBytes);
}
void BM_libc_memmove(benchmark::State& state) {
  std::vector<char> buf(kBytes + 64, 'x');
  for (auto _ : state) {
    char* p = buf.data();
    benchmark::DoNotOptimize(p);
    std::memmove(p + 64, p, kBytes);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * kBytes);
}

void BM_mem_compare(benchmark::State& state) {
  std::vector<char> a(kBytes, 'x'), b(kBytes, 'x');
  b.back() = 'y';
  for (auto _ : state) benchmark::DoNotOptimize(kivo::mem_compare(a.data(), b.data(), kBytes));
  state.SetBytesProcessed(state.iterations() * kBytes);
}
void BM_libc_memcmp(benchmark::State& state) {
  std::vector<char> a(kBytes, 'x'), b(kBytes, 'x');
  b.back() = 'y';
  for (auto _ : state) {
    const char* p = a.data();
    benchmark::DoNotOptimize(p);
    benchmark::DoNotOptimize(std::memcmp(p, b.data(), kBytes));
  }
  state.SetBytesProcessed(state.iterations() * kBytes);
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

BENCHMARK(BM_str_len);
BENCHMARK(BM_libc_strlen);
BENCHMARK(BM_str_find);
BENCHMARK(BM_libc_strstr);
BENCHMARK(BM_mem_copy);
BENCHMARK(BM_libc_memcpy);
BENCHMARK(BM_mem_move);
BENCHMARK(BM_libc_memmove);
BENCHMARK(BM_mem_compare);
BENCHMARK(BM_libc_memcmp);
BENCHMARK(BM_parse_int);
BENCHMARK(BM_libc_strtoll);
BENCHMARK(BM_parse_float);
BENCHMARK(BM_libc_strtod);
BENCHMARK(BM_float_format_fixed6);
BENCHMARK(BM_libc_snprintf_fixed6);

}  // namespace
