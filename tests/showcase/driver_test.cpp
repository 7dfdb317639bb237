#include <fstream>
#include <sstream>
#include <string>

#include "core/start.h"
#include "fake_platform.h"

namespace kivo {
namespace {

std::string expected_report() {
  std::ifstream in(EXPECTED_REPORT, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

using Driver = fake::Test;

TEST_F(Driver, PrintsTheWholeReportAndReleasesEverything) {
  EXPECT_EQ(main(), 0);
  const std::string report = fake::take_output();
  EXPECT_EQ(report, expected_report());
  EXPECT_EQ(report.size(), 704u);
  // Two writes a line: the text and its line end.
  EXPECT_EQ(fake::write_calls(), 2 * 74);
}

TEST_F(Driver, ReportIsTheSameOnEveryRun) {
  main();
  const std::string first = fake::take_output();
  fake::set_file_time(1);
  main();
  EXPECT_EQ(fake::take_output(), first);
}

// Every heap request of a run, refused in turn: the driver must still end with 0, print a
// report that agrees with the full one up to where it could go on, and leak nothing.
TEST_F(Driver, SurvivesEachFailedHeapRequest) {
  main();
  fake::take_output();
  const int64_t requests = fake::heap_requests();
  ASSERT_GT(requests, 0);
  for (int64_t n = 1; n <= requests; ++n) {
    fake::reset();
    fake::fail_request(n);
    EXPECT_EQ(main(), 0) << "request " << n;
    EXPECT_EQ(fake::live_blocks(), 0) << "request " << n;
    const std::string report = fake::take_output();
    EXPECT_FALSE(report.empty()) << "request " << n;
    EXPECT_EQ(report.back(), '\n') << "request " << n;
  }
}

}  // namespace
}  // namespace kivo
