#include "payloadgen_support.h"

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <sstream>
#include <stdexcept>

namespace payloadgen_test {

namespace fs = std::filesystem;

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void write_file(const std::string& path, const std::string& bytes) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

std::string random_bytes(std::size_t n, std::uint32_t seed) {
  std::mt19937 next(seed);
  std::string bytes(n, '\0');
  for (char& c : bytes) c = static_cast<char>(next() >> 24);
  return bytes;
}

scratch_dir::scratch_dir() : path(fs::temp_directory_path() / "payloadgen-test-XXXXXX") {
  if (mkdtemp(path.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
}

scratch_dir::~scratch_dir() {
  std::error_code ignored;
  fs::remove_all(path, ignored);
}

void build_tree(const std::string& root, const tree& t) {
  fs::create_directories(root + "/tools");
  for (const auto& [path, bytes] : t) write_file(root + "/" + path, bytes);
}

namespace {

constexpr int setup_failed_code = 99;

[[noreturn]] void exec_child(const std::string& root, const run_options& options, int out_fd,
                             int err_fd) {
  // Only async-signal-safe calls between fork and exec.
  const int null_fd = open("/dev/null", O_RDONLY);
  if (chdir(root.c_str()) != 0 || null_fd < 0 || dup2(null_fd, 0) < 0 || dup2(out_fd, 1) < 0 ||
      dup2(err_fd, 2) < 0) {
    _exit(setup_failed_code);
  }
  if (options.file_size_limit) {
    const rlimit limit{*options.file_size_limit, *options.file_size_limit};
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(setup_failed_code);
  }
  signal(SIGXFSZ, SIG_DFL);  // payloadgen must not need its caller to ignore it
  // A private mount namespace first, so the read-only bind never shows outside the child.
  if (options.read_only_tools &&
      (unshare(CLONE_NEWNS) != 0 ||
       mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
       mount("tools", "tools", nullptr, MS_BIND, nullptr) != 0 ||
       mount(nullptr, "tools", nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0)) {
    _exit(setup_failed_code);
  }
  alarm(30);  // kept across exec: a run that hangs dies of SIGALRM
  execl(PAYLOADGEN_PATH, "payloadgen", static_cast<char*>(nullptr));
  _exit(setup_failed_code);
}

// The run has ended, so all it wrote is in the pipe.
std::string drain(int fd) {
  char buffer[65536];
  const ssize_t got = read(fd, buffer, sizeof buffer);
  close(fd);
  return std::string(buffer, got > 0 ? static_cast<std::size_t>(got) : 0);
}

}  // namespace

run_result run_payloadgen(const std::string& root, const run_options& options) {
  // Pipes, which the file size limit spares. payloadgen writes a line at most.
  int out[2], err[2];
  if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
  const pid_t pid = fork();
  if (pid == 0) exec_child(root, options, out[1], err[1]);
  close(out[1]);
  close(err[1]);
  if (pid < 0) throw std::runtime_error("fork failed");
  int status = 0;
  bool terminated = false;
  for (pid_t done; (done = waitpid(pid, &status, options.terminate_when ? WNOHANG : 0)) != pid;) {
    if (done < 0 && errno != EINTR) throw std::runtime_error("waitpid failed");
    if (done == 0 && !terminated && options.terminate_when()) terminated = kill(pid, SIGTERM) == 0;
    if (done == 0) usleep(1000);
  }
  run_result r{-1, 0, false, drain(out[0]), drain(err[0])};
  if (WIFEXITED(status)) r.exit_code = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) r.signal = WTERMSIG(status);
  r.setup_failed = r.exit_code == setup_failed_code;
  return r;
}

std::string dir_state(const std::string& dir) {
  if (!fs::is_directory(dir)) return "missing";
  std::set<std::string> entries;  // in name order
  for (const fs::directory_entry& e : fs::directory_iterator(dir)) {
    struct stat st;
    if (lstat(e.path().c_str(), &st) != 0) continue;
    std::ostringstream s;
    s << e.path().filename().string() << " mode " << std::oct << st.st_mode << std::dec << " inode "
      << st.st_ino << " mtime " << st.st_mtim.tv_sec << "." << st.st_mtim.tv_nsec;
    if (S_ISREG(st.st_mode)) s << ": " << read_file(e.path());
    entries.insert(s.str());
  }
  std::string state;
  for (const std::string& e : entries) state += e + "\n";
  return state;
}

}  // namespace payloadgen_test
