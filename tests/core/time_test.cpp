#include "core/time.h"

#include "fake_platform.h"

namespace kivo {
namespace {

using Time = fake::fixture;

TEST_F(Time, NanosecondsWrapTo64Bits) {
  fake::set_file_time(134116992000000000);  // 2026-01-01 00:00 UTC
  EXPECT_EQ(time_now_ns(), -5035044873709551616);
}

TEST_F(Time, CoarserClocksTruncateTowardZero) {
  fake::set_file_time(134116992000000000);
  EXPECT_EQ(time_now_ms(), -5035044873709);
  EXPECT_EQ(time_now_s(), -5035044873);
  fake::set_file_time(10);
  EXPECT_EQ(time_now_ns(), 1000);
  EXPECT_EQ(time_now_ms(), 0);
}

TEST_F(Time, DifferencesStillGiveElapsedTimeAcrossTheWrap) {
  fake::set_file_time(134116992000000000);
  const int64_t before = time_now_ns();
  fake::set_file_time(134116992000000000 + 15);
  EXPECT_EQ(time_now_ns() - before, 1500);
}

}  // namespace
}  // namespace kivo
