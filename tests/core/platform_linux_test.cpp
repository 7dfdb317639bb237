// The real Linux platform layer, driven directly.
#include <sys/mman.h>
#include <unistd.h>

#include <random>
#include <string>
#include <vector>

#include "core/mem.h"
#include "text/str_search.h"
#include "mem_model.h"
#include "platform_contract_tests.h"

namespace kivo::platform {
namespace {

bool released(const void* p) {
  unsigned char resident = 0;
  void* page = reinterpret_cast<void*>(reinterpret_cast<uintptr_t>(p) & ~uintptr_t{4095});
  return mincore(page, 1, &resident) != 0;
}

TEST(PlatformLinux, ThousandsOfLiveBlocksAreTracked) {
  std::vector<char*> blocks;
  for (int i = 0; i < 3000; ++i) {
    auto* p = static_cast<char*>(block_alloc(1 + i % 5000));
    ASSERT_NE(p, nullptr);
    p[0] = static_cast<char>(i);
    blocks.push_back(p);
  }
  // Release every other one first, so the table holds removed slots while still in use.
  for (size_t i = 0; i < blocks.size(); i += 2) block_free(blocks[i]);
  for (size_t i = 1; i < blocks.size(); i += 2) {
    EXPECT_EQ(blocks[i][0], static_cast<char>(i));
    block_free(blocks[i]);
  }
  for (char* p : blocks) EXPECT_TRUE(released(p));
}

TEST(PlatformLinux, ConsoleWriteSendsTheBytesToStandardOutput) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  const int saved = dup(1);
  ASSERT_EQ(dup2(fds[1], 1), 1);
  console_write("hello\n", 6);
  console_write("ignored", 0);
  console_write(std::string(1000, 'z').c_str(), 1000);
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
  std::memset(page.begin(), 'x', 4096);
  for (int64_t n = 0; n < 300; ++n) {
    char* s = page.end() - 1 - n;
    s[n] = '\0';
    EXPECT_EQ(text_len(s), n);
    s[n] = 'x';
  }
  page.end()[-1] = '\0';
  for (int64_t at = 0; at < 4096; at += at < 200 ? 1 : 97) EXPECT_EQ(text_len(page.begin() + at), 4095 - at);
  std::mt19937_64 rng(3);
  for (int round = 0; round < 2000; ++round) {
    char* s = page.begin() + rng() % 4000;
    const auto n = static_cast<int64_t>(rng() % static_cast<uint64_t>(page.end() - 1 - s));
    const char kept = s[n];
    s[n] = '\0';
    EXPECT_EQ(text_len(s), model::text_len(s));
    s[n] = kept;
  }
}

// Texts and patterns against the guards: the search stops at the text's terminator, also
// when a pattern's first bytes match up to it, and reads nothing past either end.
TEST(PlatformLinux, SearchReadsNothingPastTheTerminator) {
  const guarded_page text, pattern;
  std::memset(text.begin(), 'a', 4096);
  std::memset(pattern.begin(), 'a', 4096);
  text.end()[-1] = pattern.end()[-1] = '\0';
  for (int64_t n = 0; n < 200; ++n) {
    const char* hay = text.end() - 1 - n;
    for (int64_t k = 1; k <= n + 2; k += k < 40 ? 1 : 13) {
      const char* needle = pattern.end() - 1 - k;
      EXPECT_EQ(str_find(hay, needle), k <= n ? 0 : -1) << n << " " << k;
      pattern.end()[-2] = 'b';  // now only found where the text ends in b
      text.end()[-2] = 'b';
      EXPECT_EQ(str_find(hay, needle), k <= n ? n - k : -1) << n << " " << k;
      pattern.end()[-2] = text.end()[-2] = 'a';
    }
  }
  EXPECT_EQ(str_find(text.begin(), "ab"), -1);
  EXPECT_EQ(str_find(text.begin(), "aaaaaaaaaaaaaaaaaaaaaaaaaaab"), -1);
  // Patterns whose first and last bytes match everywhere hand the search over to Two-Way,
  // which reads on to the terminator by itself.
  const std::string run = std::string(20, 'a') + "b" + std::string(20, 'a');
  for (int64_t start = 0; start < 16; ++start) EXPECT_EQ(str_find(text.begin() + start, run.c_str()), -1);
  text.end()[-2] = 'b';
  EXPECT_EQ(str_find(text.begin() + 5, "aab"), 4096 - 5 - 4);
  text.end()[-2] = 'a';
}

// Buffers that end against the guard, or start right after it: the byte routines read only
// the bytes they are given.
TEST(PlatformLinux, ByteRoutinesReadOnlyTheirBytes) {
  const guarded_page from, to;
  std::memset(from.begin(), 'a', 4096);
  for (int64_t n = 1; n <= 300; ++n) {
    for (auto* s : {reinterpret_cast<unsigned char*>(from.end() - n), reinterpret_cast<unsigned char*>(from.begin())}) {
      for (auto* d : {reinterpret_cast<unsigned char*>(to.end() - n), reinterpret_cast<unsigned char*>(to.begin())}) {
        std::memset(to.begin(), 'b', 4096);
        EXPECT_EQ(mem_compare(s, d, n), 'a' - 'b');
        mem_copy(d, s, n);
        EXPECT_EQ(mem_compare(s, d, n), 0);
        d[n - 1] = 'c';
        EXPECT_EQ(mem_compare(s, d, n), 'a' - 'c');
        mem_move(d, s, n);
        EXPECT_EQ(model::compare_bytes(s, d, n), 0);
      }
    }
  }
}

}  // namespace
}  // namespace kivo::platform
