// int_to_str and float_to_str against the host's formatting where the rules coincide, and
// against the truncating rule elsewhere. A refused heap request, picked by the input, must
// give null or the right text, and never leak.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "convert/float_to_str.h"
#include "convert/int_to_str.h"
#include "core/mem.h"
#include "fake_platform.h"
#include "float_to_str_model.h"

namespace {

void check(bool ok) {
  if (!ok) std::abort();
}

// Runs make() with the n-th heap request refused (0: none) and checks the text it gives.
template <typename Make>
void check_text(Make make, const std::string& want, int64_t fail_at) {
  kivo::fake::reset();
  kivo::fake::fail_request(fail_at);
  const int64_t live = kivo::fake::live_blocks();
  char* got = make();
  if (fail_at == 0) check(got != nullptr);
  if (got != nullptr) check(want == got);
  kivo::mem_free(got);
  check(kivo::fake::live_blocks() == live);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  for (size_t at = 0; at + 17 <= size; at += 17) {
    double v;
    int64_t n;
    std::memcpy(&v, data + at, sizeof v);
    std::memcpy(&n, data + at + 8, sizeof n);
    const int64_t fail_at = data[at + 16] % 12;  // 0 fails nothing; float_to_str makes ~8 requests
    check_text([&] { return kivo::int_to_str(n); }, std::to_string(n), fail_at);
    check_text([&] { return kivo::float_to_str(v); }, kivo::float_to_str_model(v), fail_at);
  }
  return 0;
}
