// Every failure payloadgen can meet: its message, exit code 1, no count line, and tools/ left
// exactly as it was (the previous header's bytes, inode and time stamp; no temporary file).
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <iterator>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "payloadgen_support.h"

namespace payloadgen_test {
namespace {

class PayloadgenFailure : public testing::Test {
 protected:
  void SetUp() override {
    t.kivoc = random_bytes(300, 31);
    t.mod = "module kivo\n";
    t.lib = {{"a.txt", "abc"}, {"b.bin", random_bytes(40, 32)}};
    build_tree(dir.path(), t);
    write_file(dir / "tools/payload.h", "/* the previous header */\n");
  }

  std::string tools() const { return dir / "tools"; }

  // Runs payloadgen and checks the whole failure contract; returns the run for more checks.
  run_result expect_failure(const std::string& message, const run_options& options = {}) {
    const std::vector<entry_state> before = snapshot(tools());
    run_result r = run_payloadgen(dir.path(), options);
    if (r.setup_failed) return r;
    EXPECT_FALSE(r.timed_out) << "payloadgen hung";
    EXPECT_EQ(r.signal, 0);
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.err, message);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(snapshot(tools()), before);
    return r;
  }

  void make_fifo(const std::string& path) { ASSERT_EQ(mkfifo(path.c_str(), 0644), 0); }

  scratch_dir dir;
  tree t;
};

TEST_F(PayloadgenFailure, MissingInputsAndOutputDirectory) {
  std::filesystem::remove(dir / "bin/Release/kivoc.exe");
  expect_failure("Cannot open: bin/Release/kivoc.exe\n");
  // Without an earlier header, none appears.
  std::filesystem::remove(dir / "tools/payload.h");
  expect_failure("Cannot open: bin/Release/kivoc.exe\n");

  std::filesystem::remove_all(tools());
  expect_failure("Cannot write tools/payload.h\n");
  EXPECT_FALSE(std::filesystem::exists(tools()));
}

TEST_F(PayloadgenFailure, BrokenLinksAreFilesThatCannotBeOpened) {
  ASSERT_EQ(symlink("nowhere", (dir / "lib/dangling").c_str()), 0);
  expect_failure("Cannot open: lib/dangling\n");
  std::filesystem::remove(dir / "lib/dangling");

  std::filesystem::remove(dir / "kivo.mod");
  ASSERT_EQ(symlink("nowhere", (dir / "kivo.mod").c_str()), 0);
  expect_failure("Cannot open: kivo.mod\n");
}

TEST_F(PayloadgenFailure, UnreadableFilesAndDirectories) {
  // A directory where a file must be dumped cannot be read as one.
  std::filesystem::remove(dir / "kivo.mod");
  make_dirs(dir / "kivo.mod");
  expect_failure("Cannot open: kivo.mod\n");
  std::filesystem::remove(dir / "kivo.mod");

  if (geteuid() == 0) GTEST_SKIP() << "permission bits do not stop root from reading";
  write_file(dir / "lib/secret", "x");
  chmod((dir / "lib/secret").c_str(), 0);
  expect_failure("Cannot open: lib/secret\n");
  std::filesystem::remove(dir / "lib/secret");
  chmod((dir / "lib").c_str(), 0300);
  expect_failure("Cannot open: lib\n");
  chmod((dir / "lib").c_str(), 0755);
}

TEST_F(PayloadgenFailure, SpecialFilesAreRefusedWithoutWaiting) {
  // Nobody ever writes to these FIFOs: reading one would block for ever.
  make_fifo(dir / "lib/fifo");
  expect_failure("Not a regular file: lib/fifo\n");
  std::filesystem::remove(dir / "lib/fifo");

  ASSERT_EQ(symlink("/dev/null", (dir / "lib/null").c_str()), 0);
  expect_failure("Not a regular file: lib/null\n");
  std::filesystem::remove(dir / "lib/null");

  const std::string socket_path = dir / "lib/socket";
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  ASSERT_LT(socket_path.size(), sizeof address.sun_path);
  std::memcpy(address.sun_path, socket_path.c_str(), socket_path.size() + 1);
  const int s = socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(s, 0);
  ASSERT_EQ(bind(s, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
  close(s);
  expect_failure("Not a regular file: lib/socket\n");
  std::filesystem::remove(socket_path);

  std::filesystem::remove(dir / "kivo.mod");
  make_fifo(dir / "kivo.mod");
  expect_failure("Not a regular file: kivo.mod\n");
  std::filesystem::remove(dir / "kivo.mod");
  std::filesystem::remove(dir / "bin/Release/kivoc.exe");
  make_fifo(dir / "bin/Release/kivoc.exe");
  expect_failure("Not a regular file: bin/Release/kivoc.exe\n");
}

TEST_F(PayloadgenFailure, FilesOf2GiBOrMoreAreRefused) {
  // Sparse files: nothing is read before the size is checked. The file size limit turns a
  // tool that would embed them anyway into a quick failure instead of gigabytes of header.
  run_options options;
  options.file_size_limit = std::uint64_t{1} << 20;
  for (const std::uint64_t size : {std::uint64_t{1} << 31, (std::uint64_t{1} << 32) + 3}) {
    SCOPED_TRACE(size);
    const std::string path = dir / "lib/huge";
    write_file(path, "");
    ASSERT_EQ(truncate(path.c_str(), static_cast<off_t>(size)), 0);
    expect_failure("File too large: lib/huge\n", options);
  }
}

TEST_F(PayloadgenFailure, FilesThatChangeSizeWhileReadAreRefused) {
  // Kernel files are measured at one size and read at another: /proc reports 0 bytes and
  // gives more, sysfs reports a page and gives less.
  ASSERT_EQ(symlink("/proc/version", (dir / "lib/grows").c_str()), 0);
  expect_failure("Cannot open: lib/grows\n");
  std::filesystem::remove(dir / "lib/grows");

  const char* shrinking = nullptr;
  for (const char* candidate : {"/sys/kernel/mm/transparent_hugepage/enabled",
                                "/sys/kernel/profiling", "/sys/power/state"}) {
    struct stat st;
    if (stat(candidate, &st) == 0 && st.st_size == 4096 &&
        read_file(candidate).size() < 4096) {
      shrinking = candidate;
      break;
    }
  }
  if (shrinking == nullptr) GTEST_SKIP() << "no sysfs file that reads shorter than its size";
  ASSERT_EQ(symlink(shrinking, (dir / "lib/shrinks").c_str()), 0);
  expect_failure("Cannot open: lib/shrinks\n");
}

TEST_F(PayloadgenFailure, FullDiskAtAnyPointOfTheWrite) {
  // A header larger than the tool's output buffer, so the limit is met in early, middle and
  // final writes.
  t.kivoc = random_bytes(300 * 1024, 33);
  build_tree(dir.path(), t);
  const std::uint64_t header_size = model_header(t).size();
  ASSERT_GT(header_size, 1u << 20);
  bool ignore = false;
  for (const std::uint64_t limit : {std::uint64_t{0}, std::uint64_t{1}, std::uint64_t{4095},
                                    std::uint64_t{1} << 20, (std::uint64_t{1} << 20) + 1,
                                    header_size - 1}) {
    SCOPED_TRACE(limit);
    run_options options;
    options.file_size_limit = limit;
    options.ignore_sigxfsz = ignore = !ignore;  // payloadgen must not need the caller's help
    expect_failure("Cannot write tools/payload.h\n", options);
  }
  run_options exact;
  exact.file_size_limit = header_size;
  const run_result r = run_payloadgen(dir.path(), exact);
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(read_file(dir / "tools/payload.h"), model_header(t));
}

TEST_F(PayloadgenFailure, HeaderThatCannotBeReplaced) {
  std::filesystem::remove(dir / "tools/payload.h");
  write_file(dir / "tools/payload.h/keep", "a directory in the header's place");
  expect_failure("Cannot write tools/payload.h\n");
  EXPECT_EQ(read_file(dir / "tools/payload.h/keep"), "a directory in the header's place");
}

TEST_F(PayloadgenFailure, ReadOnlyOutputDirectory) {
  run_options options;
  if (geteuid() == 0) {
    options.read_only_tools = true;  // root writes through permission bits
  } else {
    chmod(tools().c_str(), 0555);
  }
  const run_result r = expect_failure("Cannot write tools/payload.h\n", options);
  chmod(tools().c_str(), 0755);
  if (r.setup_failed) GTEST_SKIP() << "no private mount namespace for a read-only bind mount";
}

TEST_F(PayloadgenFailure, TerminatedRunLeavesNoTemporaryFile) {
  // A sparse 64 MiB compiler makes the run long enough to be stopped in the middle.
  const std::string kivoc = dir / "bin/Release/kivoc.exe";
  ASSERT_EQ(truncate(kivoc.c_str(), 64 << 20), 0);
  const std::vector<entry_state> before = snapshot(tools());
  run_options options;
  options.terminate_when = [&] {
    const auto entries = std::filesystem::directory_iterator(tools());
    return std::distance(begin(entries), end(entries)) > 1;
  };
  const run_result r = run_payloadgen(dir.path(), options);
  EXPECT_EQ(r.signal, SIGTERM);
  EXPECT_EQ(snapshot(tools()), before);
}

}  // namespace
}  // namespace payloadgen_test
