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

using Driver = fake::fixture;

TEST_F(Driver, PrintsTheExactReport) {
  EXPECT_EQ(kivo_main(), 0);
  const std::string report = fake::take_output();
  EXPECT_EQ(report, expected_report());
  EXPECT_EQ(report.size(), 704u);
  // Two writes a line (the text and its line end), except that each of the seven section
  // headings that start with "\n" is one write for two lines.
  EXPECT_EQ(fake::write_calls(), 2 * 74 - 2 * 7);
  EXPECT_EQ(fake::pieces(), 74 - 7);
}

TEST_F(Driver, ReportIsTheSameOnEveryRun) {
  kivo_main();
  const std::string first = fake::take_output();
  fake::set_file_time(1);
  kivo_main();
  EXPECT_EQ(fake::take_output(), first);
}

// Every heap request of a run, refused in turn: the driver must still end with 0, print a
// report that agrees with the full one up to where it could go on, and leak nothing.
TEST_F(Driver, SurvivesEachFailedHeapRequest) {
  kivo_main();
  fake::take_output();
  const int64_t requests = fake::heap_requests();
  ASSERT_GT(requests, 0);
  for (int64_t n = 1; n <= requests; ++n) {
    fake::reset();
    fake::fail_request(n);
    EXPECT_EQ(kivo_main(), 0) << "request " << n;
    EXPECT_EQ(fake::live_blocks(), 0) << "request " << n;
    const std::string report = fake::take_output();
    EXPECT_FALSE(report.empty()) << "request " << n;
    EXPECT_EQ(report.back(), '\n') << "request " << n;
  }
}

// The first heap request of a clean run that comes after the report has printed `text`
// (0 when there is none). Found from the run itself, so the earlier sections may take as
// many blocks as they like.
int64_t first_request_after(const std::string& text, std::string& clean_report) {
  fake::reset();
  kivo_main();
  clean_report = fake::take_output();
  const size_t at = clean_report.find(text);
  if (at == std::string::npos) return 0;
  const auto end = static_cast<int64_t>(at + text.size());
  for (int64_t n = 1; n <= fake::heap_requests(); ++n) {
    if (fake::output_before_request(n) >= end) return n;
  }
  return 0;
}

// No vector: the pushes do nothing and the report stops under its heading, whichever of the
// vector's two blocks is refused.
TEST_F(Driver, EndsAfterTheSquaresHeadingWhenTheVectorCannotBeMade) {
  std::string clean;
  const int64_t header = first_request_after("Dynamic vector (ivec):\n", clean);
  ASSERT_GT(header, 0);
  const std::string heading = "Dynamic vector (ivec):\nSquares 0..9:\n";
  const size_t cut = clean.find(heading);
  ASSERT_NE(cut, std::string::npos);
  for (const int64_t n : {header, header + 1}) {
    fake::reset();
    fake::fail_request(n);
    EXPECT_EQ(kivo_main(), 0) << "request " << n;
    EXPECT_EQ(fake::take_output(), clean.substr(0, cut + heading.size())) << "request " << n;
    EXPECT_EQ(fake::live_blocks(), 0) << "request " << n;
  }
}

// No arena: both copies print as empty lines, the used-bytes label still comes, and the
// report stops there.
TEST_F(Driver, EndsAfterTheUsedBytesLabelWhenTheArenaCannotBeMade) {
  std::string clean;
  const int64_t header = first_request_after("Arena allocator:\n", clean);
  ASSERT_GT(header, 0);
  const std::string heading = "Arena allocator:\n";
  const size_t cut = clean.find(heading);
  ASSERT_NE(cut, std::string::npos);
  const std::string expected = clean.substr(0, cut + heading.size()) + "\n\nUsed bytes: \n";
  for (const int64_t n : {header, header + 1}) {
    fake::reset();
    fake::fail_request(n);
    EXPECT_EQ(kivo_main(), 0) << "request " << n;
    EXPECT_EQ(fake::take_output(), expected) << "request " << n;
    EXPECT_EQ(fake::live_blocks(), 0) << "request " << n;
  }
}

}  // namespace
}  // namespace kivo
