#pragma once
// What every OS layer must do, whichever services it stands on. Included by each OS's
// platform test, which first defines released(p): whether the page at p is no longer mapped.
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "core/platform.h"
#include "core/time.h"

namespace kivo::platform {
namespace {

bool released(const void* p);

TEST(Platform, BlocksArePageAlignedAndZeroed) {
  auto* p = static_cast<unsigned char*>(block_alloc(10000));
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % 4096, 0u);
  for (int i = 0; i < 10000; ++i) ASSERT_EQ(p[i], 0);
  block_free(p);
}

TEST(Platform, FreeReleasesTheWholeBlock) {
  auto* p = static_cast<unsigned char*>(block_alloc(10000));
  ASSERT_NE(p, nullptr);
  p[9999] = 1;
  block_free(p);
  EXPECT_TRUE(released(p));
  EXPECT_TRUE(released(p + 8192));
}

TEST(Platform, ImpossibleSizesAreRefused) {
  EXPECT_EQ(block_alloc(0), nullptr);
  EXPECT_EQ(block_alloc(UINT64_MAX), nullptr);
  EXPECT_EQ(block_alloc(uint64_t{1} << 62), nullptr);
}

TEST(Platform, FreeIgnoresPointersThatAreNoBlockBase) {
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
  block_free(p);  // a second release of the same base changes nothing
}

// Against the host's clock to a few milliseconds, read before and after each reading and
// across a short sleep: a wrong unit shows in the elapsed time even where the seconds agree.
// time_now_ns is checked on top, wrapped as it is.
TEST(Platform, ClockCountsHundredNanosecondsSince1601) {
  const int64_t unix_now = std::time(nullptr);
  const int64_t as_unix = (file_time_now() - 116444736000000000) / 10000000;
  EXPECT_LE(std::abs(as_unix - unix_now), 2);

  auto host_ns = [] {
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                     std::chrono::system_clock::now().time_since_epoch())
                                     .count()) +
           uint64_t{11644473600} * 1000000000;  // from 1601 to 1970
  };
  constexpr int64_t slack_ns = 5000000;
  uint64_t before[2], after[2], file_time[2], ns[2];
  for (int i = 0; i < 2; ++i) {
    if (i == 1) std::this_thread::sleep_for(std::chrono::milliseconds(60));
    before[i] = host_ns();
    file_time[i] = static_cast<uint64_t>(file_time_now());
    ns[i] = static_cast<uint64_t>(time_now_ns());
    after[i] = host_ns();
    // Differences of unsigned readings, as signed: the nanosecond clock has wrapped.
    EXPECT_GE(static_cast<int64_t>(file_time[i] * 100 - before[i]), -slack_ns) << i;
    EXPECT_LE(static_cast<int64_t>(file_time[i] * 100 - after[i]), slack_ns) << i;
    EXPECT_GE(static_cast<int64_t>(ns[i] - before[i]), -slack_ns) << i;
    EXPECT_LE(static_cast<int64_t>(ns[i] - after[i]), slack_ns) << i;
  }
  const auto elapsed = static_cast<int64_t>(ns[1] - ns[0]);
  EXPECT_GE(elapsed, static_cast<int64_t>(before[1] - after[0]) - slack_ns);
  EXPECT_LE(elapsed, static_cast<int64_t>(after[1] - before[0]) + slack_ns);
}

TEST(Platform, TextLengthScansToTheTerminator) {
  EXPECT_EQ(text_len(nullptr), 0);
  EXPECT_EQ(text_len(""), 0);
  EXPECT_EQ(text_len("abc\0def"), 3);
}

std::string float_string(double v) {
  char buf[float_format_fixed6_cap];
  std::memset(buf, '#', sizeof buf);
  const int64_t n = float_text(v, buf);
  EXPECT_LT(n, float_format_fixed6_cap);
  EXPECT_EQ(std::strlen(buf), static_cast<size_t>(n));
  return buf;
}

TEST(Platform, FloatTextIsSixDecimalsRounded) {
  EXPECT_EQ(float_string(3.141592653589793), "3.141593");
  EXPECT_EQ(float_string(-0.5), "-0.500000");
  EXPECT_EQ(float_string(1024.0), "1024.000000");
  EXPECT_EQ(float_string(0.0), "0.000000");
  EXPECT_EQ(float_string(1.4142135623730951), "1.414214");
}

// The largest doubles need 309 integer digits: the buffer must hold them with the sign.
TEST(Platform, FloatTextOfTheLargestDoublesFitsTheBuffer) {
  const std::string most = float_string(1.7976931348623157e308);
  EXPECT_EQ(most.size(), 309u + 7u);
  EXPECT_EQ(most.substr(most.size() - 7), ".000000");
  EXPECT_EQ(float_string(-1.7976931348623157e308).size(), 310u + 7u);
}

}  // namespace
}  // namespace kivo::platform
