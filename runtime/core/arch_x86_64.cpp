// The Linux process entry on x86-64. The kernel starts us with the stack pointer at argc;
// nothing of it is needed. Align the stack as a call expects and hand over to start, which
// never returns.
#include "core/arch_x86_64.h"

asm(R"(
    .text
    .globl _start
    .type _start, @function
_start:
    xor %ebp, %ebp
    and $-16, %rsp
    call start
    hlt
)");
