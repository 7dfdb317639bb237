#include <random>
#include <string>

#include "string_results.h"
#include "convert/format.h"
#include "core/mem.h"
#include "fake_platform.h"

namespace kivo {
namespace {

using IntToStr = fake::Test;

TEST_F(IntToStr, PlainDecimal) {
  EXPECT_EQ(take(int_to_str(0)), "0");
  EXPECT_EQ(take(int_to_str(100)), "100");
  EXPECT_EQ(take(int_to_str(1000000)), "1000000");
  EXPECT_EQ(take(int_to_str(-1)), "-1");
  EXPECT_EQ(take(int_to_str(INT64_MAX)), "9223372036854775807");
  EXPECT_EQ(take(int_to_str(INT64_MIN)), "-9223372036854775808");
  EXPECT_EQ(take(int_to_str(INT64_MIN + 1)), "-9223372036854775807");

  std::mt19937_64 rng(3);
  for (int i = 0; i < 2000; ++i) {
    const auto v = static_cast<int64_t>(rng()) >> (rng() % 64);
    EXPECT_EQ(take(int_to_str(v)), std::to_string(v));
  }
}

TEST_F(IntToStr, OneNewBlockPerCall) {
  fake::reset();
  char* a = int_to_str(7);
  char* b = int_to_str(7);
  EXPECT_NE(a, b);
  EXPECT_EQ(fake::heap_requests(), 2);
  mem_free(a);
  EXPECT_EQ(take(b), "7");
  expect_every_failure_gives_null([] { return int_to_str(0); });
  expect_every_failure_gives_null([] { return int_to_str(-42); });
}

}  // namespace
}  // namespace kivo
