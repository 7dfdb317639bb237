// Edge cases of the string routines, refused allocations, and random texts against
// std::string models.
#include <random>
#include <string>
#include <vector>

#include "core/mem.h"
#include "str_model.h"
#include "string_results.h"
#include "text/str_edit.h"
#include "text/str_primitives.h"
#include "text/str_replace.h"
#include "text/str_search.h"
#include "text/str_two_way.h"
#include "variants.h"

namespace kivo {
namespace {

using Str = fake::fixture;

std::string random_text(std::mt19937_64& rng, const std::string& bytes, size_t max) {
  std::string s(rng() % (max + 1), ' ');
  for (char& c : s) c = bytes[rng() % bytes.size()];
  return s;
}

TEST_F(Str, NullAndImpossibleArgumentsAreRefused) {
  EXPECT_EQ(str_len(nullptr), 0);
  EXPECT_EQ(str_len("ab\0cd"), 2);
  // n + 1 must not wrap into a small request.
  for (int64_t n : {int64_t{-1}, INT64_MAX, INT64_MIN}) EXPECT_EQ(str_alloc(n), nullptr) << n;
  EXPECT_EQ(take(str_alloc(0)), "");
  char buf[] = "xxxxx";
  EXPECT_EQ(str_copy_n(nullptr, "ab", 2) + str_copy_n(buf, nullptr, 2) + str_copy_n(buf, "ab", -3), 0);
  EXPECT_EQ(str_copy_n(buf, "abc", 2), 2);
  EXPECT_STREQ(buf, "abxxx");  // no terminator added

  for (char* (*one)(const char*) : {str_dup, str_trim, str_upper}) EXPECT_EQ(one(nullptr), nullptr);
  EXPECT_EQ(str_substring(nullptr, 0, 1), nullptr);
  EXPECT_EQ(str_replace_first(nullptr, "a", "b"), nullptr);
  EXPECT_EQ(str_replace(nullptr, "a", "b"), nullptr);
  EXPECT_EQ(take(str_concat(nullptr, "ab")), "ab");
  EXPECT_EQ(take(str_concat("ab", nullptr)), "ab");
  EXPECT_EQ(take(str_concat3(nullptr, nullptr, nullptr)), "");
  EXPECT_EQ(take(str_concat3("a", nullptr, "c")), "ac");
}

// A result whose text equals an input is still a block of its own.
TEST_F(Str, EveryResultIsANewBlock) {
  const char* in = "ABC";
  for (char* r : {str_dup(in), str_concat(in, ""), str_substring(in, 0, -1), str_trim(in), str_upper(in),
                  str_replace_first(in, "z", "y"), str_replace(in, "z", "y"), str_replace(in, "", "y")}) {
    EXPECT_NE(r, in);
    EXPECT_EQ(take(r), "ABC");
  }
  fake::reset();
  char* r = str_replace("a-b-c-d", "-", "");
  EXPECT_EQ(fake::live_blocks(), 1);  // the rounds' intermediate texts are gone
  EXPECT_EQ(take(r), "abcd");
}

TEST_F(Str, FindTriesEveryOverlappingStart) {
  struct find_case {
    const char* hay;
    const char* needle;
    int64_t at;
  };
  // "aab": a failed partial match must not skip the overlapping start.
  for (const find_case& f : {find_case{"", "", 0}, {nullptr, "", -1}, {"abc", nullptr, -1}, {"abcabc", "ca", 2},
                             {"aab", "ab", 1}, {"aaab", "aab", 1}, {"x\xff", "\xff", 1}, {"ab", "abc", -1}}) {
    EXPECT_EQ(str_find(f.hay, f.needle), f.at) << f.hay << " / " << f.needle;
    EXPECT_EQ(str_contains(f.hay, f.needle), f.at >= 0 ? 1 : 0) << f.hay << " / " << f.needle;
  }
}

// Texts over two or three letters, at every alignment, long enough for the search's block
// steps and its hand-over to Two-Way: patterns cut from the text (so they occur), cut and
// changed in one byte (so they nearly occur), or long runs around one other letter; each
// through str_find and through every version of it.
TEST_F(Str, FindAgreesWithThePlainSearchOnRepetitiveTexts) {
  std::mt19937_64 rng(11);
  const std::string alphabets[] = {"ab", "aab", "abc", "aaaaaaab", "\x01\x80\xff"};
  std::vector<test::variant> rows = test::variants();
  rows.insert(rows.begin(), {"public", nullptr, nullptr, nullptr, nullptr, str_find});
  for (int round = 0; round < 2000 * static_cast<int>(rows.size()); ++round) {
    const test::variant& v = rows[static_cast<size_t>(round) % rows.size()];
    test::force_baseline(round / static_cast<int>(rows.size()) % 2 == 0);  // on the public row, half of the time
    const std::string& letters = alphabets[round % 5];
    std::string hay = std::string(round % 5 == 0 ? rng() % 1500 : 0, 'a') +
                      random_text(rng, letters, round % 8 == 0 ? 2000 : 200);
    std::string needle;
    const size_t from = rng() % (hay.size() + 1);
    const size_t n = 1 + rng() % (round % 3 == 0 ? 60 : 12);
    switch (rng() % 3) {
      case 0:
        needle = hay.substr(from, n);
        break;
      case 1:
        needle = hay.substr(from, n);
        if (!needle.empty()) needle[rng() % needle.size()] ^= 3;
        break;
      default:
        needle = std::string(n, 'a') + letters.back() + std::string(rng() % 40, 'a');
    }
    const size_t off = rng() % 16;
    hay.insert(0, off, 'c');
    EXPECT_EQ(v.str_find(hay.c_str() + off, needle.c_str()), model::find(hay.substr(off), needle))
        << v.name << " " << hay.substr(off) << " / " << needle;
  }
  test::force_baseline(false);
}

// Patterns made only of their first and last bytes, in texts of those bytes where every other
// window passes any filter of single bytes, so that the search goes over to Two-Way early,
// and runs of one byte where Two-Way skips: found at a random place, or not at all.
TEST_F(Str, FindAgreesWithThePlainSearchWhereTheFilterKeepsPassing) {
  std::mt19937_64 rng(19);
  for (const test::variant& v : test::variants()) {
    for (int round = 0; round < 300; ++round) {
      const std::string unit = round % 3 == 0 ? "ab" : round % 3 == 1 ? "aab" : "abb";
      std::string pattern, hay;
      for (size_t n = 8 + rng() % 100; pattern.size() < n;) pattern += unit;
      pattern += unit.substr(0, 1 + rng() % (unit.size() - 1)) + pattern;  // breaks the period
      for (size_t n = rng() % 3000; hay.size() < n;) hay += rng() % 200 == 0 ? std::string(1 + rng() % 300, unit.back()) : unit;
      if (rng() % 2 == 0) hay.insert(rng() % (hay.size() + 1), pattern);
      EXPECT_EQ(v.str_find(hay.c_str(), pattern.c_str()), model::find(hay, pattern)) << v.name << " " << hay << " / " << pattern;
    }
  }
}

int64_t plain_skip(const char* s, char c) {
  for (int64_t i = 0; s[i] != '\0'; ++i) {
    if (s[i] == c) return i;
  }
  return -1;
}

// Two-Way on its own: every pattern over two letters up to seven bytes, and random ones over
// three, in random texts, from any start, with any part of the text already measured.
TEST_F(Str, TwoWayAgreesWithThePlainSearch) {
  std::mt19937_64 rng(17);
  std::vector<std::string> needles;
  for (int len = 1; len <= 7; ++len) {
    for (int bits = 0; bits < 1 << len; ++bits) {
      std::string needle;
      for (int k = 0; k < len; ++k) needle += (bits >> k & 1) != 0 ? 'b' : 'a';
      needles.push_back(needle);
    }
  }
  for (int k = 0; k < 500; ++k) needles.push_back(random_text(rng, "abc", 9) + "c");
  // Longer ones, periodic or nearly, for the eight-byte steps of both scans.
  for (int k = 0; k < 300; ++k) {
    std::string unit = random_text(rng, "ab", 4) + "a", needle;
    while (needle.size() < 9 + rng() % 40) needle += unit;
    if (k % 2 == 1) needle[rng() % needle.size()] = 'b';
    needles.push_back(needle);
  }
  for (const std::string& needle : needles) {
    for (int round = 0; round < 12; ++round) {
      std::string hay = random_text(rng, needle.find('c') == std::string::npos ? "ab" : "abc", 50);
      if (round % 4 == 0) hay += std::string(rng() % 40, needle[rng() % needle.size()]);  // runs to skip
      if (needle.size() > 10) hay = hay.substr(0, 10) + needle.substr(0, needle.size() - rng() % 3) + needle + hay;
      const auto from = static_cast<int64_t>(rng() % (hay.size() + 1));
      const auto known = static_cast<int64_t>(rng() % (hay.size() + 1));
      int64_t want = model::find(hay.substr(static_cast<size_t>(from)), needle);
      if (want >= 0) want += from;
      // Without a skip, and with the plain one.
      const auto nl = static_cast<int64_t>(needle.size());
      EXPECT_EQ(str_two_way_find(hay.c_str(), from, known, needle.c_str(), nl), want) << hay << " / " << needle << " from " << from;
      EXPECT_EQ(str_two_way_find(hay.c_str(), from, known, needle.c_str(), nl, plain_skip), want)
          << hay << " / " << needle << " from " << from << " skipping";
    }
  }
}

TEST_F(Str, SubstringClampsBothBounds) {
  EXPECT_EQ(take(str_substring("hello", 2, -1)), "llo");
  EXPECT_EQ(take(str_substring("hello", 4, 2)), "");
  EXPECT_EQ(take(str_substring("hello", INT64_MAX, INT64_MAX)), "");
  EXPECT_EQ(take(str_substring("hello", INT64_MIN, INT64_MAX)), "hello");
}

TEST_F(Str, TrimRemovesOnlyTheFourBlanks) {
  EXPECT_EQ(take(str_trim("\t\r\n x \n")), "x");
  EXPECT_EQ(take(str_trim("\v\fa b\v ")), "\v\fa b\v");
}

TEST_F(Str, UpperMapsOnlyAToZ) { EXPECT_EQ(take(str_upper("`az{AZ@\x80\xe1\xff")), "`AZ{AZ@\x80\xe1\xff"); }

TEST_F(Str, ReplaceRescansUnlessThatCouldGoOnForever) {
  struct replace_case {
    char* (*replace)(const char*, const char*, const char*);
    const char *s, *old_text, *new_text;
    std::optional<std::string> want;
  };
  const replace_case cases[] = {
      {str_replace_first, "abc", "", "x", "xabc"},
      {str_replace_first, "abc", nullptr, "y", "abc"},
      {str_replace_first, "abc", "b", nullptr, "ac"},
      {str_replace, "abc", nullptr, "x", "abc"},
      {str_replace, "a-b", "-", nullptr, "ab"},
      // Rescanning from the front replaces what an insertion forms with its surroundings.
      {str_replace, "aab", "ab", "b", "b"},
      {str_replace, "aab", "ab", "bcc", "bcccc"},
      {str_replace, "aab", "ab", "bca", "bcaca"},  // may loop by shape, yet ends
      {str_replace, "aaab", "ab", "bba", "bbbbbbbbaaa"},
      // A replacement holding the pattern: one forward pass, left of an insertion too.
      {str_replace, "a-b", "-", "--", "a--b"},
      {str_replace, "aab", "ab", "bab", "abab"},
      // Rebuilds the pattern for ever ("abbaa", "bbaabaa", ...): the budget ends it, with
      // no result.
      {str_replace, "aab", "ab", "bbaa", std::nullopt},
      {str_replace, "aaba", "aba", "baab", std::nullopt},
      // Rounds that consume what the one before inserted, and one that ends within its budget.
      {str_replace, "aabb", "ab", "ccccccccccccccccx", "accccccccccccccccxb"},
      {str_replace, "bbbbaaaa", "baaaa", "aaaa", "aaaa"},
      {str_replace, "aaaaaaaaaaaab", "ab", "bba", std::string(4096, 'b') + std::string(12, 'a')},
  };
  for (const replace_case& c : cases) {
    EXPECT_EQ(take_or_null(c.replace(c.s, c.old_text, c.new_text)), c.want) << c.s << " " << c.old_text << " " << c.new_text;
  }
  // Long rescans that end keep their result: "a" * n + "b" takes n rounds, each one to the left.
  for (const size_t n : {232, 100000}) {
    std::string want = "bca";
    for (size_t i = 0; i < n - 1; ++i) want += "ca";
    EXPECT_EQ(take(str_replace((std::string(n, 'a') + "b").c_str(), "ab", "bca")), want) << n;
  }
  // Rounds that each take the whole text the one before inserted: b^k a^k, "b" + a^k -> a^k
  // leaves a^k after k rounds.
  for (const size_t k : {3, 100, 5000}) {
    const std::string a(k, 'a');
    EXPECT_EQ(take(str_replace((std::string(k, 'b') + a).c_str(), ("b" + a).c_str(), a.c_str())), a) << k;
  }
  // A pattern longer than the table kept on the stack.
  const std::string old_text = std::string(70, 'a') + "b";
  EXPECT_EQ(take(str_replace((std::string(141, 'a') + "b").c_str(), old_text.c_str(), "b")), "ab");
}

// Shapes that make the pattern re-form in the middle, at the front and at the back of an
// insertion, against the model on one small budget.
TEST_F(Str, ReplaceAgreesWithTheModelOnAdversarialTexts) {
  const char* olds[] = {"ab", "aab", "aba", "abab", "aa", "ba"};
  const char* news[] = {"", "b", "ba", "bca", "bba", "baa", "bbaa", "abba", "aab", "bab", "aabb", "bbab"};
  constexpr int64_t budget = 600;
  for (int k = 0; k <= 9; ++k) {
    test::force_baseline(k % 2 == 1);  // the byte routines' baseline code half of the time
    const std::string a(static_cast<size_t>(k), 'a');
    std::string ab;
    for (int i = 0; i < k; ++i) ab += "ab";
    for (const std::string& s : {a + std::string(static_cast<size_t>(k), 'b'), ab, a + "b", "b" + a + ab + a}) {
      for (const char* o : olds) {
        for (const char* n : news) {
          EXPECT_EQ(take_or_null(str_replace_within(s.c_str(), o, n, budget)), model::replace(s, o, n, budget))
              << s << " " << o << " " << n;
        }
      }
    }
  }
  test::force_baseline(false);
}

TEST_F(Str, EveryRefusedAllocationGivesNull) {
  const std::string s = "  xaby-ab-ab  ";
  const char* p = s.c_str();
  expect_every_failure_gives_null([&] { return str_dup(p); });
  expect_every_failure_gives_null([&] { return str_concat(p, "x"); });
  expect_every_failure_gives_null([&] { return str_concat3(p, "x", p); });
  expect_every_failure_gives_null([&] { return str_substring(p, 1, 3); });
  expect_every_failure_gives_null([&] { return str_trim(p); });
  expect_every_failure_gives_null([&] { return str_upper(p); });
  expect_every_failure_gives_null([&] { return str_replace_first(p, "ab", "Q"); });
  expect_every_failure_gives_null([&] { return str_replace_first(p, "zz", "Q"); });
  expect_every_failure_gives_null([&] { return str_replace(p, "ab", "b"); });
  expect_every_failure_gives_null([&] { return str_replace(p, "ab", "abab"); });
  expect_every_failure_gives_null([&] { return str_replace(p, "", "Q"); });
  expect_every_failure_gives_null([&] { return str_replace_within("aaab", "ab", "bba", 99); });  // within the budget
  expect_every_failure_gives_null([&] { return str_replace("aaaaaaaaab", "ab", "bba"); });  // the text and the stack grow
  const std::string long_old = std::string(70, 'a') + "b";
  const std::string long_s = std::string(71, 'a') + long_old;
  expect_every_failure_gives_null([&] { return str_replace(long_s.c_str(), long_old.c_str(), "ab"); });
  EXPECT_EQ(s, "  xaby-ab-ab  ");
}

// Random texts over blanks, their look-alikes, letters and high bytes for the plain routines,
// and over "abc" for the replacements, where the small alphabet makes the pattern re-form
// often. A refused request now and then must give null and no leak, whatever the input.
TEST_F(Str, RandomTextsAgreeWithTheModels) {
  std::mt19937_64 rng(7);
  const std::string bytes = " \t\n\r\v\fabAZ`{\x80\xff";
  for (int round = 0; round < 20000; ++round) {
    const std::string s = random_text(rng, bytes, 12);
    const std::string needle = random_text(rng, bytes, 3);
    EXPECT_EQ(str_find(s.c_str(), needle.c_str()), model::find(s, needle));
    const int64_t start = static_cast<int64_t>(rng() % 20) - 4;
    const int64_t end = static_cast<int64_t>(rng() % 20) - 4;
    EXPECT_EQ(take(str_substring(s.c_str(), start, end)), model::substring(s, start, end));
    EXPECT_EQ(take(str_trim(s.c_str())), model::trim(s));
    // From a heap block too: the fake, like the real platform, has nothing readable before
    // one, so an empty text (one round in 13) shows any read before its start.
    char* block = str_dup(s.c_str());
    EXPECT_EQ(take(str_trim(block)), model::trim(s));
    mem_free(block);
    EXPECT_EQ(take(str_upper(s.c_str())), model::upper(s));
    EXPECT_EQ(take(str_concat3(s.c_str(), needle.c_str(), s.c_str())), s + needle + s);

    const std::string r = random_text(rng, "abc", 40);  // long enough to skip by words
    const std::string o = random_text(rng, "abc", 3);
    const std::string n = random_text(rng, "abc", 5);
    EXPECT_EQ(take(str_replace_first(r.c_str(), o.c_str(), n.c_str())), model::replace_first(r, o, n));
    // Small budgets keep the model affordable where the rounds may not end.
    const auto budget = static_cast<int64_t>(rng() % 64);
    EXPECT_EQ(take_or_null(str_replace_within(r.c_str(), o.c_str(), n.c_str(), budget)), model::replace(r, o, n, budget))
        << r << " " << o << " " << n << " " << budget;
    fake::fail_request(1 + static_cast<int64_t>(rng() % 6));
    mem_free(str_replace_within(r.c_str(), o.c_str(), n.c_str(), budget));
    fake::fail_request(0);
    ASSERT_EQ(fake::live_blocks(), 0);
  }
}

}  // namespace
}  // namespace kivo
