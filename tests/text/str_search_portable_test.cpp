// The portable str_find, the public one on every processor without a search of its own,
// checked on every build against the plain search.
#include "text/str_search_portable.h"

#include <random>
#include <string>

#include "fake_platform.h"
#include "str_model.h"

namespace kivo::portable {
namespace {

using PortableFind = fake::fixture;

// Texts over two or three letters (bytes a borrow between bytes could confuse with NUL among
// them), at every offset within a word, after bytes of the same word that are NULs or the
// pattern's first byte and must not count, long enough for the hand-over to Two-Way: patterns
// cut from the text (so they occur), cut and changed in one byte (so they nearly occur), or
// runs of one letter around another.
TEST_F(PortableFind, AgreesWithThePlainSearch) {
  std::mt19937_64 rng(23);
  const std::string alphabets[] = {"ab", "aab", "abc", "aaaaaaab", "\x01\x80\xff"};
  auto text = [&rng](const std::string& letters, size_t max) {
    std::string s(rng() % (max + 1), ' ');
    for (char& c : s) c = letters[rng() % letters.size()];
    return s;
  };
  for (int round = 0; round < 3000; ++round) {
    const std::string& letters = alphabets[round % 5];
    std::string hay = std::string(round % 5 == 0 ? rng() % 1500 : 0, letters[0]) +
                      text(letters, round % 8 == 0 ? 2000 : 200);
    const size_t from = rng() % (hay.size() + 1), n = 1 + rng() % (round % 3 == 0 ? 60 : 12);
    std::string needle = hay.substr(from, n);
    if (round % 3 == 1 && !needle.empty()) needle[rng() % needle.size()] ^= 3;
    if (round % 3 == 2 || needle.empty()) {
      needle = std::string(n, letters[0]) + letters.back() + std::string(rng() % 40, letters[0]);
    }
    const size_t off = rng() % 16;
    hay.insert(0, off, round % 2 == 0 ? '\0' : needle[0]);
    ASSERT_EQ(str_find(hay.c_str() + off, needle.c_str()), model::find(hay.substr(off), needle))
        << hay.substr(off) << " / " << needle;
  }
  EXPECT_EQ(str_find("abc", ""), 0);
  EXPECT_EQ(str_find(nullptr, "a"), -1);
  EXPECT_EQ(str_find("a", nullptr), -1);
}

}  // namespace
}  // namespace kivo::portable
