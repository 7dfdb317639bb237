// Cost per call of each math routine, against a baseline of one double division measured in
// the same run; and the cost of sin from 1 to 1e15, decade by decade, next to the per-period
// reduction loop it replaces (run only as far as that loop stays affordable).
#include <stdint.h>

#include <benchmark/benchmark.h>

#include "math/bits.h"
#include "math/elementary.h"

namespace {

constexpr double pi = 3.141592653589793;

void BM_Baseline_Divide(benchmark::State& state) {
  double x = 2.0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(x);
    benchmark::DoNotOptimize(1.0 / x);
  }
}
BENCHMARK(BM_Baseline_Divide);

// One argument of the report for each routine; DoNotOptimize keeps it from being folded.
void BM_Unary(benchmark::State& state, double (*f)(double), double arg) {
  for (auto _ : state) {
    benchmark::DoNotOptimize(arg);
    benchmark::DoNotOptimize(f(arg));
  }
}
BENCHMARK_CAPTURE(BM_Unary, sin_pi_6, kivo::sin, pi / 6.0);
BENCHMARK_CAPTURE(BM_Unary, cos_0, kivo::cos, 0.0);
BENCHMARK_CAPTURE(BM_Unary, sqrt_2, kivo::sqrt, 2.0);
BENCHMARK_CAPTURE(BM_Unary, sqrt_1e300, kivo::sqrt, 1e300);
BENCHMARK_CAPTURE(BM_Unary, exp_1, kivo::exp, 1.0);
BENCHMARK_CAPTURE(BM_Unary, exp_10, kivo::exp, 10.0);
BENCHMARK_CAPTURE(BM_Unary, log_e, kivo::log, 2.718281828459045);
BENCHMARK_CAPTURE(BM_Unary, log_1e300, kivo::log, 1e300);
BENCHMARK_CAPTURE(BM_Unary, log_smallest_subnormal, kivo::log, 4.9406564584124654e-324);

void BM_Pow(benchmark::State& state) {
  double base = 2.0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(base);
    benchmark::DoNotOptimize(kivo::pow(base, 10.0));
  }
}
BENCHMARK(BM_Pow);

void BM_Gcd(benchmark::State& state) {
  int64_t a = 48;
  for (auto _ : state) {
    benchmark::DoNotOptimize(a);
    benchmark::DoNotOptimize(kivo::gcd(a, 18));
  }
}
BENCHMARK(BM_Gcd);

void BM_BitOps(benchmark::State& state) {
  int64_t x = static_cast<int64_t>(0xDEADBEEFCAFEBABEu);
  for (auto _ : state) {
    benchmark::DoNotOptimize(x);
    benchmark::DoNotOptimize(kivo::popcnt(x) + kivo::clz(x) + kivo::ctz(x));
    benchmark::DoNotOptimize(kivo::bswap(x));
    benchmark::DoNotOptimize(kivo::rotl(x, 8));
  }
}
BENCHMARK(BM_BitOps);

// 64 arguments spread over the decade [10^d, 10^(d+1)), visited in turn.
void decade_arguments(int d, double (&xs)[64]) {
  double base = 1.0;
  for (int i = 0; i < d; ++i) base *= 10.0;
  for (int i = 0; i < 64; ++i) xs[i] = base * (1.0 + 9.0 * (i + 0.37) / 64.0);
}

void BM_SinByDecade(benchmark::State& state) {
  double xs[64];
  decade_arguments(static_cast<int>(state.range(0)), xs);
  unsigned i = 0;
  for (auto _ : state) benchmark::DoNotOptimize(kivo::sin(xs[i++ & 63]));
}
BENCHMARK(BM_SinByDecade)->DenseRange(0, 15);

// The per-period loop, one subtraction per period: what sin would cost without the runs.
double plain_reduce(double x) {
  while (x > pi) x = x - 6.283185307179586;
  while (x < 0.0 - pi) x = x + 6.283185307179586;
  return x;
}

void BM_PlainReduceByDecade(benchmark::State& state) {
  double xs[64];
  decade_arguments(static_cast<int>(state.range(0)), xs);
  unsigned i = 0;
  for (auto _ : state) benchmark::DoNotOptimize(plain_reduce(xs[i++ & 63]));
}
BENCHMARK(BM_PlainReduceByDecade)->DenseRange(0, 7);

}  // namespace
