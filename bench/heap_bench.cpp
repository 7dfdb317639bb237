// Heap blocks against calloc: take a zero-filled block, write to every cache line of it,
// release it. Arguments: block size, live blocks. With 64 live blocks each round releases
// the oldest and takes a new one, so the heap works among others' blocks as a program's
// would. Compare each kivo row with the calloc row of the same arguments.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <vector>

#include "core/mem.h"

namespace {

void touch(void* block, int64_t n) {
  auto* p = static_cast<volatile unsigned char*>(block);
  for (int64_t i = 0; i < n; i += 64) p[i] = 1;
  p[n - 1] = 1;
}

struct kivo_heap {
  static void* take(int64_t n) { return kivo::mem_alloc(n); }
  static void give(void* p) { kivo::mem_free(p); }
};

struct c_heap {
  static void* take(int64_t n) { return std::calloc(1, static_cast<size_t>(n)); }
  static void give(void* p) { std::free(p); }
};

template <class heap>
void BM_heap(benchmark::State& state) {
  const int64_t n = state.range(0);
  const auto live = static_cast<size_t>(state.range(1));
  std::vector<void*> ring(live);
  for (void*& p : ring) {
    p = heap::take(n);
    touch(p, n);
  }
  size_t next = 0;
  for (auto _ : state) {
    heap::give(ring[next]);
    void* p = heap::take(n);
    if (p == nullptr) {
      state.SkipWithError("allocation failed");
      break;
    }
    touch(p, n);
    ring[next] = p;
    benchmark::DoNotOptimize(p);
    if (++next == live) next = 0;
  }
  for (void* p : ring) heap::give(p);
}

void sizes(benchmark::internal::Benchmark* b) {
  for (const int64_t live : {1, 64}) {
    for (const int64_t n : {16, 256, 4096, 1 << 20}) b->Args({n, live});
  }
}

BENCHMARK(BM_heap<kivo_heap>)->Name("BM_heap_kivo")->Apply(sizes);
BENCHMARK(BM_heap<c_heap>)->Name("BM_heap_calloc")->Apply(sizes);

}  // namespace
