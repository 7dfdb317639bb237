// Forward search for a pattern.
#include "text/str_search.h"

#include "text/str_primitives.h"

namespace kivo {

int64_t str_find(const char* hay, const char* needle) {
  if (hay == nullptr || needle == nullptr) return -1;
  const int64_t hl = str_len(hay);
  const int64_t nl = str_len(needle);
  if (nl == 0) return 0;
  if (nl > hl) return -1;
  for (int64_t i = 0; i <= hl - nl; ++i) {
    int64_t j = 0;
    while (j < nl && needle[j] == hay[i + j]) ++j;
    if (j == nl) return i;
  }
  return -1;
}

int64_t str_contains(const char* hay, const char* needle) {
  return str_find(hay, needle) >= 0 ? 1 : 0;
}

}  // namespace kivo
