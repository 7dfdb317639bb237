#include "text/str.h"

#include <random>
#include <string>

#include "core/mem.h"
#include "string_results.h"
#include "fake_platform.h"

namespace kivo {
namespace {

using Str = fake::Test;

TEST_F(Str, LengthAllocationAndGuardedCopy) {
  EXPECT_EQ(str_len(nullptr), 0);
  EXPECT_EQ(str_len(""), 0);
  EXPECT_EQ(str_len("ab\0cd"), 2);
  EXPECT_EQ(str_alloc(-1), nullptr);
  EXPECT_EQ(str_alloc(INT64_MAX), nullptr);  // n + 1 must not wrap into a small request
  EXPECT_EQ(str_alloc(INT64_MIN), nullptr);
  EXPECT_EQ(take(str_alloc(0)), "");

  char buf[] = "xxxxx";
  EXPECT_EQ(str_copy_n(nullptr, "ab", 2), 0);
  EXPECT_EQ(str_copy_n(buf, nullptr, 2), 0);
  EXPECT_EQ(str_copy_n(buf, "ab", 0), 0);
  EXPECT_EQ(str_copy_n(buf, "ab", -3), 0);
  EXPECT_STREQ(buf, "xxxxx");
  EXPECT_EQ(str_copy_n(buf, "abc", 2), 2);
  EXPECT_STREQ(buf, "abxxx");  // no terminator added
}

TEST_F(Str, DuplicatesAndJoinsAreNewBlocks) {
  const char* empty = "";
  char* copy = str_dup(empty);
  EXPECT_NE(copy, empty);
  EXPECT_EQ(take(copy), "");
  EXPECT_EQ(str_dup(nullptr), nullptr);
  EXPECT_EQ(take(str_concat(nullptr, "ab")), "ab");
  EXPECT_EQ(take(str_concat("ab", nullptr)), "ab");
  EXPECT_EQ(take(str_concat(nullptr, nullptr)), "");
  EXPECT_EQ(take(str_concat3("a", nullptr, "c")), "ac");
  EXPECT_EQ(take(str_concat3("", "", "")), "");

  char* a = str_dup("abc");
  char* b = str_dup(a);
  EXPECT_NE(a, b);
  mem_free(a);
  EXPECT_EQ(take(b), "abc");
  EXPECT_EQ(fake::live_blocks(), 0);
}

TEST_F(Str, SearchFindsTheLowestPositionBytewise) {
  EXPECT_EQ(str_find("", ""), 0);
  EXPECT_EQ(str_find(nullptr, ""), -1);
  EXPECT_EQ(str_find("abc", nullptr), -1);
  EXPECT_EQ(str_find("abcabc", "ca"), 2);
  EXPECT_EQ(str_find("aaa", "aa"), 0);
  EXPECT_EQ(str_find("aab", "ab"), 1);  // a failed partial match must not skip a start
  EXPECT_EQ(str_find("x\xff", "\xff"), 1);
  EXPECT_EQ(str_contains("abc", ""), 1);
  EXPECT_EQ(str_contains(nullptr, "a"), 0);
  EXPECT_EQ(str_contains("abc", nullptr), 0);
  EXPECT_EQ(str_contains("Hello, KivoNative!", "Kivo"), 1);
}

TEST_F(Str, SubstringClampsAndNeverReadsOutside) {
  EXPECT_EQ(take(str_substring("hello", -5, 2)), "he");
  EXPECT_EQ(take(str_substring("hello", 2, -1)), "llo");
  EXPECT_EQ(take(str_substring("hello", 4, 2)), "");
  EXPECT_EQ(take(str_substring("hello", 9, 12)), "");
  EXPECT_EQ(take(str_substring("hello", INT64_MAX, INT64_MAX)), "");
  EXPECT_EQ(take(str_substring("hello", INT64_MIN, INT64_MAX)), "hello");
  EXPECT_EQ(str_substring(nullptr, 0, 1), nullptr);
}

TEST_F(Str, TrimTakesOnlyTheFourBlanks) {
  EXPECT_EQ(take(str_trim("\t\r\n x \n")), "x");
  EXPECT_EQ(take(str_trim("   ")), "");
  EXPECT_EQ(take(str_trim("")), "");
  EXPECT_EQ(take(str_trim("\v\fa b\v ")), "\v\fa b\v");
  EXPECT_EQ(take(str_trim("  Hello, KivoNative!  ")), "Hello, KivoNative!");
  EXPECT_EQ(str_trim(nullptr), nullptr);
}

TEST_F(Str, UpperMapsOnlyAToZ) {
  EXPECT_EQ(take(str_upper("`az{AZ@\x80\xe1\xff")), "`AZ{AZ@\x80\xe1\xff");
  EXPECT_EQ(take(str_upper("Hello, KivoNative!")), "HELLO, KIVONATIVE!");
  EXPECT_EQ(take(str_upper("")), "");
  EXPECT_EQ(str_upper(nullptr), nullptr);
}

TEST_F(Str, EveryRefusedAllocationGivesNullAndKeepsTheInput) {
  const std::string in = "  a b  ";
  expect_every_failure_gives_null([&] { return str_alloc(3); });
  expect_every_failure_gives_null([&] { return str_dup(in.c_str()); });
  expect_every_failure_gives_null([&] { return str_concat(in.c_str(), "x"); });
  expect_every_failure_gives_null([&] { return str_concat3(in.c_str(), "x", in.c_str()); });
  expect_every_failure_gives_null([&] { return str_substring(in.c_str(), 1, 3); });
  expect_every_failure_gives_null([&] { return str_trim(in.c_str()); });
  expect_every_failure_gives_null([&] { return str_upper(in.c_str()); });
  EXPECT_EQ(in, "  a b  ");
}

// Random texts over a few bytes (blanks, look-alikes of blanks, letters, high bytes) against
// plain std::string reasoning.
TEST_F(Str, RandomTextsAgreeWithAModel) {
  std::mt19937_64 rng(7);
  const std::string bytes = " \t\n\r\v\fabAZ`{\x80\xff";
  auto random_text = [&](size_t max) {
    std::string s(rng() % (max + 1), ' ');
    for (char& c : s) c = bytes[rng() % bytes.size()];
    return s;
  };
  for (int round = 0; round < 3000; ++round) {
    const std::string s = random_text(12);
    const std::string needle = random_text(3);
    const int64_t len = static_cast<int64_t>(s.size());
    const size_t at = s.find(needle);
    EXPECT_EQ(str_find(s.c_str(), needle.c_str()), at == std::string::npos ? -1 : static_cast<int64_t>(at));

    const int64_t start = static_cast<int64_t>(rng() % 20) - 4;
    const int64_t end = static_cast<int64_t>(rng() % 20) - 4;
    const int64_t from = start < 0 ? 0 : start;
    const int64_t to = end < 0 || end > len ? len : end;
    const std::string sub = to > from ? s.substr(static_cast<size_t>(from), static_cast<size_t>(to - from)) : "";
    EXPECT_EQ(take(str_substring(s.c_str(), start, end)), sub);

    const size_t first = s.find_first_not_of(" \t\n\r");
    const std::string trimmed = first == std::string::npos ? "" : s.substr(first, s.find_last_not_of(" \t\n\r") - first + 1);
    EXPECT_EQ(take(str_trim(s.c_str())), trimmed);

    std::string upper = s;
    for (char& c : upper) c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
    EXPECT_EQ(take(str_upper(s.c_str())), upper);
    EXPECT_EQ(take(str_concat3(s.c_str(), needle.c_str(), s.c_str())), s + needle + s);
  }
}

}  // namespace
}  // namespace kivo
