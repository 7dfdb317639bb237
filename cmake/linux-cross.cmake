# What the Linux cross builds share, included by their toolchain files (aarch64-linux-gnu.cmake
# and the like) once these have set CMAKE_SYSTEM_PROCESSOR and KIVO_CROSS_TRIPLE. Debian's cross
# compilers (package g++-<triple>) bring the target's C and C++ libraries under /usr/<triple>.
set(CMAKE_SYSTEM_NAME Linux)

set(CMAKE_C_COMPILER ${KIVO_CROSS_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${KIVO_CROSS_TRIPLE}-g++)

set(CMAKE_FIND_ROOT_PATH /usr/${KIVO_CROSS_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
