#include "core/mem.h"

#include <algorithm>
#include <random>
#include <vector>

#include "fake_platform.h"
#include "mem_model.h"
#include "variants.h"

namespace kivo {
namespace {

using Mem = fake::fixture;

TEST_F(Mem, ImpossibleSizesGiveNull) {
  EXPECT_EQ(mem_alloc(0), nullptr);
  EXPECT_EQ(mem_alloc(-1), nullptr);
  EXPECT_EQ(mem_alloc(INT64_MIN), nullptr);
  EXPECT_EQ(mem_free(nullptr), 0);
}

TEST_F(Mem, FreshBlocksReadZero) {
  auto* p = static_cast<unsigned char*>(mem_alloc(100));
  ASSERT_NE(p, nullptr);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(p[i], 0) << i;
  EXPECT_EQ(fake::live_blocks(), 1);
  EXPECT_EQ(mem_free(p), 0);
  EXPECT_EQ(fake::live_blocks(), 0);
}

TEST_F(Mem, FailedRequestIsNull) {
  fake::fail_request(2);
  void* first = mem_alloc(8);
  EXPECT_NE(first, nullptr);
  EXPECT_EQ(mem_alloc(8), nullptr);
  mem_free(first);
}

TEST_F(Mem, CopyRereadsBytesItWrote) {
  char copied[] = "abcdefg";
  EXPECT_EQ(mem_copy(copied + 2, copied, 5), copied + 2);
  EXPECT_STREQ(copied, "abababa");
}

TEST_F(Mem, MoveHandlesOverlapBothWays) {
  char moved[] = "abcdefg";
  EXPECT_EQ(mem_move(moved + 2, moved, 5), moved + 2);
  EXPECT_STREQ(moved, "ababcde");

  char down[] = "abcdefg";
  mem_move(down, down + 2, 5);
  EXPECT_STREQ(down, "cdefgfg");
}

// A negative count must not be read as a huge unsigned one: nothing is read or written.
TEST_F(Mem, ZeroNegativeOrSelfCountsTouchNothing) {
  char buf[] = "xyz";
  char other[] = "a";
  EXPECT_EQ(mem_copy(buf, nullptr, 0), buf);
  EXPECT_EQ(mem_move(buf, nullptr, 0), buf);
  EXPECT_EQ(mem_move(buf, buf, 3), buf);
  EXPECT_EQ(mem_copy(buf, buf, 3), buf);
  for (int64_t n : {int64_t{-1}, int64_t{-17}, INT64_MIN}) {
    EXPECT_EQ(mem_copy(buf, other, n), buf);
    EXPECT_EQ(mem_move(buf, other, n), buf);
    EXPECT_EQ(mem_move(other, buf, n), other);
    EXPECT_EQ(mem_compare(buf, other, n), 0);
  }
  EXPECT_STREQ(buf, "xyz");
  EXPECT_STREQ(other, "a");
}

// Runs check on the public routines as the processor allows, on them with the baseline
// forced, and on every version of them this processor runs.
template <typename Check>
void for_each_row(Check check) {
  for (const bool baseline : {false, true}) {
    test::force_baseline(baseline);
    check(test::variant{baseline ? "public, baseline" : "public", mem_copy, mem_move, mem_compare, nullptr, nullptr});
  }
  test::force_baseline(false);
  for (const test::variant& v : test::variants()) check(v);
}

// Lengths around the vector widths and the 64-, 128- and 256-byte steps, every overlap
// distance both ways, two source alignments: the buffer as a whole, the bytes around the
// destination included, must come out as the byte loops leave it.
TEST_F(Mem, CopyAndMoveAgreeWithTheByteLoopsOnEveryOverlap) {
  std::vector<int64_t> lengths;
  for (int64_t n = 1; n <= 80; ++n) lengths.push_back(n);
  for (int64_t n : {127, 128, 129, 143, 200, 255, 256, 257, 300, 383, 511, 512, 513, 700, 1000, 4099, 9000, 40000}) {
    lengths.push_back(n);
  }
  std::mt19937_64 rng(13);
  for_each_row([&](const test::variant& v) {
    for (const int64_t n : lengths) {
      std::vector<int64_t> gaps;
      for (int64_t g = -70; g <= 70; ++g) gaps.push_back(g);
      for (int64_t g : {n - 1, n, n + 1, n + 16}) {
        gaps.push_back(g);
        gaps.push_back(-g);
      }
      const int64_t room = (n > 70 ? n : 70) + 32;
      std::vector<unsigned char> start(static_cast<size_t>(3 * room));
      for (unsigned char& c : start) c = static_cast<unsigned char>(rng());
      for (const int64_t gap : gaps) {
        for (const int64_t align : {0, 7}) {
          for (const bool move : {false, true}) {
            std::vector<unsigned char> want = start, got = start;
            const int64_t src = room + align, dst = src + gap;
            if (move) {
              model::move_bytes(want.data() + dst, want.data() + src, n);
              EXPECT_EQ(v.mem_move(got.data() + dst, got.data() + src, n), got.data() + dst);
            } else {
              model::copy_bytes(want.data() + dst, want.data() + src, n);
              EXPECT_EQ(v.mem_copy(got.data() + dst, got.data() + src, n), got.data() + dst);
            }
            ASSERT_EQ(got, want) << v.name << (move ? " move" : " copy") << " n " << n << " gap " << gap << " at " << align;
          }
        }
      }
    }
  });
}

TEST_F(Mem, CompareGivesUnsignedDifferenceOfFirstMismatch) {
  EXPECT_EQ(mem_compare("abc", "abd", 3), -1);
  EXPECT_EQ(mem_compare("abc", "abd", 2), 0);
  EXPECT_EQ(mem_compare("\xff", "\x01", 1), 254);
  EXPECT_EQ(mem_compare("\x01", "\xff", 1), -254);
  EXPECT_EQ(mem_compare(nullptr, nullptr, 0), 0);
}

// The first unequal byte at every position of lengths around the word and vector widths,
// with later bytes unequal too, so that only the first one may decide.
TEST_F(Mem, CompareAgreesWithTheByteLoop) {
  std::mt19937_64 rng(5);
  for_each_row([&](const test::variant& v) {
    for (int64_t n = 0; n <= 600; n += n < 80 ? 1 : n < 300 ? 29 : 97) {
      std::vector<unsigned char> a(static_cast<size_t>(n));  // exact sizes: ASan sees any over-read
      for (unsigned char& c : a) c = static_cast<unsigned char>(rng());
      for (int64_t at = 0; at <= n; ++at) {
        std::vector<unsigned char> b = a;
        for (int64_t k = at; k < n; ++k) b[static_cast<size_t>(k)] = static_cast<unsigned char>(rng());
        if (at < n) b[static_cast<size_t>(at)] = static_cast<unsigned char>(a[static_cast<size_t>(at)] ^ (1 + rng() % 255));
        EXPECT_EQ(v.mem_compare(a.data(), b.data(), n), model::compare_bytes(a.data(), b.data(), n)) << v.name << " " << n << " " << at;
        EXPECT_EQ(v.mem_compare(b.data(), a.data(), n), model::compare_bytes(b.data(), a.data(), n)) << v.name << " " << n << " " << at;
      }
    }
  });
}

// Texts at every offset within a word and a vector, with NULs before them (which must not
// count) and bytes around the terminator that a borrow between bytes could mistake for it.
TEST_F(Mem, TextLengthCountsToTheFirstNul) {
  alignas(64) char buf[192];
  for (const test::variant& v : test::variants()) {
    EXPECT_EQ(v.text_len(nullptr), 0) << v.name;
    for (int64_t start = 0; start < 64; start += start < 8 ? 1 : 7) {
      for (int64_t n = 0; n < 120; n += n < 40 ? 1 : 13) {
        for (const char around : {'\x01', '\x80', '\xff', 'a'}) {
          std::fill(buf, buf + sizeof buf, around);
          std::fill(buf, buf + start, '\0');
          buf[start + n] = '\0';
          ASSERT_EQ(v.text_len(buf + start), n) << v.name << " " << start << " " << n << " " << int{around};
        }
      }
    }
  }
}

}  // namespace
}  // namespace kivo
