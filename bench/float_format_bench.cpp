// Time per value of the "%.6f" renderer next to the C library's snprintf on the same doubles.
#include "core/float_format.h"

#include <stdint.h>
#include <stdio.h>

#include <bit>
#include <cmath>
#include <random>
#include <vector>

#include <benchmark/benchmark.h>

namespace {

constexpr size_t set_size = 4096;  // a power of two, so the index wraps with a mask

// Everyday values: magnitudes spread evenly on a log scale from 1e-3 to 1e6, either sign.
const std::vector<double>& everyday() {
  static const std::vector<double> values = [] {
    std::mt19937_64 rng(1);
    std::uniform_real_distribution<double> exponent(-3.0, 6.0);
    std::vector<double> v(set_size);
    for (double& x : v) x = std::pow(10.0, exponent(rng)) * ((rng() & 1) != 0 ? -1 : 1);
    return v;
  }();
  return values;
}

// Random bit patterns: every exponent equally likely, NaNs and infinities included.
const std::vector<double>& random_bits() {
  static const std::vector<double> values = [] {
    std::mt19937_64 rng(2);
    std::vector<double> v(set_size);
    for (double& x : v) x = std::bit_cast<double>(rng());
    return v;
  }();
  return values;
}

void run_renderer(benchmark::State& state, const std::vector<double>& values) {
  char text[kivo::float_format_fixed6_cap];
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(kivo::float_format_fixed6(values[i++ & (set_size - 1)], text));
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
}

void run_snprintf(benchmark::State& state, const std::vector<double>& values) {
  char text[kivo::float_format_fixed6_cap];
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(snprintf(text, sizeof text, "%.6f", values[i++ & (set_size - 1)]));
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_Fixed6Everyday(benchmark::State& state) { run_renderer(state, everyday()); }
void BM_SnprintfEveryday(benchmark::State& state) { run_snprintf(state, everyday()); }
void BM_Fixed6RandomBits(benchmark::State& state) { run_renderer(state, random_bits()); }
void BM_SnprintfRandomBits(benchmark::State& state) { run_snprintf(state, random_bits()); }

BENCHMARK(BM_Fixed6Everyday);
BENCHMARK(BM_SnprintfEveryday);
BENCHMARK(BM_Fixed6RandomBits);
BENCHMARK(BM_SnprintfRandomBits);

}  // namespace
