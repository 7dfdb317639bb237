#include "convert/float_format.h"

#include <stdint.h>
#include <stdio.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace kivo {
namespace {

// Fewer random values under the sanitizers, where every call costs several times more.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KIVO_TEST_SANITIZED 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(KIVO_TEST_SANITIZED)
constexpr int random_per_exponent = 200;
#else
constexpr int random_per_exponent = 400;
#endif

std::string reference(double v) {
  // mingw-w64's printf drops the sign of a NaN; glibc's, which the renderer follows, keeps it.
  if (std::isnan(v)) return std::signbit(v) ? "-nan" : "nan";
  char text[float_format_fixed6_cap];
  snprintf(text, sizeof text, "%.6f", v);
  return text;
}

std::string rendered(double v) {
  // Guard bytes after the buffer reveal any write past its end.
  char text[float_format_fixed6_cap + 8];
  for (char& c : text) c = '#';
  const int64_t n = float_format_fixed6(v, text);
  for (int i = float_format_fixed6_cap; i < float_format_fixed6_cap + 8; ++i) {
    if (text[i] != '#') return "<overrun>";
  }
  if (n < 0 || n >= float_format_fixed6_cap || text[n] != '\0') return "<bad length>";
  return std::string(text, static_cast<size_t>(n));
}

// Collects the values whose text differs from the C library's and reports the first few.
class Mismatches {
 public:
  void check(double v) {
    ++checked_;
    const std::string want = reference(v);
    const std::string got = rendered(v);
    if (got == want) return;
    if (++count_ <= 10) {
      char bits[32];
      snprintf(bits, sizeof bits, "%016llx", static_cast<unsigned long long>(std::bit_cast<uint64_t>(v)));
      report_ += std::string("\n  bits ") + bits + ": want " + want + ", got " + got;
    }
  }
  void check_around(double v) {
    check(std::nextafter(v, -INFINITY));
    check(v);
    check(std::nextafter(v, INFINITY));
  }
  int64_t checked() const { return checked_; }
  ::testing::AssertionResult none() const {
    if (count_ == 0) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << count_ << " of " << checked_ << " differ:" << report_;
  }

 private:
  int64_t checked_ = 0;
  int64_t count_ = 0;
  std::string report_;
};

double from_bits(uint64_t bits) { return std::bit_cast<double>(bits); }

TEST(FloatFormat, SpecialValuesFollowTheSignBit) {
  const auto text = [](double v) { return rendered(v); };
  EXPECT_EQ(text(0.0), "0.000000");
  EXPECT_EQ(text(-0.0), "-0.000000");
  EXPECT_EQ(text(-1e-9), "-0.000000");
  EXPECT_EQ(text(INFINITY), "inf");
  EXPECT_EQ(text(-INFINITY), "-inf");
  EXPECT_EQ(text(from_bits(0x7ff8000000000000)), "nan");
  EXPECT_EQ(text(from_bits(0xfff8000000000000)), "-nan");
  EXPECT_EQ(text(from_bits(0x7ff0000000000001)), "nan");   // signalling
  EXPECT_EQ(text(from_bits(0xffffffffffffffff)), "-nan");  // full payload
}

TEST(FloatFormat, ExactTiesRoundToEven) {
  EXPECT_EQ(rendered(0.0078125), "0.007812");
  EXPECT_EQ(rendered(0.0234375), "0.023438");
  EXPECT_EQ(rendered(-0.0078125), "-0.007812");
  // Decimal ties are not ties in binary: the exact value decides, whichever side it is on.
  EXPECT_EQ(rendered(0.9999995), "1.000000");            // 0.99999950000000004...
  EXPECT_EQ(rendered(999999.9999995), "999999.999999");  // 999999.99999949999...
  EXPECT_EQ(rendered(0.0000005), "0.000000");            // 4.99999999999999977...e-7
  EXPECT_EQ(rendered(0.1234565), "0.123456");            // 0.12345649999999999...
  EXPECT_EQ(rendered(1.0000005), "1.000001");            // 1.00000050000000006...
  // A tie sits exactly on half a millionth only for odd multiples of 2^-7; try them at every
  // magnitude where they still have a fraction.
  Mismatches m;
  for (int64_t j = 1; j < 40000; j += 2) m.check(static_cast<double>(j) / 128);
  std::mt19937_64 rng(7);
  for (int scale = 8; scale <= 53; ++scale) {
    for (int i = 0; i < 200; ++i) {
      const uint64_t j = (rng() >> (64 - scale)) | 1;
      m.check(static_cast<double>(j) / 128);
      m.check(-static_cast<double>(j) / 128);
    }
  }
  EXPECT_TRUE(m.none());
}

TEST(FloatFormat, NeighboursOfEachRoundingBoundary) {
  // The doubles nearest (k + 1/2) / 10^6 and their neighbours fall on both sides of the cut.
  Mismatches m;
  for (int64_t k = 0; k < 200000; ++k) m.check_around((static_cast<double>(k) + 0.5) / 1e6);
  std::mt19937_64 rng(11);
  for (int digits = 7; digits <= 22; ++digits) {
    const double limit = std::pow(10.0, digits);
    for (int i = 0; i < 2000; ++i) {
      const double k = std::floor(std::ldexp(static_cast<double>(rng() >> 11), -53) * limit);
      m.check_around((k + 0.5) / 1e6);
      m.check_around(-(k + 0.5) / 1e6);
      m.check_around(k / 1e6);  // whole millionths, where a carry may ripple up
    }
  }
  EXPECT_TRUE(m.none());
}

TEST(FloatFormat, PowersAndExtremes) {
  Mismatches m;
  for (int e = -1074; e <= 1023; ++e) m.check_around(std::ldexp(1.0, e));
  for (int e = -330; e <= 308; ++e) {
    char literal[16];
    snprintf(literal, sizeof literal, "1e%d", e);
    m.check_around(std::strtod(literal, nullptr));
  }
  m.check(DBL_MAX);
  m.check(-DBL_MAX);
  m.check(DBL_MIN);
  m.check(DBL_TRUE_MIN);
  m.check(-DBL_TRUE_MIN);
  m.check(from_bits(0x000fffffffffffff));  // largest subnormal
  m.check(18446744073709551616.0);         // 2^64, first value of the multi-word path
  m.check(18446744073709549568.0);         // largest double below 2^64
  m.check(9007199254740993.0);
  EXPECT_TRUE(m.none());
  EXPECT_EQ(rendered(DBL_MAX).size(), 316u);
  EXPECT_EQ(rendered(-DBL_MAX).size(), 317u);
}

TEST(FloatFormat, RandomBitPatternsOverEveryExponent) {
  // Every biased exponent and both signs get the same share, with random fraction bits.
  Mismatches m;
  std::mt19937_64 rng(2024);
  for (uint64_t biased = 0; biased < 2047; ++biased) {
    for (int i = 0; i < random_per_exponent; ++i) {
      const uint64_t r = rng();
      m.check(from_bits((r & 0x800fffffffffffff) | (biased << 52)));
    }
  }
  // Uniform random patterns, and the exponents with digits on both sides of the point.
  for (int i = 0; i < 250 * random_per_exponent; ++i) m.check(from_bits(rng()));
  for (int i = 0; i < 500 * random_per_exponent; ++i) {
    const uint64_t biased = 1023 - 30 + rng() % 64;
    m.check(from_bits((rng() & 0x800fffffffffffff) | (biased << 52)));
  }
  EXPECT_TRUE(m.none());
  EXPECT_GE(m.checked(), random_per_exponent * 2700);
}

}  // namespace
}  // namespace kivo
