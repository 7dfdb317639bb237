#include "convert/parse.h"

#include <algorithm>
#include <cctype>
#include <iterator>
#include <random>
#include <string>

#include <gtest/gtest.h>

namespace kivo {
namespace {

uint64_t bits(double v) { return __builtin_bit_cast(uint64_t, v); }

TEST(Parse, EdgesOfEachParser) {
  struct Int {
    const char* s;
    int64_t want;
  };
  for (const Int& c : {Int{nullptr, 0}, {" \t\r\n-42", -42}, {"+5", 5}, {"12a3", 12}, {"- 5", 0}, {"--5", 0},
                       {"\v7", 0}, {"9223372036854775808", INT64_MIN}, {"-9223372036854775808", INT64_MIN},
                       {"18446744073709551617", 1}}) {
    EXPECT_EQ(parse_int(c.s), c.want) << c.s;
  }
  for (const Int& c : {Int{nullptr, 0}, {"0xFF", 255}, {"0Xff", 255}, {"1aF", 431}, {"0x", 0}, {"0xG1", 0},
                       {"0x1g2", 1}, {" 0x1", 0}, {"-1", 0}, {"@G`g/:", 0},  // the neighbours of each digit range
                       {"0xffffffffffffffff", -1}, {"0x10000000000000000", 0}}) {
    EXPECT_EQ(parse_hex(c.s), c.want) << c.s;
  }
  struct Float {
    const char* s;
    double want;
  };
  // "3.14159": each fraction digit added on its own; the nearest double ends in 6E.
  for (const Float& c : {Float{"3.14159", __builtin_bit_cast(double, 0x400921F9F01B866Fu)}, {".5", 0.5},
                         {"1e5", 1.0}, {"  +7.25x", 7.25}, {"1.2.3", 1.2}, {"-0", -0.0}, {"-", -0.0},
                         {"-abc", -0.0}, {"abc", 0.0}, {nullptr, 0.0}, {"\v1", 0.0}}) {
    EXPECT_EQ(bits(parse_float(c.s)), bits(c.want)) << c.s;
  }
  EXPECT_EQ(parse_float(std::string(400, '9').c_str()), __builtin_inf());
}

// Models that walk the text with std::string: the integers in unsigned (wrapping)
// arithmetic, the float with the same double operations in the same order.
struct Model {
  std::string s;
  size_t i = 0;
  bool digit() const { return i < s.size() && s[i] >= '0' && s[i] <= '9'; }
  int sign() {
    i = std::min(s.find_first_not_of(" \t\n\r"), s.size());
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) return s[i++] == '-' ? -1 : 1;
    return 1;
  }
  int64_t integer() {
    const int sg = sign();
    uint64_t v = 0;
    for (; digit(); ++i) v = v * 10 + static_cast<uint64_t>(s[i] - '0');
    return static_cast<int64_t>(sg < 0 ? 0 - v : v);
  }
  double real() {
    const double sg = sign() < 0 ? -1.0 : 1.0;
    double v = 0.0;
    for (; digit(); ++i) v = v * 10.0 + (s[i] - '0');
    if (i < s.size() && s[i] == '.') {
      double divisor = 10.0;
      for (++i; digit(); ++i, divisor *= 10.0) v = v + (s[i] - '0') / divisor;
    }
    return v * sg;
  }
  int64_t hex() {
    i = s.size() >= 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X') ? 2 : 0;
    uint64_t v = 0;
    for (; i < s.size() && std::isxdigit(static_cast<unsigned char>(s[i])); ++i) {
      v = v * 16 + static_cast<uint64_t>(std::stoi(s.substr(i, 1), nullptr, 16));
    }
    return static_cast<int64_t>(v);
  }
};

TEST(Parse, RandomTextsAgreeWithTheModelsToTheBit) {
  std::mt19937_64 rng(9);
  const std::string pieces[] = {" ", "\t", "\v", "-", "+", ".", "0", "0x", "X", "e", "aF", "g", "\xff"};
  for (int round = 0; round < 20000; ++round) {
    std::string s;
    while (rng() % 4 != 0) s += rng() % 2 ? std::to_string(rng() >> (rng() % 64)) : pieces[rng() % std::size(pieces)];
    EXPECT_EQ(parse_int(s.c_str()), Model{s}.integer()) << s;
    EXPECT_EQ(bits(parse_float(s.c_str())), bits(Model{s}.real())) << s;
    EXPECT_EQ(parse_hex(s.c_str()), Model{s}.hex()) << s;
  }
}

}  // namespace
}  // namespace kivo
