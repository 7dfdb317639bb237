// The bit-operation and math sections of the showcase report (lines 10 to 37), taken from a
// run of the whole driver, so they can be checked before the other sections are complete.
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/start.h"
#include "fake_platform.h"

namespace kivo {
namespace {

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

using MathReport = fake::Test;

TEST_F(MathReport, BitAndMathSectionsMatchTheExpectedReport) {
  main();
  const std::vector<std::string> got = lines_of(fake::take_output());
  std::ifstream file(EXPECTED_REPORT, std::ios::binary);
  std::ostringstream expected;
  expected << file.rdbuf();
  const std::vector<std::string> want = lines_of(expected.str());
  ASSERT_GE(want.size(), 37u);
  ASSERT_GE(got.size(), 37u);
  for (size_t i = 9; i < 37; ++i) EXPECT_EQ(got[i], want[i]) << "line " << i + 1;
}

}  // namespace
}  // namespace kivo
