// The "%.6f" renderer against the host C library, on doubles taken from the input's bytes.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/float_format.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  for (size_t at = 0; at + sizeof(double) <= size; at += sizeof(double)) {
    double v;
    std::memcpy(&v, data + at, sizeof v);
    char got[kivo::float_format_fixed6_cap];
    char want[kivo::float_format_fixed6_cap];
    const int64_t length = kivo::float_format_fixed6(v, got);
    const int want_length = std::snprintf(want, sizeof want, "%.6f", v);
    if (length != want_length || std::strcmp(got, want) != 0) std::abort();
  }
  return 0;
}
