#pragma once
// Every version of the byte routines and of str_find that this processor can run, as rows of
// one table, so that each test of them runs each row: the portable word-at-a-time code (the
// public routines on processors without their own), and on x86-64 the SSE2 code and, where the
// processor has them, the AVX2 code and the AVX-512 moves and search.
#include <stdint.h>

#include <vector>

#include "core/mem_portable.h"
#include "text/str_search_portable.h"

#if defined(__x86_64__)
#include "core/cpu_x86_64.h"
#include "core/mem_x86_64.h"
#include "text/str_search_x86_64.h"
#endif

namespace kivo::test {

struct variant {
  const char* name;
  void* (*mem_copy)(void*, const void*, int64_t);
  void* (*mem_move)(void*, const void*, int64_t);
  int64_t (*mem_compare)(const void*, const void*, int64_t);
  int64_t (*text_len)(const char*);
  int64_t (*str_find)(const char*, const char*);
};

inline std::vector<variant> variants() {
  std::vector<variant> rows = {{"portable", portable::mem_copy, portable::mem_move, portable::mem_compare,
                                portable::text_len, portable::str_find}};
#if defined(__x86_64__)
  rows.push_back({"sse2", sse2::mem_copy, sse2::mem_move, sse2::mem_compare, sse2::text_len, sse2::str_find});
  if (cpu::vector_level() >= 1) {
    rows.push_back({"avx2", avx2::mem_copy, avx2::mem_move, avx2::mem_compare, avx2::text_len, avx2::str_find});
  }
  if (cpu::vector_level() >= 2) {
    rows.push_back({"avx512", avx512::mem_copy, avx512::mem_move, avx2::mem_compare, avx2::text_len, avx512::str_find});
  }
#endif
  return rows;
}

// Makes the public routines run the baseline code from their next call on (true), or what
// the processor allows (false).
inline void force_baseline(bool on) {
#if defined(__x86_64__)
  cpu::force_baseline(on);
#else
  (void)on;
#endif
}

}  // namespace kivo::test
