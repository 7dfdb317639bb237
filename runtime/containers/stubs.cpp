// Placeholders so that the showcase links before the containers land; removed with them.
#include "containers/arena.h"
#include "containers/vec.h"

namespace kivo {
const int64_t vec_initial_cap = 16;
vec* vec_new(int64_t) { return nullptr; }
int64_t vec_reserve(vec*, int64_t) { return -1; }
int64_t vec_push(vec*, const void*) { return -1; }
void* vec_at(vec*, int64_t) { return nullptr; }
int64_t vec_free(vec*) { return -1; }
int64_t ivec_push(vec*, int64_t) { return -1; }
int64_t ivec_get(vec*, int64_t) { return 0; }
arena* arena_new(int64_t) { return nullptr; }
void* arena_alloc(arena*, int64_t) { return nullptr; }
char* arena_strdup(arena*, const char*) { return nullptr; }
int64_t arena_free(arena*) { return -1; }
}  // namespace kivo
