// Every failure payloadgen can meet: its message on standard error, exit code 1, no count line,
// and tools/ left exactly as it was (the previous header untouched, no temporary file).
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "payloadgen_support.h"
#include "target_runner.h"

namespace payloadgen_test {
namespace {

namespace fs = std::filesystem;

// The compiler's array alone outgrows the tool's 1 MiB output buffer.
const tree base = {{"bin/Release/kivoc.exe", random_bytes(300 * 1024, 31)},
                   {"kivo.mod", "module kivo\n"},
                   {"lib/a.txt", "abc"},
                   {"lib/b.bin", random_bytes(40, 32)}};

struct failure_case {
  std::string message;
  std::string path;  // relative to the root
  // What to make of path: "" (leave it), "gone", "directory", "fifo", "open fifo" (one with a
  // reader), "device", "socket", "sparse", "no read", "read-only", or else a link to kind.
  std::string kind;
  run_options options = {};
  std::uint64_t sparse_size = 0;
};

// Returns a descriptor to keep open during the run, or -1.
int arrange(const std::string& root, const failure_case& c) {
  const std::string path = root + "/" + c.path;
  if (c.kind == "" || c.kind == "no read" || c.kind == "read-only") {
    if (c.kind != "") chmod(path.c_str(), c.kind == "no read" ? 0300 : 0555);
    return -1;
  }
  fs::remove_all(path);
  if (c.kind == "directory") {
    fs::create_directory(path);
  } else if (c.kind == "fifo" || c.kind == "open fifo") {
    if (mkfifo(path.c_str(), 0644) != 0) throw std::runtime_error("mkfifo failed");
    if (c.kind == "open fifo") return open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  } else if (c.kind == "device") {  // like /dev/null
    if (mknod(path.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0) throw std::runtime_error("mknod failed");
  } else if (c.kind == "socket") {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) throw std::runtime_error("socket path too long");
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int s = socket(AF_UNIX, SOCK_STREAM, 0);
    const bool bound = bind(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    close(s);
    if (!bound) throw std::runtime_error("cannot make a socket");
  } else if (c.kind == "sparse") {
    write_file(path, "");
    fs::resize_file(path, c.sparse_size);
  } else if (c.kind != "gone") {
    fs::create_symlink(c.kind, path);
  }
  return -1;
}

// Builds the base tree, with or without a previous header, arranges c, and checks the failure.
void expect_failure(const failure_case& c, bool previous_header) {
  SCOPED_TRACE(c.message + "  (" + c.path + ": " + c.kind + ")");
  scratch_dir dir;
  build_tree(dir.path, base);
  if (previous_header || c.path == "tools/payload.h") {
    write_file(dir / "tools/payload.h", "/* the previous header */\n");
  }
  const int held = arrange(dir.path, c);
  const std::string before = dir_state(dir / "tools");
  const run_result r = run_payloadgen(dir.path, c.options);
  if (held >= 0) close(held);
  for (const char* sub : {"tools", "lib"}) chmod((dir / sub).c_str(), 0755);  // for clean-up
  if (r.setup_failed && c.options.read_only_tools) return;  // no private mount namespace here
  EXPECT_EQ(r.signal, 0) << "payloadgen was killed (SIGALRM: it hung)";
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.err, c.message);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(dir_state(dir / "tools"), before);
  if (c.path != "kivo.mod") {
    EXPECT_EQ(read_file(dir / "kivo.mod"), base.at("kivo.mod"));
  }
}

TEST(PayloadgenFailure, EveryFailureLeavesTheOldHeader) {
  const std::string cannot_write = "Cannot write tools/payload.h\n",
                    kivoc = "bin/Release/kivoc.exe";
  const bool root = geteuid() == 0;  // root writes through permission bits, not read-only mounts
  // The file size limit turns a tool that would embed a sparse 2 GiB file anyway into a quick
  // failure instead of gigabytes of header.
  const run_options size_limit = {std::uint64_t{16} << 20};
  run_options unprivileged;
  unprivileged.no_dac_override = true;
  run_options no_renames, named_no_renames;
  no_renames.no_renames = named_no_renames.no_renames = true;
  named_no_renames.no_unnamed_files = true;
  std::vector<failure_case> cases = {
      {"Cannot open: bin/Release/kivoc.exe\n", kivoc, "gone"},
      {cannot_write, "tools", "gone"},
      {cannot_write, "tools/payload.h", "directory"},
      // A header that could not be opened for writing is not replaced either.
      {cannot_write, "tools/payload.h", "read-only", unprivileged},
      // Nor one that is a link: writing through it would reach a file outside the tree's
      // header (here kivo.mod).
      {cannot_write, "tools/payload.h", "../kivo.mod"},
      {cannot_write, "tools/payload.h", "nowhere"},
      {cannot_write, "tools", "read-only", {{}, root}},
      // Only a regular file is replaced, never a FIFO that could be opened or a device.
      {cannot_write, "tools/payload.h", "open fifo"},
      // Broken links are files that cannot be opened, not entries to skip.
      {"Cannot open: lib/dangling\n", "lib/dangling", "nowhere"},
      {"Cannot open: kivo.mod\n", "kivo.mod", "nowhere"},
      {"Cannot open: kivo.mod\n", "kivo.mod", "directory"},
      // Nobody writes to the FIFOs: reading one would block for ever.
      {"Not a regular file: bin/Release/kivoc.exe\n", kivoc, "fifo"},
      {"Not a regular file: lib/fifo\n", "lib/fifo", "fifo"},
      {"Not a regular file: lib/null\n", "lib/null", "/dev/null"},
      {"Not a regular file: lib/socket\n", "lib/socket", "socket"},
      // /proc files are measured at 0 bytes and give more.
      {"Cannot open: lib/grows\n", "lib/grows", "/proc/version"},
      {"File too large: lib/huge\n", "lib/huge", "sparse", size_limit, std::uint64_t{1} << 31},
      {"File too large: lib/huge\n", "lib/huge", "sparse", size_limit,
       (std::uint64_t{1} << 32) + 3},
  };
  if (!kivo::test::emulated) {  // the renames are refused by seccomp, which qemu does not run
    // The final rename fails: the temporary file goes too.
    cases.push_back({cannot_write, "", "", no_renames});
    cases.push_back({cannot_write, "", "", named_no_renames});
  }
  if (!root) {
    cases.push_back({"Cannot open: lib/a.txt\n", "lib/a.txt", "no read"});
    cases.push_back({"Cannot open: lib\n", "lib", "no read"});
  } else {
    cases.push_back({cannot_write, "tools/payload.h", "device"});
  }
  // sysfs files are measured at a page and give less.
  for (const char* shrinking : {"/sys/kernel/mm/transparent_hugepage/enabled",
                                "/sys/kernel/profiling", "/sys/power/state"}) {
    std::error_code missing;
    if (fs::file_size(shrinking, missing) == 4096 && read_file(shrinking).size() < 4096) {
      cases.push_back({"Cannot open: lib/shrinks\n", "lib/shrinks", shrinking});
      break;
    }
  }
  // A full disk in the first, a middle and the last write.
  const std::uint64_t header_size = model_header(base).size();
  for (const std::uint64_t limit :
       {std::uint64_t{0}, std::uint64_t{1}, std::uint64_t{4095}, std::uint64_t{1} << 20,
        (std::uint64_t{1} << 20) + 1, header_size - 1}) {
    cases.push_back({cannot_write, "", "", {limit}});
  }
  // Half the cases run without a previous header: then none may appear.
  for (std::size_t i = 0; i < cases.size(); ++i) expect_failure(cases[i], i % 2 == 0);

  // The limits above are tight: exactly the header's size is enough.
  scratch_dir dir;
  build_tree(dir.path, base);
  EXPECT_EQ(run_payloadgen(dir.path, {header_size}).exit_code, 0);
}

bool unnamed_files_work(const std::string& dir) {
  const int fd = open(dir.c_str(), O_TMPFILE | O_WRONLY, 0600);
  if (fd >= 0) close(fd);
  return fd >= 0;
}

// Runs that must find no unnamed files get them refused by a seccomp filter, which qemu-user
// does not run (it answers ENOSYS).
constexpr const char* no_seccomp = "qemu-user runs no seccomp filter, which refuses unnamed files";

// Stopped in the middle, by a signal it can handle or by SIGKILL (which only an unnamed
// temporary file survives without a trace), with and without unnamed files.
void expect_stopped_run_leaves_nothing(int signal, bool no_unnamed_files) {
  SCOPED_TRACE(std::string(strsignal(signal)) + (no_unnamed_files ? ", named" : ""));
  // A sparse 64 MiB compiler makes the run long enough to be stopped in the middle.
  scratch_dir dir;
  build_tree(dir.path, base);
  if (!no_unnamed_files && !unnamed_files_work(dir / "tools")) {
    ADD_FAILURE() << "no O_TMPFILE on the file system of " << dir.path;
    return;
  }
  fs::resize_file(dir / "bin/Release/kivoc.exe", 64 << 20);
  const std::string before = dir_state(dir / "tools");
  run_options options;
  options.stop_signal = signal;
  options.no_unnamed_files = no_unnamed_files;
  options.terminate_when = [&dir](int pid) { return has_file_open_in(pid, dir / "tools"); };
  EXPECT_EQ(run_payloadgen(dir.path, options).signal, signal);
  EXPECT_EQ(dir_state(dir / "tools"), before);
}

TEST(PayloadgenFailure, StoppedRunLeavesNoTemporaryFile) {
  expect_stopped_run_leaves_nothing(SIGTERM, false);
  expect_stopped_run_leaves_nothing(SIGKILL, false);
}

TEST(PayloadgenFailure, StoppedRunLeavesNoNamedTemporaryFile) {
  if (kivo::test::emulated) GTEST_SKIP() << no_seccomp;
  expect_stopped_run_leaves_nothing(SIGTERM, true);
}

// A symbolic link planted at the temporary file's name is neither followed nor replaced.
void expect_planted_link_left_alone(bool no_unnamed_files) {
  SCOPED_TRACE(no_unnamed_files ? "named temporary file" : "unnamed temporary file");
  scratch_dir dir;
  build_tree(dir.path, base);
  run_options options;
  options.no_unnamed_files = no_unnamed_files;
  options.plant_at_temp_name = "../kivo.mod";
  const run_result r = run_payloadgen(dir.path, options);
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(read_file(dir / "kivo.mod"), base.at("kivo.mod"));
  EXPECT_EQ(read_file(dir / "tools/payload.h"), model_header(base));
  int links = 0;
  for (const fs::directory_entry& e : fs::directory_iterator(dir / "tools")) {
    links += e.is_symlink() && fs::read_symlink(e.path()) == "../kivo.mod";
  }
  EXPECT_EQ(links, 1);
}

TEST(PayloadgenFailure, PlantedLinkAtTheTemporaryNameIsLeftAlone) { expect_planted_link_left_alone(false); }

TEST(PayloadgenFailure, PlantedLinkAtTheNamedTemporaryNameIsLeftAlone) {
  if (kivo::test::emulated) GTEST_SKIP() << no_seccomp;
  expect_planted_link_left_alone(true);
}

// Where /proc is not mounted, the unnamed temporary file is named through its descriptor.
TEST(PayloadgenFailure, HeaderIsWrittenWithoutProc) {
  if (PAYLOADGEN_SANITIZED) GTEST_SKIP() << "the sanitizer runtime needs /proc";
  scratch_dir dir;
  build_tree(dir.path, base);
  if (!unnamed_files_work(dir / "tools")) GTEST_SKIP() << "no O_TMPFILE on the file system of " << dir.path;
  run_options options;
  options.no_proc = true;
  const run_result r = run_payloadgen(dir.path, options);
  if (r.setup_failed) GTEST_SKIP() << "cannot mount over /proc in a private mount namespace (needs root)";
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(read_file(dir / "tools/payload.h"), model_header(base));
}

}  // namespace
}  // namespace payloadgen_test
