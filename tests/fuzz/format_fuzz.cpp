// int_to_str and float_to_str against the host's formatting where the rules coincide, and
// against the truncating rule elsewhere. A refused heap request, picked by the input, must
// give null or the right text, and never leak.
#include <cstdint>
#include <cstring>
#include <string>

#include "convert/float_to_str.h"
#include "convert/int_to_str.h"
#include "float_to_str_model.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  for (size_t at = 0; at + 17 <= size; at += 17) {
    double v;
    int64_t n;
    std::memcpy(&v, data + at, sizeof v);
    std::memcpy(&n, data + at + 8, sizeof n);
    const int64_t fail_at = data[at + 16] % 12;  // 0 fails nothing; float_to_str makes ~8 requests
    kivo::fuzz::check_text([&] { return kivo::int_to_str(n); }, std::to_string(n), fail_at);
    kivo::fuzz::check_text([&] { return kivo::float_to_str(v); }, kivo::float_to_str_model(v), fail_at);
  }
  return 0;
}
