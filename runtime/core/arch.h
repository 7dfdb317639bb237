#pragma once
// The one header that names the processor: it brings in the Linux system call stubs and
// numbers of the architecture being built for, all in namespace kivo::linux_sys. Every other
// file of the Linux layer includes this one, never an architecture file itself.
#if defined(__x86_64__)
#include "core/arch_x86_64.h"
#elif defined(__aarch64__)
#include "core/arch_aarch64.h"
#elif defined(__riscv) && __riscv_xlen == 64
#include "core/arch_riscv64.h"
#elif defined(__s390x__)
#include "core/arch_s390x.h"
#else
#error "the Linux layer has no architecture file for this processor"
#endif
