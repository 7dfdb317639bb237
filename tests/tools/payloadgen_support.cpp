#include "payloadgen_support.h"

#include <fcntl.h>
#include <linux/capability.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sched.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <sstream>
#include <stdexcept>

#include "target_runner.h"

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

bool install_filter(sock_filter* code, std::size_t size) {
  sock_fprog program{static_cast<unsigned short>(size), code};
  return prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 &&
         syscall(SYS_seccomp, SECCOMP_SET_MODE_FILTER, 0, &program) == 0;
}

// Every openat with O_TMPFILE fails with EOPNOTSUPP.
bool refuse_unnamed_files() {
  constexpr unsigned tmpfile_bit = O_TMPFILE & ~O_DIRECTORY;
  // The filter loads 32 bits: the flags are the low half of a 64-bit argument, which a
  // big-endian processor keeps in its last four bytes.
  constexpr unsigned low_half = __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__ ? 4 : 0;
  sock_filter code[] = {
      BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_openat, 0, 3),
      BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, args[2]) + low_half),
      BPF_JUMP(BPF_JMP | BPF_JSET | BPF_K, tmpfile_bit, 0, 1),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EOPNOTSUPP),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
  };
  return install_filter(code, std::size(code));
}

bool refuse_renames() {
  // The rename calls this processor has: newer ones have no plain rename.
  const unsigned calls[] = {
#ifdef SYS_rename
      SYS_rename,
#endif
#ifdef SYS_renameat
      SYS_renameat,
#endif
      SYS_renameat2};
  constexpr auto count = static_cast<unsigned char>(std::size(calls));
  std::vector<sock_filter> code = {BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr))};
  for (unsigned char i = 0; i < count; ++i) {  // a match jumps past the rest to the refusal
    code.push_back(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, calls[i], static_cast<unsigned char>(count - i), 0));
  }
  code.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW));
  code.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EIO));
  return install_filter(code.data(), code.size());
}

// Out of the bounding set too, or root would have them again after exec.
bool drop_dac_override() {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct data[2] = {};
  if (syscall(SYS_capget, &header, data) != 0) return false;
  const bool privileged = (data[0].effective & (1u << CAP_SETPCAP)) != 0;
  for (const int cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER}) {
    if (privileged && prctl(PR_CAPBSET_DROP, cap, 0, 0, 0) != 0) return false;
    data[0].effective &= ~(1u << cap);
    data[0].permitted &= ~(1u << cap);
    data[0].inheritable &= ~(1u << cap);
  }
  return syscall(SYS_capset, &header, data) == 0;
}

// tools/.payload.h.<pid>.0.tmp, the first name payloadgen tries, as a link to target.
bool plant_link(const char* target) {
  char name[64] = "tools/.payload.h.";
  char digits[16];
  int n = 0;
  for (unsigned pid = static_cast<unsigned>(getpid()); pid != 0 || n == 0; pid /= 10) {
    digits[n++] = static_cast<char>('0' + pid % 10);
  }
  char* p = name + std::strlen(name);
  while (n > 0) *p++ = digits[--n];
  std::memcpy(p, ".0.tmp", 7);
  return symlink(target, name) == 0;
}

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
  // A private mount namespace first, so the mounts below never show outside the child.
  if ((options.read_only_tools || options.no_proc) &&
      (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)) {
    _exit(setup_failed_code);
  }
  if (options.read_only_tools &&
      (mount("tools", "tools", nullptr, MS_BIND, nullptr) != 0 ||
       mount(nullptr, "tools", nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0)) {
    _exit(setup_failed_code);
  }
  if (options.no_proc && mount("none", "/proc", "tmpfs", 0, nullptr) != 0) _exit(setup_failed_code);
  if (options.no_dac_override && !drop_dac_override()) _exit(setup_failed_code);
  if (!options.plant_at_temp_name.empty() && !plant_link(options.plant_at_temp_name.c_str())) {
    _exit(setup_failed_code);
  }
  if (options.no_unnamed_files && !refuse_unnamed_files()) _exit(setup_failed_code);
  if (options.no_renames && !refuse_renames()) _exit(setup_failed_code);
  alarm(30);  // kept across exec: a run that hangs dies of SIGALRM
  kivo::test::exec_program(PAYLOADGEN_PATH, "payloadgen");
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
    if (done == 0 && !terminated && options.terminate_when(pid)) {
      terminated = kill(pid, options.stop_signal) == 0;
    }
    if (done == 0) usleep(1000);
  }
  run_result r{-1, 0, false, drain(out[0]), drain(err[0])};
  if (WIFEXITED(status)) r.exit_code = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) r.signal = WTERMSIG(status);
  r.setup_failed = r.exit_code == setup_failed_code;
  return r;
}

bool has_file_open_in(int pid, const std::string& dir) {
  const std::string prefix = fs::canonical(dir).string() + "/";
  std::error_code gone;  // the process may end or close its files meanwhile
  for (fs::directory_iterator e("/proc/" + std::to_string(pid) + "/fd", gone), end;
       !gone && e != end; e.increment(gone)) {
    const std::string target = fs::read_symlink(e->path(), gone).string();
    if (!gone && target.rfind(prefix, 0) == 0) return true;
  }
  return false;
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
