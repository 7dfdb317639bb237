#pragma once
#include <stdint.h>

namespace kivo {

// The program's driver, defined by the program that links the runtime. Its result, taken
// modulo 2^32, becomes the exit code.
int64_t main();

// Process entry: runs main and ends the process. No other start-up or tear-down happens.
extern "C" [[noreturn]] void start();

}  // namespace kivo
