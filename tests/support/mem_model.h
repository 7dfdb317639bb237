#pragma once
// The byte routines as the plain one-byte-per-step loops that the fast routines must agree
// with on every input.
#include <stdint.h>

namespace kivo::model {

// Forward, so that a destination inside the source reads back bytes already written.
inline void copy_bytes(unsigned char* d, const unsigned char* s, int64_t n) {
  for (int64_t i = 0; i < n; ++i) d[i] = s[i];
}

inline void move_bytes(unsigned char* d, const unsigned char* s, int64_t n) {
  if (d < s) {
    for (int64_t i = 0; i < n; ++i) d[i] = s[i];
  } else {
    for (int64_t i = n; i > 0; --i) d[i - 1] = s[i - 1];
  }
}

inline int64_t compare_bytes(const unsigned char* a, const unsigned char* b, int64_t n) {
  for (int64_t i = 0; i < n; ++i) {
    if (a[i] != b[i]) return int64_t{a[i]} - int64_t{b[i]};
  }
  return 0;
}

inline int64_t text_len(const char* s) {
  int64_t n = 0;
  while (s[n] != '\0') ++n;
  return n;
}

}  // namespace kivo::model
