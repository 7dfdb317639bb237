#pragma once
// str_find's versions for x86-64: SSE2, AVX2 and AVX-512, each with exactly the public
// str_find's contract (text/str_search.h); str_find runs one of them, as the processor allows.
// They share one search (str_find_with) and differ in the vector code that it calls to read
// the text.
#include <stdint.h>

namespace kivo::sse2 {

int64_t str_find(const char* hay, const char* needle);

}  // namespace kivo::sse2

namespace kivo::avx2 {

int64_t str_find(const char* hay, const char* needle);

}  // namespace kivo::avx2

namespace kivo::avx512 {

int64_t str_find(const char* hay, const char* needle);

}  // namespace kivo::avx512

namespace kivo {

// What one vector width offers the search. Each routine reads the text in aligned pieces of
// 64 bytes (or less), which never straddle a page, and reads a piece only once the pieces
// before it held no terminator, so it never touches a page past the text's.
struct find_scan {
  // Offset from s of the first byte equal to c (not NUL), or -1 when the terminator comes
  // first.
  int64_t (*find_byte)(const char* s, char c);
  // Bit i set where byte i of the aligned 64 bytes at p equals c.
  uint64_t (*equal_bits)(const unsigned char* p, unsigned char c);
  // Whether the text from `from` to `to` (aligned to 64) holds no NUL.
  bool (*nul_free)(const unsigned char* from, const unsigned char* to);
  // Windows of d + 1 >= 2 bytes, each ending at a byte of the aligned block of 64 at e or
  // later. From e on, the first block in which a byte is NUL or ends a window that agrees
  // with the pattern at 0, mid and d (0 < mid <= d); bit i of *ends is set for each window
  // ending at its byte i, bit i of *nuls for each NUL. The bytes from e - d to e must be text.
  const unsigned char* (*next_block)(const unsigned char* e, const unsigned char* pattern, int64_t mid, int64_t d,
                                     uint64_t* ends, uint64_t* nuls);
};

// str_find over the given vector code.
int64_t str_find_with(const char* hay, const char* needle, const find_scan& scan);

}  // namespace kivo
