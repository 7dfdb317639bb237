// str_find on every processor that has no search of its own: the portable one.
#include "text/str_search.h"
#include "text/str_search_portable.h"

namespace kivo {

int64_t str_find(const char* hay, const char* needle) { return portable::str_find(hay, needle); }

}  // namespace kivo
