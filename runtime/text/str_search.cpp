// Forward search for a pattern; str_find itself is in str_search_x86_64.cpp on x86-64 and in
// str_search_generic.cpp (the portable search) elsewhere.
#include "text/str_search.h"

namespace kivo {

int64_t str_contains(const char* hay, const char* needle) {
  return str_find(hay, needle) >= 0 ? 1 : 0;
}

}  // namespace kivo
