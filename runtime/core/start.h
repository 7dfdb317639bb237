#pragma once
#include <stdint.h>

// The program's driver, defined by the program that links the runtime, with C linkage so
// that a program written in any language can supply it. Its result, taken modulo 2^32,
// becomes the exit code.
extern "C" int64_t kivo_main();

namespace kivo {

// Process entry: runs kivo_main and ends the process. No other start-up or tear-down happens.
extern "C" [[noreturn]] void start();

}  // namespace kivo
