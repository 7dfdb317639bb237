// The real Linux platform layer, driven directly.
#include <sys/mman.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "core/mem.h"
#include "text/str_search.h"
#include "mem_model.h"
#include "platform_contract_tests.h"
#include "variants.h"

namespace kivo::platform {
namespace {

// The public routines over this layer, then every version of them this processor runs.
std::vector<test::variant> rows() {
  std::vector<test::variant> all = {{"public", mem_copy, mem_move, mem_compare, text_len, str_find}};
  for (const test::variant& v : test::variants()) all.push_back(v);
  return all;
}

bool released(const void* p) {
  unsigned char resident = 0;
  void* page = reinterpret_cast<void*>(reinterpret_cast<uintptr_t>(p) & ~uintptr_t{4095});
  return mincore(page, 1, &resident) != 0;
}

int mapping_count() {
  std::ifstream maps("/proc/self/maps");
  int lines = 0;
  for (std::string line; std::getline(maps, line);) ++lines;
  return lines;
}

// Many live one-page blocks, then every other one released, then the rest: the layer keeps
// its mappings few (the system allows some 65,000), keeps every survivor's bytes, and hands
// the memory back at the end.
TEST(PlatformLinux, ManyLiveBlocksStayFewMappings) {
  const int mappings_before = mapping_count();
  std::vector<char*> blocks;
  for (int i = 0; i < 200000; ++i) {
    auto* p = static_cast<char*>(block_alloc(1 + i % 3));
    ASSERT_NE(p, nullptr);
    p[0] = static_cast<char>(i);
    blocks.push_back(p);
  }
  for (size_t i = 0; i < blocks.size(); i += 2) block_free(blocks[i]);
  EXPECT_LT(mapping_count(), mappings_before + 1000);
  for (size_t i = 1; i < blocks.size(); i += 2) {
    ASSERT_EQ(blocks[i][0], static_cast<char>(i));
    ASSERT_EQ(blocks[i][3], 0);
    block_free(blocks[i]);
  }
  size_t kept = 0;
  for (char* p : blocks) kept += released(p) ? 0 : 1;
  EXPECT_LT(kept, blocks.size() / 50);
}

// A long random mix of takes and releases of every size class, with the live set growing
// past the image's arena and shrinking again: each new block reads zero where a previous
// owner wrote, and each block keeps its own marks until released, so no two ever overlap.
TEST(PlatformLinux, RandomTakesAndReleasesKeepBlocksZeroedAndApart) {
  struct live {
    unsigned char* p;
    uint64_t n;
    unsigned char mark;
  };
  auto marked = [](uint64_t n, auto&& at) {
    for (uint64_t k = 0; k + 64 < n; k += 4096) at(k);
    for (uint64_t k = n > 64 ? n - 64 : 0; k < n; ++k) at(k);
  };
  std::mt19937_64 rng(13);
  std::vector<live> blocks;
  for (int step = 0; step < 16000; ++step) {
    const bool growing = step % 8000 < 5000;
    if (!blocks.empty() && rng() % 100 < (growing ? 35u : 65u)) {
      const size_t i = rng() % blocks.size();
      const live b = blocks[i];
      marked(b.n, [&](uint64_t k) { ASSERT_EQ(b.p[k], b.mark) << b.n << " at " << k; });
      block_free(b.p);
      blocks[i] = blocks.back();
      blocks.pop_back();
      continue;
    }
    const uint64_t kind = rng() % 100;
    const uint64_t n = kind < 90   ? 1 + rng() % 8192
                       : kind < 99 ? 1 + rng() % (1 << 20)
                                   : (1 << 20) + rng() % (1 << 20);
    auto* p = static_cast<unsigned char*>(block_alloc(n));
    ASSERT_NE(p, nullptr);
    ASSERT_EQ(reinterpret_cast<uintptr_t>(p) % 4096, 0u);
    const auto mark = static_cast<unsigned char>(1 + step % 255);
    marked(n, [&](uint64_t k) {
      ASSERT_EQ(p[k], 0) << n << " at " << k;
      p[k] = mark;
    });
    blocks.push_back({p, n, mark});
  }
  for (const live& b : blocks) block_free(b.p);
}

void* raw_map(void* at, long prot, long flags) {
  return reinterpret_cast<void*>(
      syscall(SYS_mmap, at, 4096, prot, flags | MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
}

// Fills the process's mapping table with pages that cannot merge (alternating protection),
// so that the kernel refuses new mappings and splits. Nothing may allocate while it is full;
// the destructor gives the pages back.
struct full_mapping_table {
  std::vector<void*> pages = std::vector<void*>(100000);
  size_t count = 0;
  full_mapping_table() {
    while (count < pages.size()) {
      void* q = raw_map(nullptr, count % 2 == 0 ? PROT_READ : PROT_NONE, 0);
      if (q == MAP_FAILED) break;
      pages[count++] = q;
    }
  }
  ~full_mapping_table() { release(); }
  void release() {
    for (size_t i = 0; i < count; ++i) syscall(SYS_munmap, pages[i], 4096);
    count = 0;
  }
  bool reached_limit() const { return count < pages.size(); }
};

// With no mapping to be had, a take that needs one gives null and loses nothing; once
// mappings can be made again the heap serves as before.
TEST(PlatformLinux, TakesFailCleanlyAtTheMappingLimit) {
  std::vector<void*> taken(20000);
  size_t n = 0;
  void* large = nullptr;
  bool reached = false;
  {
    full_mapping_table full;
    reached = full.reached_limit();
    while (n < taken.size() && (taken[n] = block_alloc(4096)) != nullptr) ++n;
    large = block_alloc(2 << 20);
    for (size_t i = 0; i < n; ++i) block_free(taken[i]);
  }
  ASSERT_TRUE(reached) << "the mapping limit was never reached";
  EXPECT_LT(n, taken.size());
  EXPECT_EQ(large, nullptr);
  for (size_t i = 0; i < taken.size(); ++i) {
    auto* p = static_cast<unsigned char*>(block_alloc(4096));
    ASSERT_NE(p, nullptr);
    ASSERT_EQ(p[0] | p[4095], 0);
    p[0] = p[4095] = 1;
    taken[i] = p;
  }
  for (void* p : taken) block_free(p);
}

// The kernel merges neighbouring mappings, so unmapping one block can mean splitting a
// mapping, which fails while the process is at its mapping limit. Such a block must stay
// the layer's: still mapped, and released by a later call once the limit is off.
TEST(PlatformLinux, BlockWhoseUnmapFailsIsKeptAndReleasedLater) {
  constexpr uint64_t size = 2 << 20;  // large enough to be a mapping of its own
  // Unmapping the middle of a mapping splits it in two, which the kernel refuses at the limit.
  // Blocks mapped one after another tend to sit side by side and merge; a page of the same
  // kind is added on either side of each where there is room, and the test uses a block that
  // ended up strictly inside one mapping.
  std::vector<char*> blocks;
  std::vector<void*> neighbours;
  for (int i = 0; i < 8; ++i) {
    auto* p = static_cast<char*>(block_alloc(size));
    ASSERT_NE(p, nullptr);
    blocks.push_back(p);
    for (void* at : {static_cast<void*>(p - 4096), static_cast<void*>(p + size)}) {
      if (void* q = raw_map(at, PROT_READ | PROT_WRITE, MAP_FIXED_NOREPLACE); q == at) {
        neighbours.push_back(q);
      }
    }
  }
  char* p = nullptr;
  std::ifstream maps("/proc/self/maps");
  for (std::string line; p == nullptr && std::getline(maps, line);) {
    uintptr_t from = 0, to = 0;
    if (std::sscanf(line.c_str(), "%lx-%lx", &from, &to) != 2) continue;
    for (char* b : blocks) {
      const auto at = reinterpret_cast<uintptr_t>(b);
      if (from < at && to > at + size) p = b;
    }
  }
  auto release_the_rest = [&] {
    for (char* b : blocks) {
      if (b != p) block_free(b);
    }
    for (void* q : neighbours) syscall(SYS_munmap, q, 4096);
  };
  if (p == nullptr) {
    release_the_rest();
    GTEST_SKIP() << "the kernel kept every block's mapping apart from its neighbours";
  }
  full_mapping_table full;
  block_free(p);
  const bool kept = !released(p);
  full.release();
  ASSERT_TRUE(full.reached_limit()) << "the mapping limit was never reached";
  EXPECT_TRUE(kept);
  p[size - 1] = 1;  // still mapped and writable
  block_free(p);
  EXPECT_TRUE(released(p));
  EXPECT_TRUE(released(p + size - 1));
  release_the_rest();
}

TEST(PlatformLinux, ConsoleWriteSendsTheBytesToStandardOutput) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  const int saved = dup(1);
  ASSERT_EQ(dup2(fds[1], 1), 1);
  console_write("hello", 5, true);
  console_write("ignored", 0, false);
  console_write(std::string(1000, 'z').c_str(), 1000, false);
  dup2(saved, 1);
  close(saved);
  close(fds[1]);
  std::string got;
  char buf[4096];
  for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;) got.append(buf, static_cast<size_t>(n));
  close(fds[0]);
  EXPECT_EQ(got, "hello\n" + std::string(1000, 'z'));
}

// One read-write page between two that may not be touched, so that any read past either end
// of a text or buffer placed against them faults.
class guarded_page {
 public:
  guarded_page() {
    void* m = mmap(nullptr, 3 * 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    EXPECT_NE(m, MAP_FAILED);
    base_ = static_cast<char*>(m);
    EXPECT_EQ(mprotect(base_ + 4096, 4096, PROT_READ | PROT_WRITE), 0);
  }
  ~guarded_page() { munmap(base_, 3 * 4096); }
  char* begin() const { return base_ + 4096; }
  char* end() const { return base_ + 2 * 4096; }

 private:
  char* base_ = nullptr;
};

// Texts against either guard, at every alignment, and random NUL positions in between.
TEST(PlatformLinux, TextLengthStopsAtTheTerminatorAndNeverFaults) {
  const guarded_page page;
  for (const test::variant& v : rows()) {
    std::memset(page.begin(), 'x', 4096);
    for (int64_t n = 0; n < 300; ++n) {
      char* s = page.end() - 1 - n;
      s[n] = '\0';
      EXPECT_EQ(v.text_len(s), n) << v.name;
      s[n] = 'x';
    }
    page.end()[-1] = '\0';
    for (int64_t at = 0; at < 4096; at += at < 200 ? 1 : 97) EXPECT_EQ(v.text_len(page.begin() + at), 4095 - at) << v.name;
    std::mt19937_64 rng(3);
    for (int round = 0; round < 2000; ++round) {
      char* s = page.begin() + rng() % 4000;
      const auto n = static_cast<int64_t>(rng() % static_cast<uint64_t>(page.end() - 1 - s));
      const char kept = s[n];
      s[n] = '\0';
      EXPECT_EQ(v.text_len(s), model::text_len(s)) << v.name;
      s[n] = kept;
    }
  }
}

// Texts and patterns against the guards: the search stops at the text's terminator, also
// when a pattern's first bytes match up to it, and reads nothing past either end.
TEST(PlatformLinux, SearchReadsNothingPastTheTerminator) {
  const guarded_page text, pattern;
  for (const test::variant& v : rows()) {
    std::memset(text.begin(), 'a', 4096);
    std::memset(pattern.begin(), 'a', 4096);
    text.end()[-1] = pattern.end()[-1] = '\0';
    for (int64_t n = 0; n < 200; ++n) {
      const char* hay = text.end() - 1 - n;
      for (int64_t k = 1; k <= n + 2; k += k < 40 ? 1 : 13) {
        const char* needle = pattern.end() - 1 - k;
        EXPECT_EQ(v.str_find(hay, needle), k <= n ? 0 : -1) << v.name << " " << n << " " << k;
        pattern.end()[-2] = 'b';  // now only found where the text ends in b
        text.end()[-2] = 'b';
        EXPECT_EQ(v.str_find(hay, needle), k <= n ? n - k : -1) << v.name << " " << n << " " << k;
        pattern.end()[-2] = text.end()[-2] = 'a';
      }
    }
    EXPECT_EQ(v.str_find(text.begin(), "ab"), -1);
    EXPECT_EQ(v.str_find(text.begin(), "aaaaaaaaaaaaaaaaaaaaaaaaaaab"), -1);
    // A pattern made of its first and last bytes passes the filter at every other window of
    // "abab...": the search goes over to Two-Way, which reads on to the terminator by itself;
    // in the run of b's after it every window fails at the same byte, and Two-Way skips along
    // with the vector code.
    std::string pattern_text;
    for (int i = 0; i < 20; ++i) pattern_text += "ab";
    pattern_text += "aa" + pattern_text;
    for (const int64_t run_of_b : {0, 100, 2000}) {
      for (int64_t i = 0; i < 4095; ++i) text.begin()[i] = i >= 4095 - run_of_b ? 'b' : "ab"[i % 2];
      for (int64_t start = 0; start < 16; ++start) EXPECT_EQ(v.str_find(text.begin() + start, pattern_text.c_str()), -1) << v.name;
    }
    std::memset(text.begin(), 'a', 4095);
    text.end()[-2] = 'b';
    EXPECT_EQ(v.str_find(text.begin() + 5, "aab"), 4096 - 5 - 4) << v.name;
    text.end()[-2] = 'a';
  }
}

// Buffers that end against the guard, or start right after it: the byte routines read only
// the bytes they are given.
TEST(PlatformLinux, ByteRoutinesReadOnlyTheirBytes) {
  const guarded_page from, to;
  std::memset(from.begin(), 'a', 4096);
  for (const test::variant& v : rows()) {
    for (int64_t n = 1; n <= 300; n += n < 80 ? 1 : 7) {
      for (auto* s : {reinterpret_cast<unsigned char*>(from.end() - n), reinterpret_cast<unsigned char*>(from.begin())}) {
        for (auto* d : {reinterpret_cast<unsigned char*>(to.end() - n), reinterpret_cast<unsigned char*>(to.begin())}) {
          std::memset(to.begin(), 'b', 4096);
          EXPECT_EQ(v.mem_compare(s, d, n), 'a' - 'b') << v.name;
          v.mem_copy(d, s, n);
          EXPECT_EQ(v.mem_compare(s, d, n), 0) << v.name;
          d[n - 1] = 'c';
          EXPECT_EQ(v.mem_compare(s, d, n), 'a' - 'c') << v.name;
          v.mem_move(d, s, n);
          EXPECT_EQ(model::compare_bytes(s, d, n), 0) << v.name;
        }
      }
    }
  }
}

}  // namespace
}  // namespace kivo::platform
