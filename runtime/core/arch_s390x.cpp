// The Linux process entry on s390x. The kernel starts us with r15, the stack pointer, at
// argc, followed by the argument, environment and auxiliary vectors. That address goes to
// linux_entry in r2. A callee may store registers in the 160 bytes above the stack pointer
// it is given, so r15 moves down past that save area, kept 8-byte aligned as the ABI wants,
// and the back chain at its base is cleared so that a backtrace ends here. linux_entry never
// returns; should it, the invalid instruction (all zero bits) traps.
#include "core/arch.h"

asm(R"(
    .text
    .globl _start
    .type _start, @function
_start:
    lgr %r2, %r15
    lghi %r0, -8
    ngr %r15, %r0
    aghi %r15, -160
    xc 0(8,%r15), 0(%r15)
    brasl %r14, linux_entry
    .long 0
)");
