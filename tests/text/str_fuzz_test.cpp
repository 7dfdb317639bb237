// Arbitrary bytes, extreme positions and refused requests at random: every routine must stay
// inside its inputs, end, and release what it took (the sanitizers watch the first).
#include <random>
#include <string>

#include "core/mem.h"
#include "fake_platform.h"
#include "text/str.h"

namespace kivo {
namespace {

using StrFuzz = fake::Test;

TEST_F(StrFuzz, AnyInputEndsCleanly) {
  std::mt19937_64 rng(13);
  const int64_t positions[] = {INT64_MIN, -1, 0, 1, 2, 5, 40, INT64_MAX};
  auto text = [&](size_t max) {
    std::string s(rng() % (max + 1), 'a');
    for (char& c : s) c = static_cast<char>(1 + rng() % (rng() % 2 == 0 ? 3 : 255));
    return s;
  };
  for (int round = 0; round < 5000; ++round) {
    const std::string a = text(24), b = text(4), c = text(6);
    const char* pa = rng() % 16 == 0 ? nullptr : a.c_str();
    const char* pb = rng() % 16 == 0 ? nullptr : b.c_str();
    fake::reset();
    fake::fail_request(static_cast<int64_t>(rng() % 8));  // 0: nothing refused
    char* results[] = {
        str_dup(pa),
        str_concat3(pa, pb, c.c_str()),
        str_substring(pa, positions[rng() % 8], positions[rng() % 8]),
        str_trim(pa),
        str_upper(pa),
        str_replace_first(pa, pb, c.c_str()),
        str_replace(pa, pb, c.c_str()),
    };
    str_find(pa, pb);
    for (char* r : results) mem_free(r);
    ASSERT_EQ(fake::live_blocks(), 0);
  }
  fake::reset();
}

}  // namespace
}  // namespace kivo
