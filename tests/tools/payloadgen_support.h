// Scratch trees for payloadgen and a runner for the built tool; the header it must write is
// payload_model.h's.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "payload_model.h"

namespace payloadgen_test {

std::string read_file(const std::string& path);
void write_file(const std::string& path, const std::string& bytes);  // makes parent dirs
std::string random_bytes(std::size_t n, std::uint32_t seed);         // deterministic

// A fresh directory under the temporary directory, removed with its contents.
struct scratch_dir {
  scratch_dir();
  ~scratch_dir();
  scratch_dir(const scratch_dir&) = delete;
  scratch_dir& operator=(const scratch_dir&) = delete;
  std::string operator/(const std::string& name) const { return path + "/" + name; }
  std::string path;
};

// Writes t's files under root, next to an empty tools/ directory.
void build_tree(const std::string& root, const tree& t);

struct run_options {
  std::optional<std::uint64_t> file_size_limit;  // RLIMIT_FSIZE, in bytes
  bool read_only_tools = false;  // tools/ bind-mounted read-only in a private mount namespace
  // Polled every millisecond with the run's process id; then stop_signal is sent.
  std::function<bool(int)> terminate_when = {};
  int stop_signal = 15;  // SIGTERM
  bool no_unnamed_files = false;  // opening with O_TMPFILE fails, as on file systems without it
  bool no_renames = false;        // every rename fails with EIO
  bool no_proc = false;  // an empty file system over /proc in a private mount namespace
  bool no_dac_override = false;   // root loses its power to write what its modes forbid
  // When set, a symbolic link to this target is planted at the run's first temporary name.
  std::string plant_at_temp_name = {};
};

struct run_result {
  int exit_code = -1;  // -1 when ended by a signal; a run that hangs ends by SIGALRM
  int signal = 0;
  bool setup_failed = false;  // the child could not arrange the options (e.g. no mounts)
  std::string out, err;
};

// Runs the built payloadgen with root as its current directory.
run_result run_payloadgen(const std::string& root, const run_options& options = {});

// Whether process pid has a file open in dir (an unnamed one included).
bool has_file_open_in(int pid, const std::string& dir);

// Name, mode, inode, time stamp and content of each entry of dir, or "missing".
std::string dir_state(const std::string& dir);

}  // namespace payloadgen_test
