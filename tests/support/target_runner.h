#pragma once
// Starting the programs of this build from a test. Built for the machine the tests run on,
// they start directly; built for another processor, through the emulator the build names
// (TARGET_RUNNER, the qemu-run wrapper), since this machine would not start them itself.
#include <unistd.h>

#include <string>

namespace kivo::test {

inline constexpr const char* target_runner = TARGET_RUNNER;  // "" when programs start directly
inline constexpr bool emulated = target_runner[0] != '\0';

// The shell command that runs program with no arguments.
inline std::string run_command(const std::string& program) {
  return emulated ? std::string(target_runner) + " " + program : program;
}

// Replaces the process with program, given argv[0] name; returns only when that fails. Safe
// between fork and exec.
inline void exec_program(const char* program, const char* name) {
  if (emulated) {
    execl(target_runner, target_runner, program, static_cast<char*>(nullptr));
  } else {
    execl(program, name, static_cast<char*>(nullptr));
  }
}

}  // namespace kivo::test
