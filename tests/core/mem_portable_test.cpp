// The portable byte routines and string length, the public ones on every processor without
// routines of its own, checked on every build against the one-byte loops.
#include "core/mem_portable.h"

#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "mem_model.h"

namespace kivo::portable {
namespace {

using bytes = std::vector<unsigned char>;

bytes random_bytes(size_t n, std::mt19937_64& rng) {
  bytes b(n);
  for (unsigned char& c : b) c = static_cast<unsigned char>(rng() % 4 == 0 ? 0 : rng());
  return b;
}

// Lengths around the word and the four-word step, every overlap distance both ways, source and
// destination at every offset within a word: the whole buffer, the bytes around the
// destination included, must come out as the byte loops leave it.
TEST(PortableMem, CopyAndMoveAgreeWithTheByteLoops) {
  std::mt19937_64 rng(21);
  std::vector<int64_t> lengths = {100, 255, 1000};
  for (int64_t n = 0; n <= 72; ++n) lengths.push_back(n);
  for (const int64_t n : lengths) {
    const int64_t room = (n > 40 ? n : 40) + 16;
    const bytes start = random_bytes(static_cast<size_t>(3 * room), rng);
    std::vector<int64_t> gaps = {n - 1, n, n + 1, 1 - n, -n, -n - 1};
    for (int64_t g = -40; g <= 40; ++g) gaps.push_back(g);
    for (const int64_t gap : gaps) {
      for (const int64_t align : {0, 1, 5}) {
        for (const bool move : {false, true}) {
          bytes want = start, got = start;
          unsigned char* const g = got.data();
          const int64_t src = room + align, dst = src + gap;
          if (move) {
            model::move_bytes(want.data() + dst, want.data() + src, n);
            EXPECT_EQ(mem_move(g + dst, g + src, n), g + dst);
          } else {
            model::copy_bytes(want.data() + dst, want.data() + src, n);
            EXPECT_EQ(mem_copy(g + dst, g + src, n), g + dst);
          }
          ASSERT_EQ(got, want) << (move ? "move" : "copy") << " n " << n << " gap " << gap << " at " << align;
        }
      }
    }
  }
  EXPECT_EQ(mem_copy(nullptr, nullptr, -5), nullptr);
  EXPECT_EQ(mem_move(nullptr, nullptr, INT64_MIN), nullptr);
}

// The first unequal byte at every position, both buffers at every offset within a word, later
// bytes unequal too: only the first difference may decide, in either byte order.
TEST(PortableMem, CompareGivesTheFirstUnequalBytesDifference) {
  std::mt19937_64 rng(22);
  for (int64_t n = 0; n <= 40; ++n) {
    for (int64_t at = 0; at <= n; ++at) {
      const size_t xa = rng() % 8, ya = rng() % 8;
      bytes x = random_bytes(static_cast<size_t>(n) + xa, rng), y(ya);
      y.insert(y.end(), x.begin() + static_cast<int64_t>(xa), x.end());
      for (int64_t k = at; k < n; ++k) y[static_cast<size_t>(k) + ya] = static_cast<unsigned char>(rng());
      if (at < n) y[static_cast<size_t>(at) + ya] ^= static_cast<unsigned char>(1 + rng() % 255);
      const unsigned char *a = x.data() + xa, *b = y.data() + ya;
      ASSERT_EQ(mem_compare(a, b, n), model::compare_bytes(a, b, n)) << n << " " << at;
      ASSERT_EQ(mem_compare(b, a, n), model::compare_bytes(b, a, n)) << n << " " << at;
    }
  }
  EXPECT_EQ(mem_compare(nullptr, nullptr, -1), 0);
}

// Texts at every offset within a word, with NULs in the word before them (which must not
// count) and bytes around the terminator that a borrow between bytes could mistake for it.
TEST(PortableMem, TextLengthCountsToTheFirstNul) {
  EXPECT_EQ(text_len(nullptr), 0);
  alignas(8) char buf[64];
  for (int64_t start = 0; start < 8; ++start) {
    for (int64_t n = 0; n < 40; ++n) {
      for (const char around : {'\x01', '\x80', '\xff', 'a'}) {
        std::fill(buf, buf + sizeof buf, around);
        std::fill(buf, buf + start, '\0');
        buf[start + n] = '\0';
        ASSERT_EQ(text_len(buf + start), n) << start << " " << n << " " << int{around};
      }
    }
  }
}

}  // namespace
}  // namespace kivo::portable
