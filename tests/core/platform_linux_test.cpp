// The real Linux platform layer, driven directly.
#include <errno.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/platform.h"

namespace kivo::platform {
namespace {

bool mapped(const void* p) {
  unsigned char resident = 0;
  void* page = reinterpret_cast<void*>(reinterpret_cast<uintptr_t>(p) & ~uintptr_t{4095});
  return mincore(page, 1, &resident) == 0;
}

TEST(PlatformLinux, BlocksArePageAlignedZeroedAndUnmappedWhole) {
  auto* p = static_cast<unsigned char*>(block_alloc(10000));
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % 4096, 0u);
  for (int i = 0; i < 10000; ++i) ASSERT_EQ(p[i], 0);
  p[9999] = 1;
  block_free(p);
  EXPECT_FALSE(mapped(p));
  EXPECT_FALSE(mapped(p + 8192));
}

TEST(PlatformLinux, ImpossibleSizesAreRefused) {
  EXPECT_EQ(block_alloc(0), nullptr);
  EXPECT_EQ(block_alloc(UINT64_MAX), nullptr);
  EXPECT_EQ(block_alloc(uint64_t{1} << 62), nullptr);
}

TEST(PlatformLinux, FreeIgnoresPointersThatAreNoBlockBase) {
  auto* p = static_cast<char*>(block_alloc(3 * 4096));
  ASSERT_NE(p, nullptr);
  block_free(nullptr);
  block_free(p + 4096);
  block_free(p + 1);
  int on_stack = 0;
  block_free(&on_stack);
  EXPECT_TRUE(mapped(p + 4096));
  p[3 * 4096 - 1] = 'x';
  block_free(p);
  EXPECT_FALSE(mapped(p));
  block_free(p);  // a second release of the same base changes nothing
}

TEST(PlatformLinux, ManyLiveBlocksAreAllTrackedAndReleased) {
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
  for (char* p : blocks) EXPECT_FALSE(mapped(p));
}

TEST(PlatformLinux, ClockCountsHundredNanosecondsSince1601) {
  const int64_t unix_now = std::time(nullptr);
  const int64_t file_time = file_time_now();
  const int64_t as_unix = (file_time - 116444736000000000) / 10000000;
  EXPECT_LE(std::abs(as_unix - unix_now), 2);
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

TEST(PlatformLinux, TextLengthScansToTheTerminator) {
  EXPECT_EQ(text_len(nullptr), 0);
  EXPECT_EQ(text_len(""), 0);
  EXPECT_EQ(text_len("abc\0def"), 3);
}

}  // namespace
}  // namespace kivo::platform
