// The three parsers against the models written straight from their rules.
#include <cstdint>
#include <cstring>
#include <string>

#include "convert/parse.h"
#include "fuzz_check.h"
#include "parse_model.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using kivo::fuzz::check;
  // The runtime sees a C string: everything up to the first NUL.
  const std::string text(reinterpret_cast<const char*>(data),
                         strnlen(reinterpret_cast<const char*>(data), size));
  const char* s = text.c_str();
  check(kivo::parse_int(s) == kivo::model::parse_int(text));
  check(kivo::parse_hex(s) == kivo::model::parse_hex(text));
  const double got = kivo::parse_float(s);
  const double want = kivo::model::parse_float(text);
  check(std::memcmp(&got, &want, sizeof got) == 0);
  return 0;
}
