// The real Linux platform layer, driven directly.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "core/mem.h"
#include "core/platform_linux.h"
#include "text/str_search.h"
#include "heap_model.h"
#include "mem_model.h"
#include "platform_contract_tests.h"
#include "target_runner.h"
#include "variants.h"

namespace kivo::platform {
namespace {

// The heap runs at the system's page size, or at a larger one that KIVO_TEST_PAGE_SIZE asks
// for: an address on a coarser grid lies on the system's too, so one machine tests them all.
const uint64_t system_page = static_cast<uint64_t>(sysconf(_SC_PAGESIZE));
const bool page_size_set = [] {
  const char* asked = std::getenv("KIVO_TEST_PAGE_SIZE");
  linux_page_size = asked != nullptr ? std::strtoull(asked, nullptr, 10) : system_page;
  return true;
}();

// Under AddressSanitizer, mappings and resident memory include the sanitizer's own (its
// allocator's regions, the shadow of every byte written): tests weigh them only without it.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool sanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool sanitized = true;
#else
constexpr bool sanitized = false;
#endif
#else
constexpr bool sanitized = false;
#endif
// Nor under an emulator: the process is the emulator's, whose memory figures are its own, and
// it keeps released pages that are smaller than the machine's.
constexpr bool weighs_memory = !sanitized && !test::emulated;

constexpr uint64_t max_run = uint64_t{1} << 20;  // larger blocks are mappings of their own
constexpr uint64_t arena_bytes = uint64_t{4} << 20;

void* page_start(const void* p) {
  return reinterpret_cast<void*>(reinterpret_cast<uintptr_t>(p) & ~(system_page - 1));
}

// The public routines over this layer, then every version of them this processor runs.
std::vector<test::variant> rows() {
  std::vector<test::variant> all = {{"public", mem_copy, mem_move, mem_compare, text_len, str_find}};
  for (const test::variant& v : test::variants()) all.push_back(v);
  return all;
}

bool released(const void* p) {
  unsigned char resident = 0;
  return mincore(page_start(p), 1, &resident) != 0;
}

// A mapping of its own is aligned as the kernel maps it, to the system's page.
uint64_t alignment(uint64_t n) {
  return model::block_alignment(n, n > max_run ? system_page : page_size());
}

// The bytes a block owns: its slot, or its whole pages.
uint64_t owned(uint64_t n) {
  const uint64_t grid = n > max_run ? system_page : page_size();
  return model::slot_bytes(n) != 0 ? model::slot_bytes(n) : (n + grid - 1) / grid * grid;
}

int mapping_count() {
  std::ifstream maps("/proc/self/maps");
  int lines = 0;
  for (std::string line; std::getline(maps, line);) ++lines;
  return lines;
}

// Address space and resident memory in bytes, read without taking any memory.
struct memory_use {
  uint64_t mapped;
  uint64_t resident;
};

memory_use memory_now() {
  char text[128] = {};
  const int fd = open("/proc/self/statm", O_RDONLY);
  EXPECT_GT(read(fd, text, sizeof text - 1), 0);
  close(fd);
  unsigned long mapped = 0, resident = 0;
  EXPECT_EQ(std::sscanf(text, "%lu %lu", &mapped, &resident), 2);
  return {mapped * system_page, resident * system_page};
}

// Many live small blocks, then every other one released, then the rest: the layer keeps its
// mappings few (the system allows some 65,000), keeps every survivor's bytes, and hands the
// memory back at the end.
TEST(PlatformLinux, ManyLiveBlocksStayFewMappings) {
  const int mappings_before = mapping_count();
  const memory_use before = memory_now();
  std::vector<char*> blocks;
  blocks.reserve(200000);
  for (int i = 0; i < 200000; ++i) {
    auto* p = static_cast<char*>(block_alloc(1 + i % 100));
    ASSERT_NE(p, nullptr);
    p[0] = static_cast<char>(i);
    blocks.push_back(p);
  }
  for (size_t i = 0; i < blocks.size(); i += 2) block_free(blocks[i]);
  EXPECT_LT(mapping_count(), mappings_before + 1000);
  for (size_t i = 1; i < blocks.size(); i += 2) {
    ASSERT_EQ(blocks[i][0], static_cast<char>(i));
    ASSERT_EQ(blocks[i][i % 100], 0);
    block_free(blocks[i]);
  }
  if (weighs_memory) {
    EXPECT_LT(memory_now().resident, before.resident + (4 << 20));
  }
}

// A long random mix of takes and releases from 1 byte to 3 MiB, the live set growing past the
// image's arena and shrinking again, against a record of the live blocks: each block is
// aligned, lies apart from every other over all it owns (its slot or pages), reads zero
// although earlier owners wrote all they owned, and keeps its marks until released.
TEST(PlatformLinux, RandomTakesAndReleasesKeepBlocksZeroedAndApart) {
  struct live {
    unsigned char* p;
    uint64_t n;
    unsigned char mark;
  };
  auto probes = [](uint64_t end, auto&& at) {  // a byte a page, and the last 64
    for (uint64_t k = 0; k + 64 < end; k += 4096) at(k);
    for (uint64_t k = end > 64 ? end - 64 : 0; k < end; ++k) at(k);
  };
  std::mt19937_64 rng(13);
  model::live_blocks model;
  std::vector<live> blocks;
  for (int step = 0; step < 16000; ++step) {
    const bool growing = step % 8000 < 5000;
    if (!blocks.empty() && rng() % 100 < (growing ? 35u : 65u)) {
      const size_t i = rng() % blocks.size();
      const live b = blocks[i];
      probes(owned(b.n), [&](uint64_t k) { ASSERT_EQ(b.p[k], b.mark) << b.n << " at " << k; });
      model.remove(b.p);
      block_free(b.p);
      blocks[i] = blocks.back();
      blocks.pop_back();
      continue;
    }
    const uint64_t kind = rng() % 100;
    const uint64_t n = kind < 60   ? 1 + rng() % 3100
                       : kind < 90 ? 1 + rng() % 65536
                       : kind < 99 ? 1 + rng() % max_run
                                   : max_run + rng() % (2 * max_run);
    auto* p = static_cast<unsigned char*>(block_alloc(n));
    ASSERT_NE(p, nullptr);
    ASSERT_EQ(reinterpret_cast<uintptr_t>(p) % alignment(n), 0u) << n;
    ASSERT_TRUE(model.add(p, owned(n))) << n;
    probes(n, [&](uint64_t k) { ASSERT_EQ(p[k], 0) << n << " at " << k; });
    const auto mark = static_cast<unsigned char>(1 + step % 255);
    probes(owned(n), [&](uint64_t k) { p[k] = mark; });
    blocks.push_back({p, n, mark});
  }
  for (const live& b : blocks) block_free(b.p);
}

// Each side of the points where the kind of block changes: two blocks of a slot size lie one
// slot apart (no header between them), a run starts a page, and only a block past the longest
// run is a mapping of its own, gone once released (while the other keeps arenas in use).
TEST(PlatformLinux, BlocksEachSideOfABoundary) {
  const uint64_t sizes[] = {16, 17, 128, 129, 1024, 3072, 3073, max_run, max_run + 1};
  for (const uint64_t n : sizes) {
    auto* p = static_cast<unsigned char*>(block_alloc(n));
    auto* q = static_cast<unsigned char*>(block_alloc(n));
    ASSERT_TRUE(p != nullptr && q != nullptr);
    if (model::slot_bytes(n) != 0) {
      EXPECT_EQ(q - p, static_cast<int64_t>(model::slot_bytes(n))) << n;
    } else {
      EXPECT_EQ(reinterpret_cast<uintptr_t>(q) % alignment(n), 0u) << n;
    }
    block_free(p);
    EXPECT_EQ(released(p), n > max_run) << n;
    block_free(q);
  }
}

// Blocks of the longest run fill the image's arena, and the next one needs a mapped arena.
// That arena costs its own 4 MiB of address space and no more (the double mapping that aligns
// it is trimmed at both ends); released while other blocks are in use it stays in reserve,
// so taking and releasing a block there maps nothing; and once nothing is in use it goes.
TEST(PlatformLinux, ArenaAtTheEdgeIsTrimmedKeptAndReturned) {
  if (test::emulated) GTEST_SKIP() << "the mapped arena is found by the process's size, which is the emulator's";
  std::vector<void*> held{block_alloc(1)};
  held.reserve(64);
  const memory_use before = memory_now();
  memory_use now = before;
  void* edge = nullptr;
  while (edge == nullptr && held.size() < 64) {
    void* p = block_alloc(max_run);
    ASSERT_NE(p, nullptr);
    now = memory_now();
    if (now.mapped != before.mapped) {
      edge = p;
    } else {
      held.push_back(p);
    }
  }
  ASSERT_NE(edge, nullptr);
  EXPECT_EQ(now.mapped - before.mapped, arena_bytes);
  for (int round = 0; round < 3; ++round) {
    block_free(edge);
    EXPECT_FALSE(released(edge));
    edge = block_alloc(max_run);
    EXPECT_EQ(memory_now().mapped, now.mapped);
  }
  block_free(edge);
  for (void* p : held) block_free(p);
  EXPECT_TRUE(released(edge));
  EXPECT_EQ(memory_now().mapped, before.mapped);
}

// More mappings of their own than the first table of mappings holds: it grows, and looking up
// an address it does not hold (a foreign pointer released) still ends, whatever its fill.
// Emptied, it starts over clean: the same again, and then arenas, find every block.
TEST(PlatformLinux, TableOfMappingsGrowsAndEveryLookupEnds) {
  const int mappings_before = mapping_count();
  int on_stack = 0;
  for (int round = 0; round < 2; ++round) {
    std::vector<unsigned char*> large;
    for (int i = 0; i < 600; ++i) {
      large.push_back(static_cast<unsigned char*>(block_alloc(max_run + 1)));
      ASSERT_NE(large.back(), nullptr);
      block_free(&on_stack);
      block_free(large.back() + system_page);
    }
    for (unsigned char* p : large) {
      block_free(p);
      ASSERT_TRUE(released(p));
    }
  }
  std::vector<void*> pages(3 * arena_bytes / page_size());
  for (void*& p : pages) ASSERT_NE(p = block_alloc(page_size()), nullptr);
  for (void* p : pages) block_free(p);
  if (weighs_memory) {
    EXPECT_LE(mapping_count(), mappings_before);
  }
}

// Pages written and then released go back to the system, also while a block in 64 stays live
// among them; once all are released, no mapping is left behind.
TEST(PlatformLinux, ReleasedPagesGoBackToTheSystem) {
  const uint64_t total = 64 << 20;
  std::vector<unsigned char*> blocks(total / page_size());
  const int mappings_before = mapping_count();
  const memory_use before = memory_now();
  for (size_t i = 0; i < blocks.size(); ++i) {
    blocks[i] = static_cast<unsigned char*>(block_alloc(page_size()));
    ASSERT_NE(blocks[i], nullptr);
    for (uint64_t k = 0; k < page_size(); k += system_page) blocks[i][k] = 1;
    blocks[i][0] = blocks[i][page_size() - 1] = static_cast<unsigned char>(i | 1);
  }
  const memory_use written = memory_now();
  for (size_t i = 0; i < blocks.size(); ++i) {
    if (i % 64 != 0) block_free(blocks[i]);
  }
  const memory_use sparse = memory_now();
  for (size_t i = 0; i < blocks.size(); i += 64) {
    ASSERT_EQ(blocks[i][0] & blocks[i][page_size() - 1], static_cast<unsigned char>(i | 1));
    block_free(blocks[i]);
  }
  if (!weighs_memory) return;
  EXPECT_GT(written.resident, before.resident + total / 2);
  // The live blocks, and released runs not yet given back: they go in batches of 3 MiB.
  EXPECT_LT(sparse.resident, before.resident + total / 64 + (4 << 20));
  EXPECT_LT(memory_now().resident, before.resident + (4 << 20));
  EXPECT_LE(mapping_count(), mappings_before);
}

// A page mapped by the system call itself, with the runtime's own stub: the calling form
// differs between processors (s390x passes the six values in memory). Sets errno on failure.
void* raw_map(void* at, long prot, long flags) {
  const long r = linux_sys::mmap(reinterpret_cast<long>(at), system_page, prot,
                                 flags | MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (!linux_sys::failed(r)) return reinterpret_cast<void*>(r);
  errno = static_cast<int>(-r);
  return MAP_FAILED;
}

// Fills the process's mapping table with pages that cannot merge (alternating protection),
// so that the kernel refuses new mappings and splits. Nothing may allocate while it is full;
// the destructor gives the pages back. Only ENOMEM is the limit: any other refusal is a fault
// of the call.
struct full_mapping_table {
  std::vector<void*> pages = std::vector<void*>(100000);
  size_t count = 0;
  int error = 0;
  full_mapping_table() {
    while (count < pages.size()) {
      void* q = raw_map(nullptr, count % 2 == 0 ? PROT_READ : PROT_NONE, 0);
      if (q == MAP_FAILED) {
        error = errno;
        break;
      }
      pages[count++] = q;
    }
  }
  ~full_mapping_table() { release(); }
  void release() {
    for (size_t i = 0; i < count; ++i) syscall(SYS_munmap, pages[i], system_page);
    count = 0;
  }
  bool reached_limit() const { return error == ENOMEM; }
};

// With no mapping to be had, a take that needs one gives null and loses nothing; once
// mappings can be made again the heap serves as before, and when all is released no mapping
// of the heap's is left, trimmed or not.
TEST(PlatformLinux, TakesFailCleanlyAtTheMappingLimit) {
  std::vector<void*> taken(20000);
  const int mappings_before = mapping_count();
  size_t n = 0;
  void* large = nullptr;
  bool reached = false;
  {
    full_mapping_table full;
    reached = full.reached_limit();
    while (n < taken.size() && (taken[n] = block_alloc(page_size())) != nullptr) ++n;
    large = block_alloc(2 << 20);
    for (size_t i = 0; i < n; ++i) block_free(taken[i]);
  }
  ASSERT_TRUE(reached) << "the mapping limit was never reached";
  EXPECT_LT(n, taken.size());
  EXPECT_EQ(large, nullptr);
  for (size_t i = 0; i < taken.size(); ++i) {
    auto* p = static_cast<unsigned char*>(block_alloc(page_size()));
    ASSERT_NE(p, nullptr);
    ASSERT_EQ(p[0] | p[page_size() - 1], 0);
    p[0] = p[page_size() - 1] = 1;
    taken[i] = p;
  }
  for (void* p : taken) block_free(p);
  if (weighs_memory) {
    EXPECT_LE(mapping_count(), mappings_before);
  }
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
    for (void* at : {static_cast<void*>(p - system_page), static_cast<void*>(p + size)}) {
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
    for (void* q : neighbours) syscall(SYS_munmap, q, system_page);
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
    void* m = mmap(nullptr, 3 * system_page, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    EXPECT_NE(m, MAP_FAILED);
    base_ = static_cast<char*>(m);
    EXPECT_EQ(mprotect(base_ + system_page, system_page, PROT_READ | PROT_WRITE), 0);
  }
  ~guarded_page() { munmap(base_, 3 * system_page); }
  char* begin() const { return base_ + system_page; }
  char* end() const { return base_ + 2 * system_page; }
  static int64_t size() { return static_cast<int64_t>(system_page); }

 private:
  char* base_ = nullptr;
};

// Texts against either guard, at every alignment, and random NUL positions in between.
TEST(PlatformLinux, TextLengthStopsAtTheTerminatorAndNeverFaults) {
  const guarded_page page;
  for (const test::variant& v : rows()) {
    std::memset(page.begin(), 'x', page.size());
    for (int64_t n = 0; n < 300; ++n) {
      char* s = page.end() - 1 - n;
      s[n] = '\0';
      EXPECT_EQ(v.text_len(s), n) << v.name;
      s[n] = 'x';
    }
    page.end()[-1] = '\0';
    for (int64_t at = 0; at < page.size(); at += at < 200 ? 1 : 97) {
      EXPECT_EQ(v.text_len(page.begin() + at), page.size() - 1 - at) << v.name;
    }
    std::mt19937_64 rng(3);
    for (int round = 0; round < 2000; ++round) {
      char* s = page.begin() + rng() % (page.size() - 96);
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
    std::memset(text.begin(), 'a', text.size());
    std::memset(pattern.begin(), 'a', pattern.size());
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
      const int64_t last = text.size() - 1;
      for (int64_t i = 0; i < last; ++i) text.begin()[i] = i >= last - run_of_b ? 'b' : "ab"[i % 2];
      for (int64_t start = 0; start < 16; ++start) EXPECT_EQ(v.str_find(text.begin() + start, pattern_text.c_str()), -1) << v.name;
    }
    std::memset(text.begin(), 'a', text.size() - 1);
    text.end()[-2] = 'b';
    EXPECT_EQ(v.str_find(text.begin() + 5, "aab"), text.size() - 5 - 4) << v.name;
    text.end()[-2] = 'a';
  }
}

// Buffers that end against the guard, or start right after it: the byte routines read only
// the bytes they are given.
TEST(PlatformLinux, ByteRoutinesReadOnlyTheirBytes) {
  const guarded_page from, to;
  std::memset(from.begin(), 'a', from.size());
  for (const test::variant& v : rows()) {
    for (int64_t n = 1; n <= 300; n += n < 80 ? 1 : 7) {
      for (auto* s : {reinterpret_cast<unsigned char*>(from.end() - n), reinterpret_cast<unsigned char*>(from.begin())}) {
        for (auto* d : {reinterpret_cast<unsigned char*>(to.end() - n), reinterpret_cast<unsigned char*>(to.begin())}) {
          std::memset(to.begin(), 'b', to.size());
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
