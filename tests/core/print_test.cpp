#include "core/print.h"

#include <bit>

#include "fake_platform.h"

namespace kivo {
namespace {

using Print = fake::fixture;

TEST_F(Print, IntegersAreSignedDecimalWithoutPadding) {
  print_int(0);
  print_int(-5);
  print_int(INT64_MIN);
  print_int(INT64_MAX);
  print_int_raw(65);
  EXPECT_EQ(fake::take_output(), "0\n-5\n-9223372036854775808\n9223372036854775807\n65");
}

TEST_F(Print, EachPieceAndEachLineEndIsOneWrite) {
  print_line("abc");
  EXPECT_EQ(fake::write_calls(), 2);
  print_int(123);
  EXPECT_EQ(fake::write_calls(), 4);
  print_float_line(2.5);
  EXPECT_EQ(fake::write_calls(), 6);
  EXPECT_EQ(fake::pieces(), 3);
  const int64_t values[] = {1, 2}, tags[] = {0, 0};
  print_value(values, tags, 2);
  print_value(values, tags, 0);
  EXPECT_EQ(fake::write_calls(), 6 + 4 + 1);
  EXPECT_EQ(fake::pieces(), 3 + 3 + 1);
  EXPECT_EQ(fake::take_output(), "abc\n123\n2.500000\n1 2\n\n");
}

TEST_F(Print, NullAndEmptyStringsPrintNothing) {
  print_line("");
  print_line(nullptr);
  print_str(nullptr);
  EXPECT_EQ(fake::take_output(), "\n\n");
}

TEST_F(Print, FloatsUseSixRoundedDecimals) {
  print_float(3.141592653589793);
  print_str("|");
  print_float(-0.5);
  print_str("|");
  print_float_line(1024.0);
  EXPECT_EQ(fake::take_output(), "3.141593|-0.500000|1024.000000\n");
}

TEST_F(Print, ValueListFollowsTags) {
  const char* text = "ab";
  const int64_t values[] = {7, reinterpret_cast<int64_t>(text), std::bit_cast<int64_t>(2.5), -3};
  const int64_t tags[] = {0, tag_string, tag_float, 5};
  print_value(values, tags, 4);
  EXPECT_EQ(fake::take_output(), "7 ab 2.500000 -3\n");

  print_value(values, tags, 0);
  print_value(values, tags, -2);
  EXPECT_EQ(fake::take_output(), "\n\n");

  // Values that are not there: nothing at all, not even the line end, and nothing is read;
  // with no count, the lone line end as ever.
  for (const int64_t count : {int64_t{2}, INT64_MAX}) {
    EXPECT_EQ(print_value(nullptr, nullptr, count) | print_value(values, nullptr, count) |
                  print_value(nullptr, tags, count),
              0);
  }
  print_value(nullptr, nullptr, 0);
  EXPECT_EQ(fake::take_output(), "\n");
}

TEST_F(Print, EveryRoutineReturnsZero) {
  const int64_t v = 1;
  EXPECT_EQ(print_int(1) | print_int_raw(1) | print_line("x") | print_str("x") | print_float(1.0) |
                print_float_line(1.0) | print_value(&v, &v, 1),
            0);
}

}  // namespace
}  // namespace kivo
