// The Linux process entry on aarch64. The kernel starts us with sp at argc, followed by the
// argument, environment and auxiliary vectors, and sp already 16-byte aligned as the ABI
// wants it at a call; aligning it again costs one instruction and guards against nothing
// worse. The frame pointer and link register are cleared so that a backtrace ends here.
// linux_entry never returns; should it, the brk traps.
#include "core/arch.h"

asm(R"(
    .text
    .globl _start
    .type _start, %function
_start:
    mov x29, #0
    mov x30, #0
    mov x0, sp
    and x1, x0, #-16
    mov sp, x1
    bl linux_entry
    brk #0
)");
