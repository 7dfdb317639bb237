#include <random>
#include <string>

#include "core/mem.h"
#include "string_results.h"
#include "fake_platform.h"
#include "text/str.h"

namespace kivo {
namespace {

using Replace = fake::Test;

TEST_F(Replace, FirstOccurrence) {
  EXPECT_EQ(take(str_replace_first("a-b-c", "-", "+")), "a+b-c");
  EXPECT_EQ(take(str_replace_first("abc", "", "x")), "xabc");
  EXPECT_EQ(take(str_replace_first("abc", "z", "y")), "abc");
  EXPECT_EQ(take(str_replace_first("abc", nullptr, "y")), "abc");
  EXPECT_EQ(take(str_replace_first("abc", "b", nullptr)), "ac");
  EXPECT_EQ(take(str_replace_first("abc", "abc", "")), "");
  EXPECT_EQ(str_replace_first(nullptr, "a", "b"), nullptr);
}

TEST_F(Replace, RescansFromTheFrontAfterEachReplacement) {
  EXPECT_EQ(take(str_replace("a-b-c", "-", "+")), "a+b+c");
  EXPECT_EQ(take(str_replace("aab", "ab", "b")), "b");
  EXPECT_EQ(take(str_replace("aaaa", "aa", "a")), "a");
  EXPECT_EQ(take(str_replace("aabb", "ab", "ba")), "bbaa");  // same length: sorts
  EXPECT_EQ(take(str_replace("aab", "ab", "bcc")), "bcccc");  // longer, yet cannot loop
  EXPECT_EQ(take(str_replace("abc", "", "x")), "abc");
  EXPECT_EQ(take(str_replace("abc", nullptr, "x")), "abc");
  EXPECT_EQ(take(str_replace("a-b", "-", nullptr)), "ab");
  EXPECT_EQ(take(str_replace("Hello, KivoNative!", "KivoNative", "World")), "Hello, World!");
  EXPECT_EQ(str_replace(nullptr, "a", "b"), nullptr);

  const char* in = "abc";
  char* same = str_replace(in, "z", "y");
  EXPECT_NE(same, in);
  EXPECT_EQ(take(same), "abc");
}

// Where rescanning would never end, each original occurrence is replaced once.
TEST_F(Replace, ReplacementsThatWouldLoopGoOnAfterTheInsertedText) {
  EXPECT_EQ(take(str_replace("a-b", "-", "--")), "a--b");
  EXPECT_EQ(take(str_replace("xx", "x", "x")), "xx");
  EXPECT_EQ(take(str_replace("aab", "ab", "bab")), "abab");  // left of the insertion too
  EXPECT_EQ(take(str_replace("abab", "ab", "xaby")), "xabyxaby");
  // The pattern is not in the replacement, but "aab" -> "abbaa" -> "bbaabaa" -> ... grows
  // for ever: the replacement rebuilds the pattern with the text on both of its sides.
  EXPECT_EQ(take(str_replace("aab", "ab", "bbaa")), "abbaa");
  EXPECT_EQ(take(str_replace("aaba", "aba", "baab")), "abaab");
  // The same shape of replacement keeps the rescanned result where rescanning ends.
  EXPECT_EQ(take(str_replace("aab", "ab", "bca")), "bcaca");
  EXPECT_EQ(take(str_replace("aaab", "ab", "bba")), "bbbbbbbbaaa");  // a^n b gives b^(2^n) a^n
}

TEST_F(Replace, KeepsOnlyTheFinalText) {
  fake::reset();
  char* r = str_replace("a-b-c-d", "-", "");
  EXPECT_EQ(fake::live_blocks(), 1);
  EXPECT_EQ(fake::heap_requests(), 1 + 3 * 3);  // first copy, then three pieces a round
  EXPECT_EQ(take(r), "abcd");
}

TEST_F(Replace, EveryRefusedAllocationGivesNullAndKeepsTheInput) {
  const std::string s = "xaby-ab-ab";
  expect_every_failure_gives_null([&] { return str_replace_first(s.c_str(), "ab", "Q"); });
  expect_every_failure_gives_null([&] { return str_replace_first(s.c_str(), "zz", "Q"); });
  expect_every_failure_gives_null([&] { return str_replace(s.c_str(), "ab", "b"); });
  expect_every_failure_gives_null([&] { return str_replace(s.c_str(), "ab", "abab"); });
  expect_every_failure_gives_null([&] { return str_replace(s.c_str(), "", "Q"); });
  EXPECT_EQ(s, "xaby-ab-ab");
}

// The model: rescanning, unless the replacement holds the pattern, or could rebuild it for
// ever and the rounds overrun the same budget of searched bytes; plain std::string tests of
// the same conditions.
std::string model_replace(const std::string& s, const std::string& o, const std::string& n) {
  if (o.empty()) return s;
  auto forward = [&] {
    std::string out = s;
    for (size_t at = out.find(o); at != std::string::npos; at = out.find(o, at + n.size())) out.replace(at, o.size(), n);
    return out;
  };
  if (n.find(o) != std::string::npos) return forward();
  bool may_loop = false;
  if (n.size() > o.size() && o.find_first_not_of(n) == std::string::npos) {
    bool left = false, right = false;
    for (size_t k = 1; k < o.size(); ++k) {
      left = left || n.compare(0, k, o, o.size() - k, k) == 0;
      right = right || n.compare(n.size() - k, k, o, 0, k) == 0;
    }
    may_loop = left && right;
  }
  int64_t budget = 65536 + static_cast<int64_t>((s.size() + 1) * 16 * (n.size() + 1));
  std::string out = s;
  for (size_t at; (at = out.find(o)) != std::string::npos;) {
    if (may_loop && (budget -= static_cast<int64_t>(out.size())) < 0) return forward();
    out.replace(at, o.size(), n);
  }
  return out;
}

// Small alphabets make the pattern re-form often; a refused request now and then must give
// null and no leak, whatever the input.
TEST_F(Replace, RandomTextsAgreeWithTheModelAndSurviveRefusals) {
  std::mt19937_64 rng(11);
  auto random_text = [&](size_t max) {
    std::string s(rng() % (max + 1), 'a');
    for (char& c : s) c = "abc"[rng() % 3];
    return s;
  };
  for (int round = 0; round < 20000; ++round) {
    const std::string s = random_text(10);
    const std::string o = random_text(3);
    const std::string n = random_text(5);
    std::string first = s;
    if (s.find(o) != std::string::npos) first.replace(s.find(o), o.size(), n);
    EXPECT_EQ(take(str_replace_first(s.c_str(), o.c_str(), n.c_str())), first);
    EXPECT_EQ(take(str_replace(s.c_str(), o.c_str(), n.c_str())), model_replace(s, o, n)) << s << " " << o << " " << n;
    fake::fail_request(1 + static_cast<int64_t>(rng() % 12));
    mem_free(str_replace(s.c_str(), o.c_str(), n.c_str()));
    fake::fail_request(0);
    ASSERT_EQ(fake::live_blocks(), 0);
  }
}

}  // namespace
}  // namespace kivo
