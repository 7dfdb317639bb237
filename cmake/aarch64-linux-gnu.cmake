# Cross build for Linux on 64-bit Arm with Debian's cross compiler (package
# g++-aarch64-linux-gnu); its programs and tests run under qemu-aarch64 (package qemu-user).
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(KIVO_CROSS_TRIPLE aarch64-linux-gnu)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
