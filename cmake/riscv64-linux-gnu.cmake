# Cross build for Linux on 64-bit RISC-V with Debian's cross compiler (package
# g++-riscv64-linux-gnu); its programs and tests run under qemu-riscv64 (package qemu-user).
set(CMAKE_SYSTEM_PROCESSOR riscv64)
set(KIVO_CROSS_TRIPLE riscv64-linux-gnu)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
