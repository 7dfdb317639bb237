// The Linux process entry on riscv64. The kernel starts us with sp at argc, followed by the
// argument, environment and auxiliary vectors. Compiled code may reach small data through
// gp, which nothing has set yet: it is loaded first, with linker relaxation off for that one
// instruction pair, since a relaxed load would address __global_pointer$ through gp itself.
// Then the stack address goes to linux_entry with sp 16-byte aligned, as a call expects; the
// cleared return address ends a backtrace here. linux_entry never returns; should it, the
// ebreak traps.
#include "core/arch.h"

asm(R"(
    .text
    .globl _start
    .type _start, @function
_start:
    .option push
    .option norelax
    lla gp, __global_pointer$
    .option pop
    mv a0, sp
    andi sp, sp, -16
    li ra, 0
    li s0, 0
    call linux_entry
    ebreak
)");
