// Substring, trimming and upper-casing: each gives a new block, even when nothing changes.
#include "text/str_edit.h"

#include "core/mem.h"
#include "text/blank.h"
#include "text/str_primitives.h"

namespace kivo {

char* str_substring(const char* s, int64_t start, int64_t end) {
  const int64_t len = str_len(s);
  if (s == nullptr) return nullptr;
  if (start < 0) start = 0;
  if (end < 0 || end > len) end = len;
  // A start past the end thereby gives an empty text without reading outside the string.
  if (end < start) end = start;
  const int64_t n = end - start;
  char* p = str_alloc(n);
  if (p == nullptr) return nullptr;
  if (n > 0) mem_copy(p, s + start, n);
  return p;
}

char* str_trim(const char* s) {
  if (s == nullptr) return nullptr;
  const int64_t len = str_len(s);
  int64_t start = 0;
  while (start < len && is_blank(static_cast<unsigned char>(s[start]))) ++start;
  int64_t end = len;
  while (end > start && is_blank(static_cast<unsigned char>(s[end - 1]))) --end;
  return str_substring(s, start, end);
}

char* str_upper(const char* s) {
  if (s == nullptr) return nullptr;
  const int64_t len = str_len(s);
  char* p = str_alloc(len);
  if (p == nullptr) return nullptr;
  for (int64_t i = 0; i < len; ++i) {
    auto c = static_cast<unsigned char>(s[i]);
    if (c >= 0x61 && c <= 0x7A) c = static_cast<unsigned char>(c - 0x20);
    p[i] = static_cast<char>(c);
  }
  return p;
}

}  // namespace kivo
