#include "payloadgen_support.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace payloadgen_test {

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void make_dirs(const std::string& path) { std::filesystem::create_directories(path); }

void write_file(const std::string& path, std::string_view bytes) {
  const auto slash = path.rfind('/');
  if (slash != std::string::npos && slash > 0) make_dirs(path.substr(0, slash));
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

std::string random_bytes(std::size_t n, std::uint32_t seed) {
  std::string bytes(n, '\0');
  std::uint32_t x = seed * 2654435761u + 1;
  for (char& c : bytes) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    c = static_cast<char>(x >> 24);
  }
  return bytes;
}

scratch_dir::scratch_dir() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base != nullptr && *base != '\0' ? base : "/tmp") +
                        "/payloadgen-test-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

scratch_dir::~scratch_dir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

void build_tree(const std::string& root, const tree& t) {
  make_dirs(root + "/tools");
  make_dirs(root + "/bin/Release");
  if (t.kivoc) write_file(root + "/bin/Release/kivoc.exe", *t.kivoc);
  if (t.kivo) write_file(root + "/bin/Release/kivo.exe", *t.kivo);
  if (t.mod) write_file(root + "/kivo.mod", *t.mod);
  if (t.lock) write_file(root + "/kivo.lock", *t.lock);
  if (!t.lib.empty()) make_dirs(root + "/lib");
  for (const auto& [name, bytes] : t.lib) write_file(root + "/lib/" + name, bytes);
}

namespace {

// One embedded file as the model sees it.
struct model_file {
  std::string read_path, table_path, array_name;
  const std::string* bytes;
};

std::vector<model_file> model_files(const tree& t) {
  std::vector<model_file> files;
  if (t.kivoc) files.push_back({"bin/Release/kivoc.exe", "kivoc.exe", "p_kivoc", &*t.kivoc});
  if (t.kivo) files.push_back({"bin/Release/kivo.exe", "kivo.exe", "p_kivo", &*t.kivo});
  if (t.mod) files.push_back({"kivo.mod", "kivo.mod", "p_mod", &*t.mod});
  if (t.lock) files.push_back({"kivo.lock", "kivo.lock", "p_lock", &*t.lock});
  std::vector<std::string> names;
  for (const auto& [name, bytes] : t.lib) names.push_back(name);
  const auto byte_less = [](char x, char y) {
    return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
  };
  std::sort(names.begin(), names.end(), [&](const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), byte_less);
  });
  int k = 0;
  for (const std::string& name : names) {
    std::string array_name = "p_lib" + std::to_string(k++);
    files.push_back({"lib/" + name, "lib\\" + name, std::move(array_name), &t.lib.at(name)});
  }
  return files;
}

std::string literal(const std::string& path) {
  std::string text;
  for (const char c : path) {
    const auto b = static_cast<unsigned char>(c);
    char octal[8];
    switch (c) {
      case '\\': text += "\\\\"; break;
      case '"': text += "\\\""; break;
      case '?': text += "\\?"; break;
      default:
        if (b < 32 || b == 127) {
          std::snprintf(octal, sizeof octal, "\\%03o", b);
          text += octal;
        } else {
          text += c;
        }
    }
  }
  return text;
}

}  // namespace

std::string model_header(const tree& t) {
  std::string h =
      "#pragma once\n"
      "typedef struct {\n"
      "    const char*          path;\n"
      "    const unsigned char* data;\n"
      "    unsigned long        size;\n"
      "} payload_file_t;\n"
      "\n";
  const std::vector<model_file> files = model_files(t);
  char text[8192];
  for (const model_file& f : files) {
    const std::string& bytes = *f.bytes;
    std::snprintf(text, sizeof text, "/* %s  (%ld bytes) */\n", f.read_path.c_str(),
                  static_cast<long>(bytes.size()));
    h += text;
    std::snprintf(text, sizeof text, "static const unsigned char %s[] = {\n", f.array_name.c_str());
    h += text;
    for (std::size_t i = 0; i < bytes.size();) {
      std::snprintf(text, sizeof text, "0x%02x", static_cast<unsigned char>(bytes[i]));
      h += text;
      ++i;
      if (i < bytes.size()) h += ",";
      if (i % 16 == 0) h += "\n";
    }
    h += "\n};\n\n";
  }
  h += "static const payload_file_t g_payload[] = {\n";
  for (const model_file& f : files) {
    std::snprintf(text, sizeof text, "    { \"%s\", %s, %luUL },\n", literal(f.table_path).c_str(),
                  f.array_name.c_str(), static_cast<unsigned long>(f.bytes->size()));
    h += text;
  }
  h += "    { 0, 0, 0 }\n};\n";
  return h;
}

std::string model_count_line(const tree& t) {
  return "payload.h generated: " + std::to_string(model_files(t).size()) + " files embedded.\n";
}

std::vector<std::pair<std::string, std::size_t>> model_records(const tree& t) {
  std::vector<std::pair<std::string, std::size_t>> records;
  for (const model_file& f : model_files(t)) records.emplace_back(f.table_path, f.bytes->size());
  return records;
}

namespace {

std::int64_t now_ms() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return std::int64_t{ts.tv_sec} * 1000 + ts.tv_nsec / 1000000;
}

constexpr int setup_failed_code = 99;

[[noreturn]] void exec_child(const std::string& root, const run_options& options, int out_fd,
                             int err_fd) {
  // Only async-signal-safe calls between fork and exec.
  if (chdir(root.c_str()) != 0) _exit(setup_failed_code);
  const int null_fd = open("/dev/null", O_RDONLY);
  if (null_fd < 0 || dup2(null_fd, 0) < 0 || dup2(out_fd, 1) < 0 || dup2(err_fd, 2) < 0) {
    _exit(setup_failed_code);
  }
  if (options.file_size_limit) {
    const rlimit limit{*options.file_size_limit, *options.file_size_limit};
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(setup_failed_code);
  }
  signal(SIGXFSZ, options.ignore_sigxfsz ? SIG_IGN : SIG_DFL);
  if (options.read_only_tools) {
    // A private mount namespace first, so the read-only bind never shows outside the child.
    if (unshare(CLONE_NEWNS) != 0 ||
        mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        mount("tools", "tools", nullptr, MS_BIND, nullptr) != 0 ||
        mount(nullptr, "tools", nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0) {
      _exit(setup_failed_code);
    }
  }
  execl(PAYLOADGEN_PATH, "payloadgen", static_cast<char*>(nullptr));
  _exit(setup_failed_code);
}

}  // namespace

run_result run_payloadgen(const std::string& root, const run_options& options) {
  int out_pipe[2], err_pipe[2];
  if (pipe2(out_pipe, O_CLOEXEC) != 0 || pipe2(err_pipe, O_CLOEXEC) != 0) {
    throw std::runtime_error("pipe failed");
  }
  const pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) exec_child(root, options, out_pipe[1], err_pipe[1]);
  close(out_pipe[1]);
  close(err_pipe[1]);

  run_result result;
  const std::int64_t start = now_ms();
  bool terminated = false;
  pollfd fds[2] = {{out_pipe[0], POLLIN, 0}, {err_pipe[0], POLLIN, 0}};
  std::string* sinks[2] = {&result.out, &result.err};
  int open_pipes = 2;
  while (open_pipes > 0) {
    const std::int64_t elapsed = now_ms() - start;
    if (elapsed >= options.timeout_ms) {
      result.timed_out = true;
      kill(pid, SIGKILL);
      break;
    }
    int wait_ms = static_cast<int>(options.timeout_ms - elapsed);
    if (options.terminate_when && !terminated) {
      if (options.terminate_when()) {
        kill(pid, SIGTERM);
        terminated = true;
      } else {
        wait_ms = 1;
      }
    }
    if (poll(fds, 2, wait_ms) < 0 && errno != EINTR) break;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      char buffer[4096];
      const ssize_t got = read(fds[i].fd, buffer, sizeof buffer);
      if (got > 0) {
        sinks[i]->append(buffer, static_cast<std::size_t>(got));
      } else if (got == 0 || errno != EINTR) {
        close(fds[i].fd);
        fds[i].fd = -1;
        --open_pipes;
      }
    }
  }
  for (const pollfd& p : fds) {
    if (p.fd >= 0) close(p.fd);
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(status)) {
    result.exit_code = WEXITSTATUS(status);
    result.setup_failed = result.exit_code == setup_failed_code;
  } else if (WIFSIGNALED(status)) {
    result.signal = WTERMSIG(status);
  }
  return result;
}

void PrintTo(const entry_state& e, std::ostream* os) {
  *os << e.name << " (mode " << std::oct << e.mode << std::dec << ", inode " << e.inode
      << ", mtime " << e.mtime_ns << ", " << e.content.size() << " bytes)";
}

std::vector<entry_state> snapshot(const std::string& dir) {
  std::vector<entry_state> entries;
  DIR* d = opendir(dir.c_str());
  if (d == nullptr) return entries;
  while (const dirent* e = readdir(d)) {
    const std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    struct stat st;
    if (lstat((dir + "/" + name).c_str(), &st) != 0) continue;
    entry_state s{name, st.st_mode, st.st_ino,
                  std::int64_t{st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec, {}};
    if (S_ISREG(st.st_mode)) s.content = read_file(dir + "/" + name);
    entries.push_back(std::move(s));
  }
  closedir(d);
  std::sort(entries.begin(), entries.end(),
            [](const entry_state& a, const entry_state& b) { return a.name < b.name; });
  return entries;
}

}  // namespace payloadgen_test
