// The portable routines next to pages the process may not read: texts and buffers that end
// right before such a page, or start right after one, are read no further than their own
// bytes (a text, no further than the word of its terminator).
#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "core/mem_portable.h"
#include "text/str_search_portable.h"

namespace kivo::portable {
namespace {

const int64_t page = sysconf(_SC_PAGESIZE);

// One read-write page between two that may not be touched, filled with c.
struct guarded_page {
  char* base = static_cast<char*>(mmap(nullptr, 3 * page, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
  explicit guarded_page(char c) {
    EXPECT_EQ(mprotect(base + page, page, PROT_READ | PROT_WRITE), 0);
    std::memset(begin(), c, page);
  }
  ~guarded_page() { munmap(base, 3 * page); }
  char* begin() const { return base + page; }
  char* end() const { return base + 2 * page; }
};

TEST(PortableGuard, TextLengthAndSearchStopAtTheTerminator) {
  const guarded_page text('a'), pattern('a');
  text.end()[-1] = pattern.end()[-1] = '\0';
  for (int64_t n = 0; n < 100; ++n) {
    const char* hay = text.end() - 1 - n;
    EXPECT_EQ(text_len(hay), n);
    EXPECT_EQ(text_len(text.begin() + n), page - 1 - n);
    for (int64_t k = 1; k <= n + 2; k += k < 20 ? 1 : 7) {
      const char* needle = pattern.end() - 1 - k;
      EXPECT_EQ(str_find(hay, needle), k <= n ? 0 : -1) << n << " " << k;
      pattern.end()[-2] = text.end()[-2] = 'b';  // now only found where the text ends
      EXPECT_EQ(str_find(hay, needle), k <= n ? n - k : -1) << n << " " << k;
      pattern.end()[-2] = text.end()[-2] = 'a';
    }
  }
  // Patterns whose ends match everywhere hand the search over to Two-Way.
  const std::string run = std::string(20, 'a') + "b" + std::string(20, 'a');
  for (int64_t start = 0; start < 16; ++start) EXPECT_EQ(str_find(text.begin() + start, run.c_str()), -1);
}

TEST(PortableGuard, ByteRoutinesReadOnlyTheirBytes) {
  const guarded_page from('a'), to('b');
  for (int64_t n = 1; n <= 100; ++n) {
    for (char* s : {from.end() - n, from.begin()}) {
      for (char* d : {to.end() - n, to.begin()}) {
        std::memset(to.begin(), 'b', page);
        EXPECT_EQ(mem_compare(s, d, n), 'a' - 'b');
        mem_copy(d, s, n);
        d[n - 1] = 'c';
        EXPECT_EQ(mem_compare(s, d, n), 'a' - 'c');
        mem_move(d, s, n);
        EXPECT_EQ(std::memcmp(s, d, static_cast<size_t>(n)), 0) << n;
      }
    }
  }
}

}  // namespace
}  // namespace kivo::portable
