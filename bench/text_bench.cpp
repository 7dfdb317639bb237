// Text routines and number conversion on fixed inputs. Each group has a baseline in the
// same run: a plain copy of the same text, or int_to_str for the number routines.
#include <benchmark/benchmark.h>

#include <string>

#include "convert/float_to_str.h"
#include "convert/int_to_str.h"
#include "convert/parse.h"
#include "core/mem.h"
#include "text/str_primitives.h"
#include "text/str_replace.h"

namespace kivo {
namespace {

// 1000 bytes with ten occurrences of "ab", spread evenly.
std::string text_with_ten() {
  std::string s;
  for (int i = 0; i < 10; ++i) s += std::string(98, 'x') + "ab";
  return s;
}

void BM_DupBaseline(benchmark::State& state) {
  const std::string s = text_with_ten();
  for (auto _ : state) mem_free(str_dup(s.c_str()));
}
BENCHMARK(BM_DupBaseline);

// Searching again from the front after every replacement.
void BM_ReplaceRescanning(benchmark::State& state) {
  const std::string s = text_with_ten();
  for (auto _ : state) mem_free(str_replace(s.c_str(), "ab", "cd"));
}
BENCHMARK(BM_ReplaceRescanning);

// A replacement that holds the pattern: one pass that goes on after each insertion.
void BM_ReplaceGoingOn(benchmark::State& state) {
  const std::string s = text_with_ten();
  for (auto _ : state) mem_free(str_replace(s.c_str(), "ab", "abc"));
}
BENCHMARK(BM_ReplaceGoingOn);

void BM_IntToStrBaseline(benchmark::State& state) {
  for (auto _ : state) mem_free(int_to_str(1000000));
}
BENCHMARK(BM_IntToStrBaseline);

void BM_FloatToStrPi(benchmark::State& state) {
  for (auto _ : state) mem_free(float_to_str(3.141592653589793));
}
BENCHMARK(BM_FloatToStrPi);

void BM_FloatToStrLargest(benchmark::State& state) {
  for (auto _ : state) mem_free(float_to_str(1.7976931348623157e308));
}
BENCHMARK(BM_FloatToStrLargest);

void BM_ParseFloat(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(parse_float("3.14159"));
}
BENCHMARK(BM_ParseFloat);

}  // namespace
}  // namespace kivo
