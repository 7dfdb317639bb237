// The pieces of payload.h that depend on file contents: the byte values of an array and the
// string literal of a table path.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace payloadgen {

// Appends path as the inside of a C string literal that compiles, under any C or C++
// standard, to exactly path's bytes. Backslashes are doubled and a double quote becomes \";
// bytes below 0x20 and 0x7F become three-digit octal escapes, so a following digit cannot
// extend them; '?' becomes \? so that no run of them forms a trigraph, which strict ISO C
// modes would read as another character ("??=" as '#'). Names that Windows allows contain
// none of these bytes, so apart from the doubled backslash they come out unchanged.
void append_escaped_path(std::string& out, std::string_view path);

// Upper bound of the characters format_bytes writes for n bytes, including the few bytes it
// may store past its result.
constexpr std::size_t max_formatted_size(std::size_t n) { return n * 5 + (n / 16 + 1) * 2 + 8; }

// Writes the array values of the next n bytes of a file that is total bytes long, of which
// done were written before, and advances done by n. Each value is "0x" and two lower-case hex
// digits; a comma follows every value but the file's last; a line end follows every 16th.
// Returns the end of what was written. The caller supplies room for max_formatted_size(n).
char* format_bytes(const unsigned char* in, std::size_t n, std::uint64_t& done,
                   std::uint64_t total, char* out);

}  // namespace payloadgen
