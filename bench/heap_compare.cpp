// The runtime's heap blocks against glibc's calloc and free; bench/heap_ratios.sh runs it and
// prints the ratios. Memory is measured in a process of one side alone; time in one process
// for both, in short turns, so that the drift of a shared machine falls on both alike.
// Usage: heap_compare resident kivo|calloc BYTES  resident bytes per live block (100,000)
//        heap_compare churn-peak kivo|calloc      peak resident MiB of the churn below
//        heap_compare sparse kivo|calloc          resident MiB with 1 page in 256 of 469 MiB
//                                                 of pages live, after all are released,
//                                                 and the mappings added
//        heap_compare ring LOW HIGH               ns per release + take + touch, 64 live
//        heap_compare churn                       ns per release + take + touch, a million
//                                                 of 1 B to 64 KiB with 10,000 live
// The timed forms print kivo's ns, calloc's ns (medians of the turns) and the median of the
// turns' ratios. Sizes in ranges are log-uniform; each block is written at every 64th byte
// and at its last.
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

#include "core/mem.h"

namespace {

struct heap {
  void* (*take)(uint64_t);
  void (*give)(void*);
};

const heap kivo_heap{[](uint64_t n) { return kivo::mem_alloc(static_cast<int64_t>(n)); },
                     [](void* p) { kivo::mem_free(p); }};
const heap c_heap{[](uint64_t n) { return std::calloc(1, n); }, [](void* p) { std::free(p); }};

void touch(void* block, uint64_t n) {
  auto* p = static_cast<volatile unsigned char*>(block);
  for (uint64_t i = 0; i < n; i += 64) p[i] = 1;
  p[n - 1] = 1;
}

double now_ns() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) * 1e9 + static_cast<double>(t.tv_nsec);
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.size() % 2 == 1 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

uint64_t resident_bytes() {
  std::ifstream statm("/proc/self/statm");
  uint64_t mapped = 0, resident = 0;
  statm >> mapped >> resident;
  return resident * static_cast<uint64_t>(sysconf(_SC_PAGESIZE));
}

uint64_t peak_resident_bytes() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmHWM:", 0) == 0) return std::strtoull(line.c_str() + 6, nullptr, 10) * 1024;
  }
  return 0;
}

int mapping_count() {
  std::ifstream maps("/proc/self/maps");
  int lines = 0;
  for (std::string line; std::getline(maps, line);) ++lines;
  return lines;
}

struct random_bits {
  uint64_t state = 0x9E3779B97F4A7C15u;
  uint64_t next() {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return state;
  }
};

// 65,536 sizes spread evenly over the logarithms of [low, high].
std::vector<uint32_t> log_uniform(uint64_t low, uint64_t high) {
  random_bits rng;
  std::vector<uint32_t> sizes(65536);
  const double from = std::log(static_cast<double>(low));
  const double to = std::log(static_cast<double>(high) + 1);
  for (uint32_t& n : sizes) {
    const double u = static_cast<double>(rng.next() >> 11) / 9007199254740992.0;
    n = static_cast<uint32_t>(std::exp(from + u * (to - from)));
    n = static_cast<uint32_t>(std::clamp<uint64_t>(n, low, high));
  }
  return sizes;
}

// One side's live blocks and its place in the sequence of sizes and choices; both sides
// follow the same sequence.
struct workload {
  const heap* h;
  std::vector<void*> held;
  random_bits rng;
  uint64_t step = 0;

  workload(const heap* side, const std::vector<uint32_t>& sizes, size_t live)
      : h(side), held(live) {
    for (size_t i = 0; i < live; ++i) {
      held[i] = h->take(sizes[i]);
      touch(held[i], sizes[i]);
    }
  }
  ~workload() {
    for (void* p : held) h->give(p);
  }
  // Releases a block (the oldest, or one at random) and takes one in its place, rounds
  // times; ns a round.
  double run(const std::vector<uint32_t>& sizes, uint64_t rounds, bool at_random) {
    const double start = now_ns();
    for (uint64_t i = 0; i < rounds; ++i, ++step) {
      const uint64_t r = at_random ? rng.next() : step;
      const uint32_t n = sizes[(r + held.size()) & 65535];
      void*& slot = held[(at_random ? r >> 16 : r) % held.size()];
      h->give(slot);
      slot = h->take(n);
      touch(slot, n);
    }
    return (now_ns() - start) / static_cast<double>(rounds);
  }
};

// Both sides in turns of rounds each, total rounds in all.
void timed(const std::vector<uint32_t>& sizes, size_t live, uint64_t total, uint64_t rounds,
           bool at_random) {
  workload k(&kivo_heap, sizes, live);
  workload c(&c_heap, sizes, live);
  k.run(sizes, rounds, at_random);  // warm both up
  c.run(sizes, rounds, at_random);
  std::vector<double> kivo_ns, c_ns, ratios;
  for (uint64_t done = 0; done < total; done += rounds) {
    const bool kivo_first = kivo_ns.size() % 2 == 0;
    const double a = (kivo_first ? k : c).run(sizes, rounds, at_random);
    const double b = (kivo_first ? c : k).run(sizes, rounds, at_random);
    kivo_ns.push_back(kivo_first ? a : b);
    c_ns.push_back(kivo_first ? b : a);
    ratios.push_back(kivo_ns.back() / c_ns.back());
  }
  std::printf("%.2f %.2f %.3f\n", median(kivo_ns), median(c_ns), median(ratios));
}

void resident(const heap& h, uint64_t n) {
  constexpr int count = 100000;
  std::vector<void*> blocks(count);
  const uint64_t before = resident_bytes();
  for (void*& p : blocks) {
    p = h.take(n);
    static_cast<unsigned char*>(p)[0] = 1;
    static_cast<unsigned char*>(p)[n - 1] = 1;
  }
  std::printf("%.2f\n", static_cast<double>(resident_bytes() - before) / count);
  for (void* p : blocks) h.give(p);
}

void churn_peak(const heap& h) {
  const std::vector<uint32_t> sizes = log_uniform(1, 65536);
  const uint64_t before = resident_bytes();
  workload w(&h, sizes, 10000);
  w.run(sizes, 1000000, true);
  std::printf("%.2f\n", static_cast<double>(peak_resident_bytes() - before) / (1 << 20));
}

void sparse(const heap& h) {
  constexpr uint64_t page = 4096;
  constexpr uint64_t count = (uint64_t{469} << 20) / page;
  std::vector<void*> blocks(count);
  const int mappings_before = mapping_count();
  const uint64_t before = resident_bytes();
  for (void*& p : blocks) {
    p = h.take(page);
    std::memset(p, 1, page);
  }
  for (uint64_t i = 0; i < count; ++i) {
    if (i % 256 != 0) h.give(blocks[i]);
  }
  const uint64_t sparse_resident = resident_bytes() - before;
  for (uint64_t i = 0; i < count; i += 256) h.give(blocks[i]);
  const auto after = static_cast<int64_t>(resident_bytes()) - static_cast<int64_t>(before);
  std::printf("%.2f %.2f %d\n", static_cast<double>(sparse_resident) / (1 << 20),
              static_cast<double>(after) / (1 << 20), mapping_count() - mappings_before);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string what = argc > 1 ? argv[1] : "";
  const std::string side = argc > 2 ? argv[2] : "";
  const heap* h = side == "kivo" ? &kivo_heap : side == "calloc" ? &c_heap : nullptr;
  if (what == "resident" && h != nullptr && argc == 4) {
    resident(*h, std::strtoull(argv[3], nullptr, 10));
  } else if (what == "churn-peak" && h != nullptr) {
    churn_peak(*h);
  } else if (what == "sparse" && h != nullptr) {
    sparse(*h);
  } else if (what == "ring" && argc == 4) {
    const uint64_t low = std::strtoull(argv[2], nullptr, 10);
    const uint64_t high = std::strtoull(argv[3], nullptr, 10);
    const uint64_t rounds = high <= 4096 ? 50000 : 5000;
    timed(log_uniform(low, high), 64, 40 * rounds, rounds, false);
  } else if (what == "churn") {
    timed(log_uniform(1, 65536), 10000, 1000000, 50000, true);
  } else {
    std::fprintf(
        stderr,
        "usage: %s resident kivo|calloc BYTES | churn-peak kivo|calloc | sparse kivo|calloc"
        " | ring LOW HIGH | churn\n",
        argv[0]);
    return 2;
  }
  return 0;
}
