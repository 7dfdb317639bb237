// The real Linux platform layer, driven directly.
#include <sys/mman.h>
#include <unistd.h>

#include <string>
#include <vector>

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

}  // namespace
}  // namespace kivo::platform
