// payloadgen's two formatters: a table path's string literal, parsed back the way a C
// compiler reads it, must give the original bytes; the array values, written in chunks of
// any size, must equal a plain one-value-at-a-time rendering.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "payload_model.h"
#include "payloadgen_format.h"

namespace {

using kivo::fuzz::check;

// Reads the inside of a string literal as a compiler does, for the escapes the generator may
// write; anything else that a compiler would not take as itself fails the check.
std::string parse_literal(std::string_view text) {
  check(text.find("??") == std::string_view::npos);  // no trigraph can form
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = text[i];
    check(c >= 0x20 && c != 0x7F && c != '"');
    if (c != '\\') {
      out += static_cast<char>(c);
      continue;
    }
    check(++i < text.size());
    const char e = text[i];
    if (e == '\\' || e == '"' || e == '?') {
      out += e;
    } else {
      check(e >= '0' && e <= '7' && i + 2 < text.size());
      int value = 0;
      for (int k = 0; k < 3; ++k, ++i) {
        check(text[i] >= '0' && text[i] <= '7');
        value = value * 8 + (text[i] - '0');
      }
      --i;
      out += static_cast<char>(value);
    }
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A path is any run of bytes but NUL, as a file system may hand them over.
  std::string path;
  for (size_t i = 0; i < size; ++i) {
    if (data[i] != 0) path += static_cast<char>(data[i]);
  }
  std::string literal;
  payloadgen::append_escaped_path(literal, path);
  check(parse_literal(literal) == path);

  // The same bytes as a file, cut into chunks whose sizes the first byte chooses.
  const size_t chunk = size == 0 ? 1 : 1 + data[0] % 37;
  std::string values;
  std::vector<char> room(payloadgen::max_formatted_size(chunk));
  uint64_t done = 0;
  for (size_t at = 0; at < size; at += chunk) {
    const size_t n = size - at < chunk ? size - at : chunk;
    char* end = payloadgen::format_bytes(data + at, n, done, size, room.data());
    values.append(room.data(), end);
  }
  check(done == size);
  check(values == payloadgen_test::model_array_values(
                      std::string_view(reinterpret_cast<const char*>(data), size)));
  return 0;
}
