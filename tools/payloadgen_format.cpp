#include "payloadgen_format.h"

#include <cstring>

#include "payloadgen_os.h"

namespace payloadgen {
namespace {

// "0xhh," for every byte value, padded to 8 so that one unaligned store writes a cell.
struct hex_cells {
  char cell[256][8];
};

constexpr hex_cells make_cells() {
  constexpr char digits[] = "0123456789abcdef";
  hex_cells t{};
  for (int b = 0; b < 256; ++b) {
    t.cell[b][0] = '0';
    t.cell[b][1] = 'x';
    t.cell[b][2] = digits[b >> 4];
    t.cell[b][3] = digits[b & 15];
    t.cell[b][4] = ',';
  }
  return t;
}

constexpr hex_cells cells = make_cells();
constexpr std::size_t line_end_size = sizeof os::line_end - 1;
static_assert(line_end_size <= 2, "max_formatted_size allows two characters per line end");

inline char* put_line_end(char* out) {
  std::memcpy(out, os::line_end, line_end_size);
  return out + line_end_size;
}

}  // namespace

void append_escaped_path(std::string& out, std::string_view path) {
  for (const char c : path) {
    const auto b = static_cast<unsigned char>(c);
    if (c == '\\' || c == '"' || c == '?') {
      out += '\\';
      out += c;
    } else if (b < 0x20 || b == 0x7f) {
      out += '\\';
      out += static_cast<char>('0' + (b >> 6));
      out += static_cast<char>('0' + ((b >> 3) & 7));
      out += static_cast<char>('0' + (b & 7));
    } else {
      out += c;
    }
  }
}

char* format_bytes(const unsigned char* in, std::size_t n, std::uint64_t& done,
                   std::uint64_t total, char* out) {
  const unsigned char* const end = in + n;
  while (in < end) {
    // Whole lines that do not hold the file's last value: sixteen "0xhh," and a line end.
    if (done % 16 == 0) {
      while (end - in >= 16 && total - done > 16) {
        for (int k = 0; k < 16; ++k) std::memcpy(out + 5 * k, cells.cell[in[k]], 8);
        out = put_line_end(out + 80);
        in += 16;
        done += 16;
      }
      if (in == end) break;
    }
    std::memcpy(out, cells.cell[*in++], 8);
    out += 4;
    ++done;
    if (done < total) *out++ = ',';
    if (done % 16 == 0) out = put_line_end(out);
  }
  return out;
}

}  // namespace payloadgen
