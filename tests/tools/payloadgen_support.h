// Scratch trees for payloadgen, a runner that executes the built tool in one, and an
// independent model of the header it must write.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <map>
#include <ostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace payloadgen_test {

std::string read_file(const std::string& path);
// Creates the missing parent directories too.
void write_file(const std::string& path, std::string_view bytes);
void make_dirs(const std::string& path);
// Deterministic pseudo-random bytes.
std::string random_bytes(std::size_t n, std::uint32_t seed);

// A fresh directory under the system's temporary directory, removed with its contents.
class scratch_dir {
 public:
  scratch_dir();
  ~scratch_dir();
  scratch_dir(const scratch_dir&) = delete;
  scratch_dir& operator=(const scratch_dir&) = delete;
  const std::string& path() const { return path_; }
  std::string operator/(std::string_view name) const { return path_ + "/" + std::string(name); }

 private:
  std::string path_;
};

// The inputs of a run: the four fixed files (absent when empty) and the regular files of
// lib/ by name. Directories, links and special files are added by the tests themselves.
struct tree {
  std::optional<std::string> kivoc, kivo, mod, lock;
  std::map<std::string, std::string> lib;
};

// Writes t's files under root, with an empty tools/ directory.
void build_tree(const std::string& root, const tree& t);

// The header and the count line payloadgen must produce for t on Linux.
std::string model_header(const tree& t);
std::string model_count_line(const tree& t);
// The table records in order: (table path, size).
std::vector<std::pair<std::string, std::size_t>> model_records(const tree& t);

struct run_options {
  std::optional<std::uint64_t> file_size_limit;  // RLIMIT_FSIZE of the run, in bytes
  bool ignore_sigxfsz = false;
  bool read_only_tools = false;  // tools/ bind-mounted read-only in a private mount namespace
  std::function<bool()> terminate_when;  // checked every millisecond; then SIGTERM is sent
  int timeout_ms = 20000;        // then the run counts as hung and is killed
};

struct run_result {
  int exit_code = -1;  // -1 when ended by a signal
  int signal = 0;
  bool timed_out = false;
  bool setup_failed = false;  // the child could not arrange run_options (e.g. no mounts)
  std::string out, err;
};

// Runs the built payloadgen with root as its current directory.
run_result run_payloadgen(const std::string& root, const run_options& options = {});

// What a directory holds, entry by entry: enough to tell that nothing in it was touched.
struct entry_state {
  std::string name;
  mode_t mode;
  ino_t inode;
  std::int64_t mtime_ns;
  std::string content;  // of regular files
  bool operator==(const entry_state&) const = default;
};

std::vector<entry_state> snapshot(const std::string& dir);
void PrintTo(const entry_state& e, std::ostream* os);

}  // namespace payloadgen_test
