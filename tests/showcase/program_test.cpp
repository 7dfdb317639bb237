// The built Linux showcase, run as a separate process.
#include <elf.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "target_runner.h"

namespace {

using kivo::test::emulated;
using kivo::test::run_command;

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

struct outcome {
  std::string out;
  int exit_code = -1;
};

outcome run(const std::string& command) {
  outcome result;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return result;
  char buf[4096];
  for (size_t n; (n = fread(buf, 1, sizeof buf, pipe)) > 0;) result.out.append(buf, n);
  const int status = pclose(pipe);
  if (WIFEXITED(status)) result.exit_code = WEXITSTATUS(status);
  return result;
}

TEST(ShowcaseProgram, PrintsTheExactReport) {
  const outcome r = run(run_command(SHOWCASE));
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out, read_file(EXPECTED_REPORT));
}

// The same report whatever the page size: the entry reads it from the auxiliary vector. qemu
// stands in for the kernels with 16 KiB and 64 KiB pages that aarch64 machines may run.
TEST(ShowcaseProgram, PrintsTheExactReportWithLargerPages) {
  if (!emulated) GTEST_SKIP() << "only an emulator gives a program another page size";
  for (const char* size : {"16384", "65536"}) {
    const outcome r = run(std::string(kivo::test::target_runner) + " -p " + size + " " SHOWCASE);
    EXPECT_EQ(r.exit_code, 0) << size;
    EXPECT_EQ(r.out, read_file(EXPECTED_REPORT)) << size;
  }
}

// A non-blocking standard output that is full when the report starts: the program waits
// until the reader makes room instead of dropping the rest.
TEST(ShowcaseProgram, WaitsOnAFullNonBlockingOutput) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  const int capacity = fcntl(fds[1], F_SETPIPE_SZ, 4096);
  ASSERT_GT(capacity, 0);
  const std::string filler(static_cast<size_t>(capacity) - 100, '.');
  ASSERT_EQ(write(fds[1], filler.data(), filler.size()), static_cast<ssize_t>(filler.size()));
  ASSERT_EQ(fcntl(fds[1], F_SETFL, O_WRONLY | O_NONBLOCK), 0);
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(fds[1], 1);
    kivo::test::exec_program(SHOWCASE, SHOWCASE);
    _exit(127);
  }
  close(fds[1]);
  usleep((emulated ? 1000 : 200) * 1000);  // long enough for the program to meet the full pipe
  std::string got;
  char buf[4096];
  for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;) got.append(buf, static_cast<size_t>(n));
  close(fds[0]);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  ASSERT_EQ(got.compare(0, filler.size(), filler), 0);
  EXPECT_EQ(got.substr(filler.size()), read_file(EXPECTED_REPORT));
}

TEST(ShowcaseProgram, IsFullyStatic) {
  const std::string image = read_file(SHOWCASE);
  ASSERT_GE(image.size(), sizeof(Elf64_Ehdr));
  Elf64_Ehdr header;
  image.copy(reinterpret_cast<char*>(&header), sizeof header);
  ASSERT_EQ(std::string(reinterpret_cast<char*>(header.e_ident), 4), "\177ELF");
  EXPECT_EQ(header.e_type, ET_EXEC);
  for (int i = 0; i < header.e_phnum; ++i) {
    Elf64_Phdr ph;
    image.copy(reinterpret_cast<char*>(&ph), sizeof ph, header.e_phoff + i * header.e_phentsize);
    EXPECT_NE(ph.p_type, static_cast<Elf64_Word>(PT_INTERP));
    EXPECT_NE(ph.p_type, static_cast<Elf64_Word>(PT_DYNAMIC));
  }
}

// One write per piece of text and one per line end; besides those, the program may only map
// and unmap memory and exit. Under qemu-user, strace would trace qemu; qemu's own log of the
// program's calls (every call, each line led by the process id) takes its place.
TEST(ShowcaseProgram, SystemCallsMatchTheOutputContract) {
  const std::string log = testing::TempDir() + "showcase.strace";
  std::string command = "strace -e trace=write,mmap,munmap,exit_group -o " + log + " " SHOWCASE;
  if (emulated) {
    command = std::string(kivo::test::target_runner) + " -strace -D " + log + " " SHOWCASE;
  } else if (std::system("strace -V > /dev/null 2>&1") != 0) {
    GTEST_SKIP() << "strace is not installed";
  }
  const outcome r = run(command);
  ASSERT_EQ(r.exit_code, 0);
  int writes = 0, other = 0;
  std::istringstream lines(read_file(log));
  for (std::string line; std::getline(lines, line);) {
    if (emulated) line.erase(0, line.find(' ') + 1);
    if (line.rfind("write(1,", 0) == 0) {
      ++writes;
    } else if (line.rfind("mmap(", 0) == 0 || line.rfind("munmap(", 0) == 0) {
      continue;
    } else if (line.rfind("exit_group(0)", 0) != 0 && line.rfind("+++", 0) != 0) {
      ++other;
      ADD_FAILURE() << "unexpected: " << line;
    }
  }
  EXPECT_EQ(writes, 2 * 74 - 2 * 7);  // a heading that starts with "\n" is two lines in two writes
  EXPECT_EQ(other, 0);
}

}  // namespace
