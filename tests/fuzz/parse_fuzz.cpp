// The three parsers against models written straight from their rules.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "convert/parse.h"

namespace {

bool white(unsigned char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
bool digit(unsigned char c) { return c >= '0' && c <= '9'; }

size_t skip_sign(const std::string& s, size_t i, bool& negative) {
  negative = false;
  if (i < s.size() && s[i] == '-') {
    negative = true;
    return i + 1;
  }
  return i < s.size() && s[i] == '+' ? i + 1 : i;
}

int64_t model_int(const std::string& s) {
  size_t i = 0;
  while (i < s.size() && white(s[i])) ++i;
  bool negative;
  i = skip_sign(s, i, negative);
  uint64_t value = 0;
  for (; i < s.size() && digit(s[i]); ++i) value = value * 10 + (s[i] - '0');
  return static_cast<int64_t>(negative ? 0 - value : value);
}

double model_float(const std::string& s) {
  size_t i = 0;
  while (i < s.size() && white(s[i])) ++i;
  bool negative;
  i = skip_sign(s, i, negative);
  double value = 0.0;
  for (; i < s.size() && digit(s[i]); ++i) value = value * 10.0 + (s[i] - '0');
  if (i < s.size() && s[i] == '.') {
    double divisor = 10.0;
    for (++i; i < s.size() && digit(s[i]); ++i) {
      value = value + (s[i] - '0') / divisor;
      divisor = divisor * 10.0;
    }
  }
  return value * (negative ? 0.0 - 1.0 : 1.0);
}

int64_t model_hex(const std::string& s) {
  size_t i = s.size() >= 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X') ? 2 : 0;
  uint64_t value = 0;
  for (; i < s.size(); ++i) {
    const unsigned char c = s[i];
    int d;
    if (digit(c)) {
      d = c - '0';
    } else if (c >= 'A' && c <= 'F') {
      d = c - 'A' + 10;
    } else if (c >= 'a' && c <= 'f') {
      d = c - 'a' + 10;
    } else {
      break;
    }
    value = (value << 4) + d;
  }
  return static_cast<int64_t>(value);
}

void check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The runtime sees a C string: everything up to the first NUL.
  const std::string text(reinterpret_cast<const char*>(data), strnlen(reinterpret_cast<const char*>(data), size));
  const char* s = text.c_str();
  check(kivo::parse_int(s) == model_int(text));
  check(kivo::parse_hex(s) == model_hex(text));
  const double got = kivo::parse_float(s);
  const double want = model_float(text);
  check(std::memcmp(&got, &want, sizeof got) == 0);
  return 0;
}
