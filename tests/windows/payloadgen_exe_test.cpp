// payloadgen.exe run in generated source trees, as a user runs it: its header must be the
// model's, with every line end CR LF (the header is a text file).
#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "payload_model.h"

namespace payloadgen_test {
namespace {

namespace fs = std::filesystem;

std::string read_file(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void write_file(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string random_bytes(std::size_t n, std::uint32_t seed) {
  std::mt19937 next(seed);
  std::string bytes(n, '\0');
  for (char& c : bytes) c = static_cast<char>(next() >> 24);
  return bytes;
}

std::string crlf(const std::string& text) {
  std::string out;
  for (const char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

// A fresh directory under the temporary directory, removed with its contents.
struct scratch_dir {
  fs::path path;
  explicit scratch_dir(const std::string& name)
      : path(fs::temp_directory_path() /
             ("payloadgen-exe-" + name + "-" + std::to_string(GetCurrentProcessId()))) {
    fs::remove_all(path);
    fs::create_directories(path / "tools");
  }
  ~scratch_dir() {
    std::error_code ignored;
    fs::remove_all(path, ignored);
  }
};

struct run_result {
  DWORD exit_code = 0;
  std::string out, err;
};

// Runs payloadgen.exe with dir as its current directory, its output and errors in files.
run_result run_payloadgen(const fs::path& dir) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  const fs::path out_path = dir.parent_path() / (dir.filename().string() + ".out");
  const fs::path err_path = dir.parent_path() / (dir.filename().string() + ".err");
  HANDLE out = CreateFileA(out_path.string().c_str(), GENERIC_WRITE, 0, &inherit, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  HANDLE err = CreateFileA(err_path.string().c_str(), GENERIC_WRITE, 0, &inherit, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = INVALID_HANDLE_VALUE;
  startup.hStdOutput = out;
  startup.hStdError = err;
  // The build path is a Unix one; wine shows the Unix root as drive Z:.
  std::string exe = PAYLOADGEN_EXE;
  if (!exe.empty() && exe[0] == '/') exe = "Z:" + exe;
  std::string command = "\"" + exe + "\"";
  PROCESS_INFORMATION process{};
  run_result r;
  if (CreateProcessA(exe.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                     dir.string().c_str(), &startup, &process)) {
    WaitForSingleObject(process.hProcess, INFINITE);
    GetExitCodeProcess(process.hProcess, &r.exit_code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  } else {
    ADD_FAILURE() << "cannot start " << exe << ": error " << GetLastError();
    r.exit_code = static_cast<DWORD>(-1);
  }
  CloseHandle(out);
  CloseHandle(err);
  r.out = read_file(out_path);
  r.err = read_file(err_path);
  fs::remove(out_path);
  fs::remove(err_path);
  return r;
}

void expect_model(const std::string& name, const tree& t) {
  SCOPED_TRACE(name);
  scratch_dir dir(name);
  for (const auto& [path, bytes] : t) write_file(dir.path / path, bytes);
  if (t.count("lib/a.txt") != 0) {
    // Skipped: a subdirectory with a file, and an empty one whose name has a dot.
    write_file(dir.path / "lib/sub/inner.kv", "not listed");
    fs::create_directories(dir.path / "lib/c.dir");
  }
  const run_result r = run_payloadgen(dir.path);
  EXPECT_EQ(r.exit_code, 0u) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out, crlf("payload.h generated: " + std::to_string(model_records(t).size()) +
                        " files embedded.\n"));
  EXPECT_EQ(read_file(dir.path / "tools/payload.h"), crlf(model_header(t)));
}

TEST(PayloadgenExe, WritesTheModelsHeaderWithCrLfLineEnds) {
  // Every input present, kivo.lock empty, kivo.mod exactly one full line of values, bytes
  // that text mode would mangle (CR, LF, ^Z, NUL), and library names whose byte-wise order
  // differs from the case-blind order (B < Z < _ < a).
  expect_model("full", {{"bin/Release/kivoc.exe", random_bytes(5000, 1)},
                        {"bin/Release/kivo.exe", std::string("kivo\r\n\x1a\n\r\ttail\0", 15)},
                        {"kivo.mod", "module kivo 1.0\n"},
                        {"kivo.lock", ""},
                        {"lib/a.txt", "abc"},
                        {"lib/B.txt", "B\n"},
                        {"lib/Z.lib.kv", "fn z() {}\n"},
                        {"lib/_u.kv", "_"},
                        {"lib/zeta", "no dot in the name, and more than one line of values"},
                        {"lib/a b.kv", "a blank in the name"}});
  // Only the compiler: no optional input, no lib directory.
  expect_model("bare", {{"bin/Release/kivoc.exe", "0123456789abcdef0"}});
  // A regular file named lib adds nothing, like a missing lib directory.
  expect_model("lib-file", {{"bin/Release/kivoc.exe", "k"}, {"lib", "not a directory"}});
}

TEST(PayloadgenExe, LeavesAReadOnlyHeaderAlone) {
  scratch_dir dir("read-only");
  write_file(dir.path / "bin/Release/kivoc.exe", "k");
  const fs::path header = dir.path / "tools/payload.h";
  write_file(header, "/* the previous header */\n");
  ASSERT_TRUE(SetFileAttributesA(header.string().c_str(), FILE_ATTRIBUTE_READONLY));
  const run_result r = run_payloadgen(dir.path);
  SetFileAttributesA(header.string().c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(r.exit_code, 1u);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "Cannot write tools/payload.h\r\n");
  EXPECT_EQ(read_file(header), "/* the previous header */\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path / "tools"), fs::directory_iterator()), 1);
}

TEST(PayloadgenExe, NamesTheCompilerItCannotOpen) {
  scratch_dir dir("broken");
  const run_result r = run_payloadgen(dir.path);
  EXPECT_EQ(r.exit_code, 1u);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "Cannot open: bin/Release/kivoc.exe\r\n");
  EXPECT_FALSE(fs::exists(dir.path / "tools/payload.h"));
}

}  // namespace
}  // namespace payloadgen_test
