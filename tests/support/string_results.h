#pragma once
// Checks of the string blocks that runtime routines return.
#include <stdint.h>

#include <optional>
#include <string>

#include "core/mem.h"
#include "fake_platform.h"

namespace kivo {

// The text of a result block, which must not be null and must be exactly as long as its
// text and terminator; the block is released.
inline std::string take(char* p) {
  EXPECT_NE(p, nullptr);
  if (p == nullptr) return "<null>";
  std::string text(p);
  EXPECT_EQ(fake::block_size(p), static_cast<int64_t>(text.size()) + 1)
      << "a string block is its text's length + 1 bytes: " << text;
  mem_free(p);
  return text;
}

// The text of a result block, as take gives it, or nullopt for null.
inline std::optional<std::string> take_or_null(char* p) {
  if (p == nullptr) return std::nullopt;
  return take(p);
}

// Runs call once to count its heap requests, then once per request with that request
// refused: every such run must give null and leave no block behind.
template <class Call>
void expect_every_failure_gives_null(Call call) {
  fake::reset();
  const int64_t live = fake::live_blocks();
  char* whole = call();
  const int64_t requests = fake::heap_requests();
  ASSERT_NE(whole, nullptr);
  mem_free(whole);
  for (int64_t k = 1; k <= requests; ++k) {
    fake::reset();
    fake::fail_request(k);
    char* result = call();
    EXPECT_EQ(result, nullptr) << "request " << k << " of " << requests << " refused";
    mem_free(result);
    EXPECT_EQ(fake::live_blocks(), live) << "request " << k << " refused";
  }
  fake::reset();
}

}  // namespace kivo
