#include "payloadgen_format.h"

#include <bit>
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

inline std::uint64_t cell_word(unsigned char b) {
  std::uint64_t w;
  std::memcpy(&w, cells.cell[b], 8);
  return w;
}

inline void store_word(char* out, std::uint64_t w) { std::memcpy(out, &w, 8); }

// Eight cells, 40 characters, in five 8-byte stores instead of eight: the stores, not the
// lookups, bound the formatting speed. On a little-endian machine a cell's characters are the
// low five bytes of its word, so shifting places them at any offset.
inline char* put_eight_cells(const unsigned char* in, char* out) {
  if constexpr (std::endian::native == std::endian::little) {
    const std::uint64_t c0 = cell_word(in[0]), c1 = cell_word(in[1]), c2 = cell_word(in[2]),
                        c3 = cell_word(in[3]), c4 = cell_word(in[4]), c5 = cell_word(in[5]),
                        c6 = cell_word(in[6]), c7 = cell_word(in[7]);
    store_word(out, c0 | c1 << 40);
    store_word(out + 8, c1 >> 24 | c2 << 16 | c3 << 56);
    store_word(out + 16, c3 >> 8 | c4 << 32);
    store_word(out + 24, c4 >> 32 | c5 << 8 | c6 << 48);
    store_word(out + 32, c6 >> 16 | c7 << 24);
  } else {
    for (int k = 0; k < 8; ++k) std::memcpy(out + 5 * k, cells.cell[in[k]], 8);
  }
  return out + 40;
}

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
        out = put_eight_cells(in + 8, put_eight_cells(in, out));
        out = put_line_end(out);
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
