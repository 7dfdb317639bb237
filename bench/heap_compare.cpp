// One measurement of the runtime's heap blocks or of glibc's calloc and free, in a process of
// its own so that resident memory is the measured side's alone. bench/heap_ratios.sh runs the
// two sides alternately and prints the ratios.
// Usage: heap_compare kivo|calloc resident BYTES   resident bytes per live block (100,000)
//        heap_compare kivo|calloc ring LOW HIGH    ns per release + take + touch, 64 live
//        heap_compare kivo|calloc churn            ns per release + take, peak resident MiB
//        heap_compare kivo|calloc sparse           resident MiB with 1 in 256 of 469 MiB of
//                                                  pages live, after all are released, and
//                                                  mappings added
// Sizes in ranges are log-uniform; each block is written at every 64th byte and its last.
#include <unistd.h>

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

bool use_kivo = false;

void* take(uint64_t n) {
  return use_kivo ? kivo::mem_alloc(static_cast<int64_t>(n)) : std::calloc(1, n);
}

void give(void* p) {
  if (use_kivo) {
    kivo::mem_free(p);
  } else {
    std::free(p);
  }
}

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

uint64_t rng_state = 0x9E3779B97F4A7C15u;
uint64_t next_random() {
  rng_state ^= rng_state << 13;
  rng_state ^= rng_state >> 7;
  rng_state ^= rng_state << 17;
  return rng_state;
}

// 65,536 sizes spread evenly over the logarithms of [low, high].
std::vector<uint32_t> log_uniform(uint64_t low, uint64_t high) {
  std::vector<uint32_t> sizes(65536);
  const double from = std::log(static_cast<double>(low));
  const double to = std::log(static_cast<double>(high) + 1);
  for (uint32_t& n : sizes) {
    const double u = static_cast<double>(next_random() >> 11) / 9007199254740992.0;
    n = static_cast<uint32_t>(std::exp(from + u * (to - from)));
    if (n < low) n = static_cast<uint32_t>(low);
    if (n > high) n = static_cast<uint32_t>(high);
  }
  return sizes;
}

void resident(uint64_t n) {
  constexpr int count = 100000;
  std::vector<void*> blocks(count);
  const uint64_t before = resident_bytes();
  for (void*& p : blocks) {
    p = take(n);
    static_cast<unsigned char*>(p)[0] = 1;
    static_cast<unsigned char*>(p)[n - 1] = 1;
  }
  std::printf("%.2f\n", static_cast<double>(resident_bytes() - before) / count);
  for (void* p : blocks) give(p);
}

void ring(uint64_t low, uint64_t high) {
  constexpr int live = 64;
  const int rounds = high <= 4096 ? 2000000 : 200000;
  const std::vector<uint32_t> sizes = log_uniform(low, high);
  void* held[live];
  for (int i = 0; i < live; ++i) {
    held[i] = take(sizes[i]);
    touch(held[i], sizes[i]);
  }
  const double start = now_ns();
  for (int i = 0; i < rounds; ++i) {
    const uint32_t n = sizes[(i + live) & 65535];
    give(held[i % live]);
    held[i % live] = take(n);
    touch(held[i % live], n);
  }
  std::printf("%.2f\n", (now_ns() - start) / rounds);
  for (void* p : held) give(p);
}

void churn() {
  constexpr int live = 10000;
  constexpr int rounds = 1000000;
  const std::vector<uint32_t> sizes = log_uniform(1, 65536);
  std::vector<void*> held(live);
  const uint64_t before = resident_bytes();
  const double start = now_ns();
  for (int i = 0; i < live; ++i) {
    held[i] = take(sizes[i]);
    touch(held[i], sizes[i]);
  }
  for (int i = 0; i < rounds; ++i) {
    const uint64_t r = next_random();
    const uint32_t n = sizes[r & 65535];
    void*& slot = held[(r >> 16) % live];
    give(slot);
    slot = take(n);
    touch(slot, n);
  }
  const double took = now_ns() - start;
  std::printf("%.2f %.2f\n", took / rounds, static_cast<double>(peak_resident_bytes() - before) / (1 << 20));
  for (void* p : held) give(p);
}

void sparse() {
  constexpr uint64_t page = 4096;
  constexpr uint64_t count = (uint64_t{469} << 20) / page;
  std::vector<void*> blocks(count);
  const int mappings_before = mapping_count();
  const uint64_t before = resident_bytes();
  for (void*& p : blocks) {
    p = take(page);
    std::memset(p, 1, page);
  }
  for (uint64_t i = 0; i < count; ++i) {
    if (i % 256 != 0) give(blocks[i]);
  }
  const uint64_t sparse_resident = resident_bytes() - before;
  for (uint64_t i = 0; i < count; i += 256) give(blocks[i]);
  const auto after = static_cast<int64_t>(resident_bytes()) - static_cast<int64_t>(before);
  std::printf("%.2f %.2f %d\n", static_cast<double>(sparse_resident) / (1 << 20),
              static_cast<double>(after) / (1 << 20), mapping_count() - mappings_before);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string side = argc > 2 ? argv[1] : "";
  const std::string what = side == "kivo" || side == "calloc" ? argv[2] : "";
  use_kivo = side == "kivo";
  if (what == "resident" && argc == 4) {
    resident(std::strtoull(argv[3], nullptr, 10));
  } else if (what == "ring" && argc == 5) {
    ring(std::strtoull(argv[3], nullptr, 10), std::strtoull(argv[4], nullptr, 10));
  } else if (what == "churn") {
    churn();
  } else if (what == "sparse") {
    sparse();
  } else {
    std::fprintf(stderr, "usage: %s kivo|calloc resident BYTES | ring LOW HIGH | churn | sparse\n",
                 argv[0]);
    return 2;
  }
  return 0;
}
