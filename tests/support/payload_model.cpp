#include "payload_model.h"

#include <cstdio>

namespace payloadgen_test {

std::vector<model_record> model_records(const tree& t) {
  static const char* const fixed[][3] = {{"bin/Release/kivoc.exe", "kivoc.exe", "p_kivoc"},
                                         {"bin/Release/kivo.exe", "kivo.exe", "p_kivo"},
                                         {"kivo.mod", "kivo.mod", "p_mod"},
                                         {"kivo.lock", "kivo.lock", "p_lock"}};
  std::vector<model_record> records;
  for (const auto& f : fixed) {
    if (const auto it = t.find(f[0]); it != t.end())
      records.push_back({f[0], f[1], f[2], &it->second});
  }
  // std::string compares unsigned bytes, so the map lists lib/ in byte order.
  int k = 0;
  for (const auto& [path, bytes] : t) {
    if (path.rfind("lib/", 0) != 0 || path.find('/', 4) != std::string::npos) continue;
    records.push_back({path, "lib\\" + path.substr(4), "p_lib" + std::to_string(k++), &bytes});
  }
  return records;
}

std::string model_array_values(std::string_view bytes) {
  std::string out;
  char text[8];
  for (std::size_t i = 0; i < bytes.size();) {
    std::snprintf(text, sizeof text, "0x%02x", static_cast<unsigned char>(bytes[i]));
    out += text;
    if (++i < bytes.size()) out += ',';
    if (i % 16 == 0) out += '\n';
  }
  return out;
}

std::string model_path_literal(std::string_view path) {
  std::string out;
  char text[8];
  for (const char c : path) {
    const bool quoted = c == '\\' || c == '"' || c == '?';
    if (static_cast<unsigned char>(c) < 32 || c == 127) {
      std::snprintf(text, sizeof text, "\\%03o", static_cast<unsigned>(c));
    } else {
      std::snprintf(text, sizeof text, quoted ? "\\%c" : "%c", c);
    }
    out += text;
  }
  return out;
}

std::string model_header(const tree& t) {
  std::string header =
      "#pragma once\ntypedef struct {\n    const char*          path;\n"
      "    const unsigned char* data;\n    unsigned long        size;\n} payload_file_t;\n\n";
  std::string table = "static const payload_file_t g_payload[] = {\n";
  for (const model_record& r : model_records(t)) {
    const std::string& bytes = *r.bytes;
    header += "/* " + r.read_path + "  (" + std::to_string(bytes.size()) + " bytes) */\n" +
              "static const unsigned char " + r.array_name + "[] = {\n" +
              model_array_values(bytes) + "\n};\n\n";
    table += "    { \"" + model_path_literal(r.table_path) + "\", " + r.array_name + ", " +
             std::to_string(bytes.size()) + "UL },\n";
  }
  return header + table + "    { 0, 0, 0 }\n};\n";
}

}  // namespace payloadgen_test
