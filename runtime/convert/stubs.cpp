// Placeholders so that the showcase links before the conversions land; removed with them.
#include "convert/format.h"
#include "convert/parse.h"

namespace kivo {
char* int_to_str(int64_t) { return nullptr; }
char* float_to_str(double) { return nullptr; }
int64_t parse_int(const char*) { return 0; }
double parse_float(const char*) { return 0; }
int64_t parse_hex(const char*) { return 0; }
}  // namespace kivo
