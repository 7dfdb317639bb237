#pragma once
// The fuzz targets' verdicts: a failed check aborts, which libFuzzer reports with the input.
#include <stdint.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "core/mem.h"
#include "fake_platform.h"

namespace kivo::fuzz {

inline void check(bool ok) {
  if (!ok) std::abort();
}

// Runs make() with the fail_at-th heap request refused (0: none) and checks the string it
// returns: a new block holding want, or null where want is absent (the model has no string)
// or a request was refused. Every block must be back once it is released.
template <typename Make>
void check_text(Make make, const std::optional<std::string>& want, int64_t fail_at) {
  fake::reset();
  fake::fail_request(fail_at);
  const int64_t live = fake::live_blocks();
  char* got = make();
  if (!want || fail_at == 0) check((got == nullptr) == !want);
  if (got != nullptr) {
    check(want && *want == got);
    check(fake::block_size(got) == static_cast<int64_t>(want->size()) + 1);
    check(fake::live_blocks() == live + 1);
  }
  mem_free(got);
  check(fake::live_blocks() == live);
}

}  // namespace kivo::fuzz
