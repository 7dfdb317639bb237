// Edge cases of the string routines, refused allocations, and random texts against
// std::string models.
#include <random>
#include <string>

#include "core/mem.h"
#include "string_results.h"
#include "text/str_edit.h"
#include "text/str_primitives.h"
#include "text/str_replace.h"
#include "text/str_search.h"

namespace kivo {
namespace {

using Str = fake::Test;

std::string random_text(std::mt19937_64& rng, const std::string& bytes, size_t max) {
  std::string s(rng() % (max + 1), ' ');
  for (char& c : s) c = bytes[rng() % bytes.size()];
  return s;
}

TEST_F(Str, PrimitivesGuardTheirArguments) {
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

TEST_F(Str, SearchTrimSubstringAndUpperEdges) {
  struct Find {
    const char* hay;
    const char* needle;
    int64_t at;
  };
  // "aab": a failed partial match must not skip the overlapping start.
  for (const Find& f : {Find{"", "", 0}, {nullptr, "", -1}, {"abc", nullptr, -1}, {"abcabc", "ca", 2},
                        {"aab", "ab", 1}, {"aaab", "aab", 1}, {"x\xff", "\xff", 1}, {"ab", "abc", -1}}) {
    EXPECT_EQ(str_find(f.hay, f.needle), f.at) << f.hay << " / " << f.needle;
    EXPECT_EQ(str_contains(f.hay, f.needle), f.at >= 0 ? 1 : 0) << f.hay << " / " << f.needle;
  }
  EXPECT_EQ(take(str_substring("hello", 2, -1)), "llo");
  EXPECT_EQ(take(str_substring("hello", 4, 2)), "");
  EXPECT_EQ(take(str_substring("hello", INT64_MAX, INT64_MAX)), "");
  EXPECT_EQ(take(str_substring("hello", INT64_MIN, INT64_MAX)), "hello");
  EXPECT_EQ(take(str_trim("\t\r\n x \n")), "x");
  EXPECT_EQ(take(str_trim("\v\fa b\v ")), "\v\fa b\v");  // only the four blanks go
  EXPECT_EQ(take(str_upper("`az{AZ@\x80\xe1\xff")), "`AZ{AZ@\x80\xe1\xff");
}

TEST_F(Str, ReplaceRescansUnlessThatCouldGoOnForever) {
  struct Case {
    char* (*replace)(const char*, const char*, const char*);
    const char *s, *old_text, *new_text, *want;
  };
  const Case cases[] = {
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
      // Rebuilds the pattern for ever ("abbaa", "bbaabaa", ...): the budget ends it.
      {str_replace, "aab", "ab", "bbaa", "abbaa"},
      {str_replace, "aaba", "aba", "baab", "abaab"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(take(c.replace(c.s, c.old_text, c.new_text)), c.want) << c.s << " " << c.old_text << " " << c.new_text;
  }
}

TEST_F(Str, EveryRefusedAllocationGivesNullAndKeepsTheInput) {
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
  expect_every_failure_gives_null([&] { return str_replace("aab", "ab", "bbaa"); });  // after the budget
  EXPECT_EQ(s, "  xaby-ab-ab  ");
}

// Rescanning, unless the replacement holds the pattern, or could rebuild it for ever and the
// rounds overrun the budget of searched bytes: then one forward pass.
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

// Random texts over blanks, their look-alikes, letters and high bytes for the plain routines,
// and over "abc" for the replacements, where the small alphabet makes the pattern re-form
// often. A refused request now and then must give null and no leak, whatever the input.
TEST_F(Str, RandomTextsAgreeWithModelsAndSurviveRefusals) {
  std::mt19937_64 rng(7);
  const std::string bytes = " \t\n\r\v\fabAZ`{\x80\xff";
  for (int round = 0; round < 20000; ++round) {
    const std::string s = random_text(rng, bytes, 12);
    const std::string needle = random_text(rng, bytes, 3);
    const size_t at = s.find(needle);
    EXPECT_EQ(str_find(s.c_str(), needle.c_str()), at == std::string::npos ? -1 : static_cast<int64_t>(at));
    const int64_t start = static_cast<int64_t>(rng() % 20) - 4;
    const int64_t end = static_cast<int64_t>(rng() % 20) - 4;
    const int64_t from = start < 0 ? 0 : start;
    const int64_t to = end < 0 || end > static_cast<int64_t>(s.size()) ? static_cast<int64_t>(s.size()) : end;
    const std::string sub = to > from ? s.substr(static_cast<size_t>(from), static_cast<size_t>(to - from)) : "";
    EXPECT_EQ(take(str_substring(s.c_str(), start, end)), sub);
    const size_t first = s.find_first_not_of(" \t\n\r");
    const std::string trimmed =
        first == std::string::npos ? "" : s.substr(first, s.find_last_not_of(" \t\n\r") - first + 1);
    EXPECT_EQ(take(str_trim(s.c_str())), trimmed);
    std::string upper = s;
    for (char& c : upper) c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
    EXPECT_EQ(take(str_upper(s.c_str())), upper);
    EXPECT_EQ(take(str_concat3(s.c_str(), needle.c_str(), s.c_str())), s + needle + s);

    const std::string r = random_text(rng, "abc", 10);
    const std::string o = random_text(rng, "abc", 3);
    const std::string n = random_text(rng, "abc", 5);
    std::string replaced_first = r;
    if (r.find(o) != std::string::npos) replaced_first.replace(r.find(o), o.size(), n);
    EXPECT_EQ(take(str_replace_first(r.c_str(), o.c_str(), n.c_str())), replaced_first);
    EXPECT_EQ(take(str_replace(r.c_str(), o.c_str(), n.c_str())), model_replace(r, o, n)) << r << " " << o << " " << n;
    fake::fail_request(1 + static_cast<int64_t>(rng() % 12));
    mem_free(str_replace(r.c_str(), o.c_str(), n.c_str()));
    fake::fail_request(0);
    ASSERT_EQ(fake::live_blocks(), 0);
  }
}

}  // namespace
}  // namespace kivo
