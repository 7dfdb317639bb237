#pragma once
// What float_to_str must give, computed independently: the host's exact digits where the
// value is a whole number out of the 64-bit range, and the truncating split elsewhere.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>

namespace kivo {

inline std::string float_to_str_model(double v) {
  if (std::isnan(v)) return "nan";
  char text[400];
  if (std::isinf(v) || std::fabs(v) >= 9223372036854775808.0) {
    std::snprintf(text, sizeof text, "%.6f", v);  // whole numbers: every digit exact
    return text;
  }
  const bool negative = v < 0.0;
  const double magnitude = negative ? 0.0 - v : v;
  const auto integer_part = static_cast<int64_t>(magnitude);
  const auto fraction = static_cast<int64_t>((magnitude - static_cast<double>(integer_part)) * 1000000.0);
  std::snprintf(text, sizeof text, "%s%lld.%06lld", negative ? "-" : "", static_cast<long long>(integer_part),
                static_cast<long long>(fraction));
  return text;
}

}  // namespace kivo
