// The real Windows platform layer, driven directly.
#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include <gtest/gtest.h>

#include "core/platform.h"

namespace kivo::platform {
namespace {

bool released(const void* p) {
  MEMORY_BASIC_INFORMATION info{};
  return VirtualQuery(p, &info, sizeof info) != 0 && info.State == MEM_FREE;
}

TEST(PlatformWindows, BlocksArePageAlignedZeroedAndReleasedWhole) {
  auto* p = static_cast<unsigned char*>(block_alloc(10000));
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % 4096, 0u);
  for (int i = 0; i < 10000; ++i) ASSERT_EQ(p[i], 0);
  p[9999] = 1;
  block_free(p);
  EXPECT_TRUE(released(p));
  EXPECT_TRUE(released(p + 8192));
}

TEST(PlatformWindows, ImpossibleSizesAreRefused) {
  EXPECT_EQ(block_alloc(0), nullptr);
  EXPECT_EQ(block_alloc(UINT64_MAX), nullptr);
  EXPECT_EQ(block_alloc(uint64_t{1} << 62), nullptr);
}

TEST(PlatformWindows, FreeIgnoresPointersThatAreNoBlockBase) {
  auto* p = static_cast<char*>(block_alloc(3 * 4096));
  ASSERT_NE(p, nullptr);
  block_free(nullptr);
  block_free(p + 4096);
  block_free(p + 1);
  int on_stack = 0;
  block_free(&on_stack);
  EXPECT_FALSE(released(p + 4096));
  p[3 * 4096 - 1] = 'x';
  block_free(p);
  EXPECT_TRUE(released(p));
}

TEST(PlatformWindows, ClockCountsHundredNanosecondsSince1601) {
  const int64_t unix_now = std::time(nullptr);
  const int64_t as_unix = (file_time_now() - 116444736000000000) / 10000000;
  EXPECT_LE(std::abs(as_unix - unix_now), 2);
}

// Standard output is swapped for a pipe, so the bytes come back exactly as WriteFile sent
// them: no line-end translation on the way.
TEST(PlatformWindows, ConsoleWriteSendsTheBytesUnchanged) {
  HANDLE read_end = nullptr, write_end = nullptr;
  ASSERT_TRUE(CreatePipe(&read_end, &write_end, nullptr, 1 << 16));
  HANDLE saved = GetStdHandle(STD_OUTPUT_HANDLE);
  ASSERT_TRUE(SetStdHandle(STD_OUTPUT_HANDLE, write_end));
  console_write("hello\n", 6);
  console_write("ignored", 0);
  const std::string long_text(1000, 'z');
  console_write(long_text.c_str(), 1000);
  console_write("\r\n\x1a", 3);
  SetStdHandle(STD_OUTPUT_HANDLE, saved);
  CloseHandle(write_end);
  std::string got;
  char buf[4096];
  DWORD n = 0;
  while (ReadFile(read_end, buf, sizeof buf, &n, nullptr) && n > 0) got.append(buf, n);
  CloseHandle(read_end);
  EXPECT_EQ(got, "hello\n" + long_text + "\r\n\x1a");
}

TEST(PlatformWindows, TextLengthScansToTheTerminator) {
  EXPECT_EQ(text_len(nullptr), 0);
  EXPECT_EQ(text_len(""), 0);
  EXPECT_EQ(text_len("abc\0def"), 3);
}

std::string float_string(double v) {
  char buf[float_text_cap];
  std::memset(buf, '#', sizeof buf);
  const int64_t n = float_text(v, buf);
  EXPECT_LT(n, float_text_cap);
  EXPECT_EQ(std::strlen(buf), static_cast<size_t>(n));
  return buf;
}

TEST(PlatformWindows, FloatTextIsSixDecimalsRounded) {
  EXPECT_EQ(float_string(3.141592653589793), "3.141593");
  EXPECT_EQ(float_string(-0.5), "-0.500000");
  EXPECT_EQ(float_string(1024.0), "1024.000000");
  EXPECT_EQ(float_string(0.0), "0.000000");
  EXPECT_EQ(float_string(2.718281828459045), "2.718282");
  EXPECT_EQ(float_string(1.4142135623730951), "1.414214");
}

// The largest doubles need 309 integer digits: the buffer must hold them with the sign.
TEST(PlatformWindows, FloatTextOfTheLargestDoublesFitsTheBuffer) {
  const std::string most = float_string(1.7976931348623157e308);
  EXPECT_EQ(most.size(), 309u + 7u);
  EXPECT_EQ(most.substr(most.size() - 7), ".000000");
  EXPECT_EQ(float_string(-1.7976931348623157e308).size(), 310u + 7u);
}

}  // namespace
}  // namespace kivo::platform
