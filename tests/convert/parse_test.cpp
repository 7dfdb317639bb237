#include "convert/parse.h"

#include <iterator>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "parse_model.h"

namespace kivo {
namespace {

uint64_t bits(double v) { return __builtin_bit_cast(uint64_t, v); }

TEST(Parse, EdgeCasesOfEachParser) {
  struct int_case {
    const char* s;
    int64_t want;
  };
  for (const int_case& c : {int_case{nullptr, 0}, {" \t\r\n-42", -42}, {"+5", 5}, {"12a3", 12}, {"- 5", 0}, {"--5", 0},
                       {"\v7", 0}, {"9223372036854775808", INT64_MIN}, {"-9223372036854775808", INT64_MIN},
                       {"18446744073709551617", 1}}) {
    EXPECT_EQ(parse_int(c.s), c.want) << c.s;
  }
  for (const int_case& c : {int_case{nullptr, 0}, {"0xFF", 255}, {"0Xff", 255}, {"1aF", 431}, {"0x", 0}, {"0xG1", 0},
                       {"0x1g2", 1}, {" 0x1", 0}, {"-1", 0}, {"@G`g/:", 0},  // the neighbours of each digit range
                       {"0xffffffffffffffff", -1}, {"0x10000000000000000", 0}}) {
    EXPECT_EQ(parse_hex(c.s), c.want) << c.s;
  }
  struct float_case {
    const char* s;
    double want;
  };
  // "3.14159": each fraction digit added on its own; the nearest double ends in 6E.
  for (const float_case& c : {float_case{"3.14159", __builtin_bit_cast(double, 0x400921F9F01B866Fu)}, {".5", 0.5},
                         {"1e5", 1.0}, {"  +7.25x", 7.25}, {"1.2.3", 1.2}, {"-0", -0.0}, {"-", -0.0},
                         {"-abc", -0.0}, {"abc", 0.0}, {nullptr, 0.0}, {"\v1", 0.0}}) {
    EXPECT_EQ(bits(parse_float(c.s)), bits(c.want)) << c.s;
  }
  EXPECT_EQ(parse_float(std::string(400, '9').c_str()), __builtin_inf());
}

TEST(Parse, RandomTextsAgreeWithTheModelsToTheBit) {
  std::mt19937_64 rng(9);
  const std::string pieces[] = {" ", "\t", "\v", "-", "+", ".", "0", "0x", "X", "e", "aF", "g", "\xff"};
  for (int round = 0; round < 20000; ++round) {
    std::string s;
    while (rng() % 4 != 0) s += rng() % 2 ? std::to_string(rng() >> (rng() % 64)) : pieces[rng() % std::size(pieces)];
    EXPECT_EQ(parse_int(s.c_str()), model::parse_int(s)) << s;
    EXPECT_EQ(bits(parse_float(s.c_str())), bits(model::parse_float(s))) << s;
    EXPECT_EQ(parse_hex(s.c_str()), model::parse_hex(s)) << s;
  }
}

}  // namespace
}  // namespace kivo
