// The Linux process entry on x86-64. The kernel starts us with the stack pointer at argc,
// followed by the argument, environment and auxiliary vectors. Hand that address to
// linux_entry (first argument in rdi) with the stack aligned as a call expects; it never
// returns.
#include "core/arch.h"

asm(R"(
    .text
    .globl _start
    .type _start, @function
_start:
    xor %ebp, %ebp
    mov %rsp, %rdi
    and $-16, %rsp
    call linux_entry
    hlt
)");
