#pragma once
// An independent model of the header payloadgen writes, from the tree of files it is run
// in: the one model that the Linux tests, the Windows tests and the fuzz target compare with.
#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace payloadgen_test {

// File contents by path relative to the root ("bin/Release/kivoc.exe", "lib/a.txt").
using tree = std::map<std::string, std::string>;

// What payloadgen must embed for t, in table order; files below lib/'s subdirectories are not.
struct model_record {
  std::string read_path, table_path, array_name;
  const std::string* bytes;
};
std::vector<model_record> model_records(const tree& t);

// The values of one array: "0x%02x" joined by ",", a line end after every 16th.
std::string model_array_values(std::string_view bytes);

// A table path as the inside of a C literal that means the same bytes under any C or C++
// standard.
std::string model_path_literal(std::string_view path);

// The whole header, with "\n" line ends as on Linux (Windows writes "\r\n" for each).
std::string model_header(const tree& t);

}  // namespace payloadgen_test
