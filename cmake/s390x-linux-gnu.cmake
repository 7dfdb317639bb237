# Cross build for Linux on IBM Z (s390x, big-endian) with Debian's cross compiler (package
# g++-s390x-linux-gnu); its programs and tests run under qemu-s390x (package qemu-user).
set(CMAKE_SYSTEM_PROCESSOR s390x)
set(KIVO_CROSS_TRIPLE s390x-linux-gnu)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
