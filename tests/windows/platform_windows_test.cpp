// The real Windows platform layer, driven directly.
#include <windows.h>

#include <string>

#include "platform_contract_tests.h"

namespace kivo::platform {
namespace {

bool released(const void* p) {
  MEMORY_BASIC_INFORMATION info{};
  return VirtualQuery(p, &info, sizeof info) != 0 && info.State == MEM_FREE;
}

uint64_t alignment(uint64_t n) { return model::block_alignment(n, 4096); }

// Standard output is swapped for a pipe, so the bytes come back exactly as WriteFile sent
// them: no line-end translation on the way.
TEST(PlatformWindows, ConsoleWriteSendsTheBytesUnchanged) {
  HANDLE read_end = nullptr, write_end = nullptr;
  ASSERT_TRUE(CreatePipe(&read_end, &write_end, nullptr, 1 << 16));
  HANDLE saved = GetStdHandle(STD_OUTPUT_HANDLE);
  ASSERT_TRUE(SetStdHandle(STD_OUTPUT_HANDLE, write_end));
  console_write("hello", 5, true);
  console_write("ignored", 0, false);
  const std::string long_text(1000, 'z');
  console_write(long_text.c_str(), 1000, false);
  console_write("\r\n\x1a", 3, false);
  SetStdHandle(STD_OUTPUT_HANDLE, saved);
  CloseHandle(write_end);
  std::string got;
  char buf[4096];
  DWORD n = 0;
  while (ReadFile(read_end, buf, sizeof buf, &n, nullptr) && n > 0) got.append(buf, n);
  CloseHandle(read_end);
  EXPECT_EQ(got, "hello\n" + long_text + "\r\n\x1a");
}

}  // namespace
}  // namespace kivo::platform
