// The reference's table of math results must tell the truth: every row's Kivo column is what
// the entry point returns, and its true value what the host's long double functions give,
// each to the digits the row shows.
#include <kivo/runtime.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <string>

#include <gtest/gtest.h>

namespace {

// mingw-w64's long double functions are the x87 instructions, whose argument reduction keeps
// 66 bits of pi: near multiples of pi and for large arguments they measure nothing. There the
// true values are checked on the Linux builds alone.
#ifdef _WIN32
constexpr bool host_functions_exact = false;
#else
constexpr bool host_functions_exact = true;
#endif

int64_t f(double d) { return kivo_slot_from_f64(d); }
double d(int64_t v) { return kivo_slot_to_f64(v); }

// Significant digits of a number as written: "0.00097034158" has 8, "1e+18" one.
int significant_digits(const std::string& text) {
  int count = 0;
  bool leading = true;
  for (char c : text) {
    if (c == 'e' || c == 'E') break;
    if (c < '0' || c > '9') continue;
    if (c == '0' && leading) continue;
    leading = false;
    ++count;
  }
  return count;
}

// v to `digits` significant digits, as written in the reference.
std::string rounded(long double v, int digits) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*Le", digits - 1, v);
  return text;
}

struct results {
  double kivo;
  long double truth;
};

results evaluate(const std::string& name, double x, double y) {
  if (name == "sin") return {d(kivo_sin(f(x))), sinl(x)};
  if (name == "cos") return {d(kivo_cos(f(x))), cosl(x)};
  if (name == "exp") return {d(kivo_exp(f(x))), expl(x)};
  if (name == "log") return {d(kivo_log(f(x))), logl(x)};
  if (name == "sqrt") return {d(kivo_sqrt(f(x))), sqrtl(x)};
  return {d(kivo_pow(f(x), f(y))), powl(x, y)};
}

TEST(ReferenceMath, TableRowsAreTheResults) {
  std::ifstream doc(KIVO_REFERENCE);
  ASSERT_TRUE(doc) << KIVO_REFERENCE;
  // | `kivo_name(x)` or `kivo_name(x, y)` | Kivo's result | the true value |
  const std::regex row(R"(^\| `kivo_(sin|cos|exp|log|sqrt|pow)\(([^,)]+)(?:, ([^)]+))?\)` )"
                       R"(\| ([^ |]+) \| ([^ |]+) \|$)");
  int rows = 0;
  for (std::string line; std::getline(doc, line);) {
    std::smatch m;
    if (!std::regex_match(line, m, row)) continue;
    ++rows;
    const double x = std::strtod(m[2].str().c_str(), nullptr);
    const double y = m[3].matched ? std::strtod(m[3].str().c_str(), nullptr) : 0.0;
    const results r = evaluate(m[1], x, y);
    const std::string kivo = m[4], truth = m[5];
    const int kivo_digits = significant_digits(kivo), truth_digits = significant_digits(truth);
    EXPECT_EQ(rounded(r.kivo, kivo_digits),
              rounded(std::strtold(kivo.c_str(), nullptr), kivo_digits))
        << line;
    if (host_functions_exact) {
      EXPECT_EQ(rounded(r.truth, truth_digits),
                rounded(std::strtold(truth.c_str(), nullptr), truth_digits))
          << line;
    }
  }
  EXPECT_GE(rows, 30);
}

}  // namespace
