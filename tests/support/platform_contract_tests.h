#pragma once
// What every OS layer must do, whichever services it stands on. Included by each OS's
// platform test, which defines released(p): whether the page at p is no longer mapped, and
// alignment(n): the alignment a block of n bytes must have there.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "core/platform.h"
#include "core/time.h"
#include "heap_model.h"

namespace kivo::platform {
namespace {

bool released(const void* p);
uint64_t alignment(uint64_t n);

// Sizes around the page and around the points where a layer may switch how it serves a block.
constexpr uint64_t contract_sizes[] = {
    1, 16, 48, 3072, 3073, 4095, 4096, 4097, 10000, 65536,
    (1u << 20) - 1, 1u << 20, (1u << 20) + 1, 3u << 20};

TEST(Platform, BlocksAreAlignedAndZeroed) {
  for (const uint64_t n : contract_sizes) {
    auto* p = static_cast<unsigned char*>(block_alloc(n));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % alignment(n), 0u) << n;
    for (uint64_t k = 0; k < n; ++k) ASSERT_EQ(p[k], 0) << n << " at " << k;
    block_free(p);
  }
}

// What one owner wrote must never show through to the next, also past its n bytes up to the
// next multiple of 16, which every block owns: every block handed out after others were
// filled and released reads zero over all of its bytes.
TEST(Platform, ReusedMemoryReadsZero) {
  for (int round = 0; round < 3; ++round) {
    unsigned char* held[std::size(contract_sizes)];
    for (size_t i = 0; i < std::size(contract_sizes); ++i) {
      const uint64_t n = contract_sizes[(i + round) % std::size(contract_sizes)];
      held[i] = static_cast<unsigned char*>(block_alloc(n));
      ASSERT_NE(held[i], nullptr);
      for (uint64_t k = 0; k < n; ++k) ASSERT_EQ(held[i][k], 0) << n << " at " << k;
      std::memset(held[i], 0xA5, (n + 15) / 16 * 16);
    }
    for (unsigned char* p : held) block_free(p);
  }
}

// No two live blocks overlap, so writing one whole block leaves every other intact.
TEST(Platform, LiveBlocksNeverOverlap) {
  struct live {
    unsigned char* p;
    uint64_t n;
  };
  std::vector<live> blocks;
  for (int i = 0; i < 400; ++i) {
    const uint64_t n =
        i % 7 == 0 ? contract_sizes[i % std::size(contract_sizes)] : 1 + i * 37 % 9000;
    auto* p = static_cast<unsigned char*>(block_alloc(n));
    ASSERT_NE(p, nullptr);
    ASSERT_EQ(reinterpret_cast<uintptr_t>(p) % alignment(n), 0u) << n;
    std::memset(p, i & 0xFF, n);
    blocks.push_back({p, n});
    if (i % 3 == 2) {  // release some as we go, so later blocks reuse their pages
      block_free(blocks[i / 2].p);
      blocks[i / 2].n = 0;
    }
  }
  std::vector<live> sorted;
  for (const live& b : blocks) {
    if (b.n != 0) sorted.push_back(b);
  }
  std::sort(sorted.begin(), sorted.end(), [](const live& a, const live& b) { return a.p < b.p; });
  for (size_t i = 1; i < sorted.size(); ++i) {
    EXPECT_GE(static_cast<uint64_t>(sorted[i].p - sorted[i - 1].p), sorted[i - 1].n);
  }
  for (size_t i = 0; i < blocks.size(); ++i) {
    for (uint64_t k = 0; k < blocks[i].n; ++k) {
      ASSERT_EQ(blocks[i].p[k], static_cast<unsigned char>(i & 0xFF)) << i << " at " << k;
    }
    if (blocks[i].n != 0) block_free(blocks[i].p);
  }
}

TEST(Platform, ImpossibleSizesAreRefused) {
  EXPECT_EQ(block_alloc(0), nullptr);
  EXPECT_EQ(block_alloc(UINT64_MAX), nullptr);
  EXPECT_EQ(block_alloc(uint64_t{1} << 62), nullptr);
}

// A pointer that is no live block base (null, inside a block, foreign, already released)
// changes nothing: the block keeps its bytes and its memory goes to no one else, and a block
// released twice is handed out once.
TEST(Platform, FreeIgnoresPointersThatAreNoBlockBase) {
  for (const uint64_t n : contract_sizes) {
    auto* p = static_cast<unsigned char*>(block_alloc(n));
    ASSERT_NE(p, nullptr);
    std::memset(p, 'x', n);
    block_free(nullptr);
    block_free(p + 1);
    if (n > 1) block_free(p + n - 1);
    if (n > 16) block_free(p + 16);  // aligned as a smaller block would be
    if (n > 4096) block_free(p + 4096);
    int on_stack = 0;
    block_free(&on_stack);
    std::vector<unsigned char*> others;
    for (int i = 0; i < 8; ++i) {
      auto* q = static_cast<unsigned char*>(block_alloc(n));
      ASSERT_NE(q, nullptr);
      EXPECT_TRUE(q + n <= p || q >= p + n) << n;
      others.push_back(q);
    }
    for (uint64_t k = 0; k < n; ++k) ASSERT_EQ(p[k], 'x') << n << " at " << k;
    block_free(p);
    block_free(p);
    block_free(others[0]);
    block_free(others[0]);
    auto* a = block_alloc(n);
    auto* b = block_alloc(n);
    auto* c = block_alloc(n);
    EXPECT_TRUE(a != b && b != c && a != c) << n;
    for (void* q : {a, b, c}) block_free(q);
    for (size_t i = 1; i < others.size(); ++i) block_free(others[i]);
  }
}

// After a peak, released memory goes back to the system: a layer may keep a little in
// reserve, never the peak.
TEST(Platform, MemoryComesBackAfterAPeak) {
  std::vector<unsigned char*> blocks;
  for (int i = 0; i < 1024; ++i) {
    auto* p = static_cast<unsigned char*>(block_alloc(i % 2 == 0 ? 65536 : 4096));
    ASSERT_NE(p, nullptr);
    p[0] = 1;
    blocks.push_back(p);
  }
  for (unsigned char* p : blocks) block_free(p);
  int kept = 0;
  for (unsigned char* p : blocks) kept += released(p) ? 0 : 1;
  EXPECT_LE(kept, 256);
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
