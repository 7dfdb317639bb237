// payloadgen: run from the root of the toolchain's source tree, it embeds the compiler, the
// command-line tool, the module and lock files and every file of lib/ into tools/payload.h,
// one static byte array per file plus the g_payload table of (path, data, size) records.
//
// The header is built in a temporary file next to it (without a name until it is complete,
// where the system allows) and renamed over tools/payload.h only when everything succeeded:
// a failed run leaves the previous header as it was, because a half-written one with a
// fresh time stamp would pass for up to date and break a later build.
// Files are streamed in fixed-size chunks, so memory stays small whatever the input sizes.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "payloadgen_format.h"
#include "payloadgen_os.h"

namespace payloadgen {
namespace {

constexpr char header_path[] = "tools/payload.h";
constexpr char cannot_write[] = "Cannot write tools/payload.h\n";

// The table records sizes as 32-bit values.
constexpr std::uint64_t size_limit = std::uint64_t{1} << 31;

constexpr std::size_t read_chunk = 256 * 1024;
constexpr std::size_t format_piece = 64 * 1024;
constexpr std::size_t output_capacity = 1024 * 1024;

// Ends the run: the message goes to standard error and the exit code is 1.
struct failure {
  std::string message;
};

struct entry {
  std::string array_name;
  std::string table_path;
  std::uint64_t size;
};

// Collects header text in a large buffer and writes it to the temporary file when full.
class header_writer {
 public:
  explicit header_writer(os::output_file& out)
      : out_(out), buffer_(new char[output_capacity + max_formatted_size(format_piece)]) {}

  // Appends text whose "\n" are the header's line ends.
  void text(std::string_view s) {
    for (std::size_t start = 0; start < s.size();) {
      std::size_t stop = s.find('\n', start);
      if (stop == std::string_view::npos) stop = s.size();
      append(s.substr(start, stop - start));
      if (stop < s.size()) append(os::line_end);
      start = stop + 1;
    }
  }

  // Appends the array values of the next bytes of a file; see format_bytes.
  void bytes(const unsigned char* data, std::size_t n, std::uint64_t& done, std::uint64_t total) {
    while (n > 0) {
      const std::size_t piece = std::min(n, format_piece);
      if (used_ > output_capacity) flush();
      char* const end = format_bytes(data, piece, done, total, buffer_.get() + used_);
      used_ = static_cast<std::size_t>(end - buffer_.get());
      data += piece;
      n -= piece;
    }
  }

  void flush() {
    if (used_ > 0 && !os::write_output(out_, buffer_.get(), used_)) throw failure{cannot_write};
    used_ = 0;
  }

 private:
  void append(std::string_view s) {
    while (!s.empty()) {
      if (used_ >= output_capacity) flush();
      const std::size_t n = std::min(s.size(), output_capacity - used_);
      std::copy_n(s.data(), n, buffer_.get() + used_);
      used_ += n;
      s.remove_prefix(n);
    }
  }

  os::output_file& out_;
  std::unique_ptr<char[]> buffer_;
  std::size_t used_ = 0;
};

class input_guard {
 public:
  explicit input_guard(os::input_file& file) : file_(file) {}
  ~input_guard() { os::close_input(file_); }
  input_guard(const input_guard&) = delete;
  input_guard& operator=(const input_guard&) = delete;

 private:
  os::input_file& file_;
};

// Writes one file's comment and byte array; returns its size.
std::uint64_t dump(header_writer& out, std::vector<unsigned char>& chunk,
                   const std::string& read_path, const std::string& array_name) {
  os::input_file in;
  switch (os::open_input(read_path, in)) {
    case os::open_status::ok:
      break;
    case os::open_status::cannot_open:
      throw failure{"Cannot open: " + read_path + "\n"};
    case os::open_status::not_regular:
      throw failure{"Not a regular file: " + read_path + "\n"};
  }
  input_guard guard(in);
  if (in.size >= size_limit) throw failure{"File too large: " + read_path + "\n"};

  out.text("/* " + read_path + "  (" + std::to_string(in.size) + " bytes) */\n");
  out.text("static const unsigned char " + array_name + "[] = {\n");
  // The size is written before the bytes, so a file that shrinks or grows while it is read
  // would give a wrong header: that, like a read error, means the file could not be taken.
  std::uint64_t done = 0;
  while (done < in.size) {
    const std::size_t want =
        static_cast<std::size_t>(std::min<std::uint64_t>(chunk.size(), in.size - done));
    const std::ptrdiff_t got = os::read_input(in, chunk.data(), want);
    if (got <= 0) throw failure{"Cannot open: " + read_path + "\n"};
    out.bytes(chunk.data(), static_cast<std::size_t>(got), done, in.size);
  }
  if (os::read_input(in, chunk.data(), 1) != 0) throw failure{"Cannot open: " + read_path + "\n"};
  out.text("\n};\n\n");
  return in.size;
}

void write_table(header_writer& out, const std::vector<entry>& entries) {
  out.text("static const payload_file_t g_payload[] = {\n");
  std::string line;
  for (const entry& e : entries) {
    line = "    { \"";
    append_escaped_path(line, e.table_path);
    line += "\", " + e.array_name + ", " + std::to_string(e.size) + "UL },\n";
    out.text(line);
  }
  out.text("    { 0, 0, 0 }\n};\n");
}

// Writes the whole header; returns the number of files embedded.
std::size_t generate(header_writer& out) {
  std::vector<unsigned char> chunk(read_chunk);
  std::vector<entry> entries;

  out.text("#pragma once\n");
  out.text(
      "typedef struct {\n"
      "    const char*          path;\n"
      "    const unsigned char* data;\n"
      "    unsigned long        size;\n"
      "} payload_file_t;\n\n");

  entries.push_back({"p_kivoc", "kivoc.exe", dump(out, chunk, "bin/Release/kivoc.exe", "p_kivoc")});
  struct optional_input {
    const char* read_path;
    const char* array_name;
    const char* table_path;
  };
  constexpr optional_input optional_inputs[] = {
      {"bin/Release/kivo.exe", "p_kivo", "kivo.exe"},
      {"kivo.mod", "p_mod", "kivo.mod"},
      {"kivo.lock", "p_lock", "kivo.lock"},
  };
  for (const optional_input& input : optional_inputs) {
    if (!os::entry_exists(input.read_path)) continue;
    entries.push_back({input.array_name, input.table_path,
                       dump(out, chunk, input.read_path, input.array_name)});
  }

  std::vector<std::string> names;
  if (os::list_directory("lib", names) == os::list_status::failed) {
    throw failure{"Cannot open: lib\n"};
  }
  // Byte-wise name order (std::string compares as unsigned char), whatever order the file
  // system lists them in: the same tree always gives the same header.
  std::sort(names.begin(), names.end());
  std::size_t lib_count = 0;
  for (const std::string& name : names) {
    const std::string read_path = "lib/" + name;
    if (os::is_directory(read_path)) continue;
    std::string array_name = "p_lib" + std::to_string(lib_count);
    const std::uint64_t size = dump(out, chunk, read_path, array_name);
    entries.push_back({std::move(array_name), "lib\\" + name, size});
    ++lib_count;
  }

  write_table(out, entries);
  out.flush();
  return entries.size();
}

void report(std::string_view message) { std::fwrite(message.data(), 1, message.size(), stderr); }

int run() {
  os::prepare_process();
  os::output_file file;
  // Checked again before the header is replaced; this spares the run when it cannot be.
  if (!os::may_replace(header_path) || !os::create_temp("tools", "payload.h", file)) {
    report(cannot_write);
    return 1;
  }
  std::size_t count = 0;
  try {
    header_writer out(file);
    count = generate(out);
  } catch (const failure& f) {
    os::discard_output(file);
    report(f.message);
    return 1;
  } catch (const std::bad_alloc&) {
    os::discard_output(file);
    report("OOM\n");
    return 1;
  }
  if (!os::commit_output(file, header_path)) {
    report(cannot_write);
    return 1;
  }
  std::printf("payload.h generated: %d files embedded.\n", static_cast<int>(count));
  return 0;
}

}  // namespace
}  // namespace payloadgen

int main() { return payloadgen::run(); }
