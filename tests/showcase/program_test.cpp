// The built Linux showcase, run as a separate process.
#include <elf.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

namespace {

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
  const outcome r = run(SHOWCASE);
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out, read_file(EXPECTED_REPORT));
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
// and unmap memory and exit.
TEST(ShowcaseProgram, SystemCallsMatchTheOutputContract) {
  if (std::system("strace -V > /dev/null 2>&1") != 0) GTEST_SKIP() << "strace is not installed";
  const std::string log = testing::TempDir() + "showcase.strace";
  const outcome r = run("strace -e trace=write,mmap,munmap,exit_group -o " + log + " " SHOWCASE);
  ASSERT_EQ(r.exit_code, 0);
  int writes = 0, other = 0;
  std::istringstream lines(read_file(log));
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("write(1, ", 0) == 0) {
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
