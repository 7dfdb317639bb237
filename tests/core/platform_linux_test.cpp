// The real Linux platform layer, driven directly.
#include <sys/mman.h>
#include <unistd.h>

#include <fstream>
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

}  // namespace
}  // namespace kivo::platform
