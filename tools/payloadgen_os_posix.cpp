// payloadgen's OS layer on POSIX systems.
#include "payloadgen_os.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace payloadgen::os {
namespace {

// The temporary header's path, for the signal handler: a run stopped by Ctrl-C or a build
// system's kill must not leave it behind. Written only while the signals are blocked.
char g_temp_path[4096];
volatile sig_atomic_t g_temp_live = 0;

void remove_temp_and_die(int sig) {
  if (g_temp_live) unlink(g_temp_path);
  signal(sig, SIG_DFL);
  raise(sig);
}

constexpr int cleanup_signals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

// Blocks the cleanup signals for its lifetime, so the handler never sees a half-updated path.
class signal_block {
 public:
  signal_block() {
    sigset_t set;
    sigemptyset(&set);
    for (int sig : cleanup_signals) sigaddset(&set, sig);
    sigprocmask(SIG_BLOCK, &set, &saved_);
  }
  ~signal_block() { sigprocmask(SIG_SETMASK, &saved_, nullptr); }
  signal_block(const signal_block&) = delete;
  signal_block& operator=(const signal_block&) = delete;

 private:
  sigset_t saved_;
};

int fd_of(handle h) { return static_cast<int>(h); }

constexpr int max_attempts = 100;

std::string temp_name(const output_file& out, int attempt) {
  return out.dir + "/." + out.final_name + "." + std::to_string(getpid()) + "." +
         std::to_string(attempt) + ".tmp";
}

// Called with the cleanup signals blocked.
void note_temp(const std::string& path) {
  std::memcpy(g_temp_path, path.c_str(), path.size() + 1);
  g_temp_live = 1;
}

enum class replace { absent, present, refused };

// What is at path now, and its status in st when it is a file that may be replaced. The
// probe opens for writing without truncating, so nothing of the file changes; O_NOFOLLOW
// refuses a symbolic link (a linked tools/ directory is followed as usual), O_NONBLOCK keeps
// a FIFO from waiting for a reader.
replace existing_mode(const std::string& path, struct stat& st) {
  int fd;
  do {
    fd = open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return errno == ENOENT ? replace::absent : replace::refused;
  const bool regular = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  close(fd);
  return regular ? replace::present : replace::refused;
}

// Links the complete unnamed file into its directory under a fresh temporary name, which
// the rename then moves over the header (a link cannot replace a file). linkat never
// follows or replaces what is at the new name. Called with the cleanup signals blocked.
bool give_name(output_file& out) {
  const std::string self = "/proc/self/fd/" + std::to_string(fd_of(out.h));
  for (int attempt = 0; attempt < max_attempts; ++attempt) {
    std::string path = temp_name(out, attempt);
    if (path.size() >= sizeof g_temp_path) return false;
    // Through /proc, or, where that is not mounted, by the descriptor itself (this needs a
    // privilege that /proc does not).
    int linked = linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW);
    if (linked != 0 && errno == ENOENT) {
      linked = linkat(fd_of(out.h), "", AT_FDCWD, path.c_str(), AT_EMPTY_PATH);
    }
    if (linked == 0) {
      note_temp(path);
      out.temp_path = std::move(path);
      return true;
    }
    if (errno != EEXIST) return false;
  }
  return false;
}

}  // namespace

void prepare_process() {
  // Past a file size limit, write() must fail with EFBIG instead of killing the process.
  signal(SIGXFSZ, SIG_IGN);
  for (int sig : cleanup_signals) {
    struct sigaction old {};
    sigaction(sig, nullptr, &old);
    if (old.sa_handler == SIG_IGN) continue;  // e.g. nohup: keep ignoring
    struct sigaction act {};
    act.sa_handler = remove_temp_and_die;
    sigemptyset(&act.sa_mask);
    sigaction(sig, &act, nullptr);
  }
}

bool entry_exists(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

bool is_directory(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

list_status list_directory(const std::string& dir, std::vector<std::string>& names) {
  DIR* d = opendir(dir.c_str());
  if (d == nullptr) {
    return errno == ENOENT || errno == ENOTDIR ? list_status::missing : list_status::failed;
  }
  list_status status = list_status::ok;
  for (;;) {
    errno = 0;
    const dirent* e = readdir(d);
    if (e == nullptr) {
      if (errno != 0) status = list_status::failed;
      break;
    }
    if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
    names.emplace_back(e->d_name);
  }
  closedir(d);
  return status;
}

open_status open_input(const std::string& path, input_file& file) {
  struct stat st;
  // Look before opening: opening a socket fails and would be misreported as unopenable.
  if (stat(path.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) return open_status::cannot_open;
    if (!S_ISREG(st.st_mode)) return open_status::not_regular;
  }
  // O_NONBLOCK: should the entry become a FIFO after the look, opening it must not wait for
  // a writer. It changes nothing for regular files.
  int fd;
  do {
    fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return open_status::cannot_open;
  if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    close(fd);
    return open_status::cannot_open;
  }
  if (!S_ISREG(st.st_mode)) {
    close(fd);
    return open_status::not_regular;
  }
  file.h = fd;
  file.size = static_cast<std::uint64_t>(st.st_size);
  return open_status::ok;
}

std::ptrdiff_t read_input(input_file& file, void* buffer, std::size_t capacity) {
  for (;;) {
    const ssize_t got = read(fd_of(file.h), buffer, capacity);
    if (got >= 0) return got;
    if (errno != EINTR) return -1;
  }
}

void close_input(input_file& file) {
  if (file.h >= 0) close(fd_of(file.h));
  file.h = -1;
}

bool may_replace(const std::string& path) {
  struct stat st;
  return existing_mode(path, st) != replace::refused;
}

bool create_temp(const std::string& dir, const std::string& final_name, output_file& out) {
  out.dir = dir;
  out.final_name = final_name;
  out.temp_path.clear();
#if defined(O_TMPFILE)
  // Any failure (a file system or kernel without unnamed files) falls back to a named file.
  int fd;
  do {
    fd = open(dir.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd >= 0) {
    out.h = fd;
    return true;
  }
#endif
  for (int attempt = 0; attempt < max_attempts; ++attempt) {
    std::string path = temp_name(out, attempt);
    if (path.size() >= sizeof g_temp_path) return false;
    signal_block blocked;
    // O_EXCL: a planted symbolic link at the name is never followed.
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd >= 0) {
      note_temp(path);
      out.h = fd;
      out.temp_path = std::move(path);
      return true;
    }
    if (errno != EEXIST && errno != EINTR) return false;
  }
  return false;
}

bool write_output(output_file& out, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t put = write(fd_of(out.h), data, size);
    if (put < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (put == 0) return false;
    data += put;
    size -= static_cast<std::size_t>(put);
  }
  return true;
}

bool commit_output(output_file& out, const std::string& final_path) {
  const int fd = fd_of(out.h);
  struct stat st;
  const replace existing = existing_mode(final_path, st);
  bool ok = existing != replace::refused;
  if (ok && existing == replace::present) ok = fchmod(fd, st.st_mode & 07777) == 0;
  signal_block blocked;
  if (ok && out.temp_path.empty()) ok = give_name(out);
  // A failed close can be the first report of a failed write (NFS, quota).
  ok = close(fd) == 0 && ok;
  out.h = -1;
  ok = ok && rename(out.temp_path.c_str(), final_path.c_str()) == 0;
  if (!ok && !out.temp_path.empty()) unlink(out.temp_path.c_str());
  g_temp_live = 0;
  return ok;
}

void discard_output(output_file& out) {
  if (out.h >= 0) close(fd_of(out.h));
  out.h = -1;
  signal_block blocked;
  if (!out.temp_path.empty()) unlink(out.temp_path.c_str());
  g_temp_live = 0;
}

}  // namespace payloadgen::os
