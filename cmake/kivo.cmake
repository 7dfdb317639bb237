# Shared build settings for the two kinds of target this project has:
#  - freestanding programs (the shipped showcase): no C or C++ runtime, no start files;
#  - hosted programs (tests, benchmarks, tools): the ordinary toolchain, optionally sanitized.

if(CMAKE_SYSTEM_NAME STREQUAL "Windows")
  set(KIVO_OS windows)
else()
  set(KIVO_OS linux)
endif()

# The processor: x86_64 (Linux and Windows), or, on Linux, aarch64, riscv64 or s390x. It picks
# the architecture's own sources (arch_<name>.cpp, and the x86-64 vector routines, where every
# other processor compiles the portable ones).
string(TOLOWER "${CMAKE_SYSTEM_PROCESSOR}" KIVO_ARCH)
if(KIVO_ARCH MATCHES "^(amd64|x64)$")
  set(KIVO_ARCH x86_64)
elseif(KIVO_ARCH STREQUAL "arm64")
  set(KIVO_ARCH aarch64)
endif()
if(NOT KIVO_ARCH MATCHES "^(x86_64|aarch64|riscv64|s390x)$" OR
   (KIVO_OS STREQUAL "windows" AND NOT KIVO_ARCH STREQUAL "x86_64"))
  message(FATAL_ERROR "the runtime has no port to ${CMAKE_SYSTEM_NAME} on ${CMAKE_SYSTEM_PROCESSOR}")
endif()

# The CPU features the runtime is built for. On x86-64 the bit builtins must each become one
# instruction (popcnt, lzcnt, tzcnt), and math/bits.h expands them inline in its users, so the
# flags go with the runtime to every program that links it. payloadgen links none of it and
# stays on baseline x86-64: on a processor without LZCNT, an lzcnt runs as BSR and gives
# another number. The other processors are built for their Debian baselines (armv8-a,
# rv64gc, z196), which need no flag.
add_library(kivo_cpu INTERFACE)
if(KIVO_ARCH STREQUAL "x86_64")
  target_compile_options(kivo_cpu INTERFACE -mpopcnt -mlzcnt -mbmi)
endif()

# How runtime code itself is compiled. GCC turns byte loops into calls to memcpy and memset:
# in the freestanding build those calls would land in the runtime's own memcpy and memset,
# which are such loops (compiler_support.cpp), and in hosted builds in the C library, so
# tests and benchmarks would not run the shipped code.
add_library(kivo_runtime_code INTERFACE)
target_compile_options(kivo_runtime_code INTERFACE
  $<$<CXX_COMPILER_ID:GNU>:-fno-tree-loop-distribute-patterns>)
target_link_libraries(kivo_runtime_code INTERFACE kivo_cpu)

add_library(kivo_freestanding INTERFACE)
target_compile_options(kivo_freestanding INTERFACE
  -ffreestanding -fno-stack-protector -fno-asynchronous-unwind-tables -fno-unwind-tables
  $<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions> $<$<COMPILE_LANGUAGE:CXX>:-fno-rtti>
  $<$<COMPILE_LANGUAGE:CXX>:-fno-threadsafe-statics>)
if(KIVO_OS STREQUAL "linux")
  target_compile_options(kivo_freestanding INTERFACE -fno-pie)
  if(KIVO_ARCH STREQUAL "x86_64")
    target_compile_options(kivo_freestanding INTERFACE -fcf-protection=none)
  endif()
  # The data follow the code in the file at once, as in memory. With the linker's usual page
  # of 4 KiB for this choice, it may instead start them on a page boundary of the file, and
  # does so whenever that would spare a page of memory: the file then grows by up to 4 KiB
  # of padding as soon as the zeroed data cross a page boundary.
  target_link_options(kivo_freestanding INTERFACE
    -nostdlib -static $<$<CXX_COMPILER_ID:GNU>:-no-pie> -Wl,--gc-sections -Wl,--build-id=none -Wl,-z,noexecstack
    -Wl,-z,noseparate-code -Wl,-z,common-page-size=64)
  target_link_libraries(kivo_freestanding INTERFACE gcc)
else()
  # Entered at start, with no C runtime start files; the only DLLs are kernel32 and msvcrt
  # (for sprintf alone; the runtime supplies the compiler's memcpy and memset itself).
  target_link_options(kivo_freestanding INTERFACE
    -nostdlib -nostartfiles -Wl,-e,start -Wl,--gc-sections -Wl,--subsystem,console)
  target_link_libraries(kivo_freestanding INTERFACE kernel32 msvcrt gcc)
endif()
target_compile_options(kivo_freestanding INTERFACE -ffunction-sections -fdata-sections)

# How the runtime's sources are optimised beyond the build type's level (-O3 in Release). The
# options go with each source wherever it is compiled (both runtime libraries, and the platform
# objects that tests and benchmarks build), so that tests and benchmarks run the shipped code.
# -O3 inlines, unrolls and vectorises everywhere and pays for it in bytes; where the time goes
# elsewhere, the bytes are worth more (the showcase must stay under 32 KiB). -Os for: code
# whose time goes to system calls or runs once a process (console, clock, reading the
# processor); code whose work is done by the byte routines it calls (the string builders, the
# containers, the parsers); the math (bench_math: the same speed); the editing routines; and
# the heap and str_replace, whose hot paths are inlined by hand ([[gnu::always_inline]];
# bench/heap_ratios.sh, bench_text: within 5 % of -O3, where plain -Os costs str_replace up
# to 1.8x). The byte routines, str_find and Two-Way stay at -O3: at -Os or -O2 they lose 15 %
# (mem_copy at 256 bytes) to 2x (the AVX2 routines at 256 bytes, their helpers no longer
# inlined), and str_find's two-letter family 1.3x. Called in each directory that builds
# runtime sources.
function(kivo_source_options)
  set(for_size core/platform_linux.cpp core/platform_linux_heap.cpp core/platform_windows.cpp
      core/print.cpp core/time.cpp core/cpu_x86_64.cpp math/elementary.cpp math/reduce_angle.cpp
      text/str_primitives.cpp text/str_edit.cpp text/str_replace.cpp convert/parse.cpp
      containers/vec.cpp containers/ivec.cpp containers/arena.cpp)
  foreach(source IN LISTS for_size)
    set_property(SOURCE ${PROJECT_SOURCE_DIR}/runtime/${source} APPEND PROPERTY COMPILE_OPTIONS -Os)
  endforeach()
endfunction()

# Sanitizers go on hosted targets only: a freestanding program has no runtime to host them.
function(kivo_hosted target)
  if(KIVO_SANITIZE)
    target_compile_options(${target} PRIVATE
      -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    target_link_options(${target} PRIVATE -fsanitize=address,undefined)
  endif()
endfunction()

# Windows programs built on Linux run under wine: CTest starts them through a wrapper that
# keeps wine quiet and gives it a prefix of its own in this build folder.
if(CMAKE_CROSSCOMPILING)
  set(KIVO_HOST_PAYLOADGEN "" CACHE FILEPATH
      "The build machine's payloadgen, to compare this build's with when both are built")
endif()
if(KIVO_OS STREQUAL "windows" AND CMAKE_CROSSCOMPILING)
  if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
    find_program(KIVO_WINE NAMES wine wine64 PATHS /usr/lib/wine)
    find_program(KIVO_WINESERVER NAMES wineserver wineserver64 PATHS /usr/lib/wine)
    if(KIVO_WINE AND KIVO_WINESERVER)
      set(KIVO_WINE_PREFIX ${CMAKE_BINARY_DIR}/wine-prefix)
      configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run @ONLY
                     FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
                     GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
      set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)
    else()
      message(STATUS "wine not found: the Windows programs are built but not tested")
    endif()
  endif()
endif()

# Linux programs built for another processor run under qemu-user, which this machine's kernel
# does not start by itself: CTest starts them through a wrapper that also tells qemu where the
# target's libraries are. Tests that start a program themselves go through it too.
if(KIVO_OS STREQUAL "linux" AND CMAKE_CROSSCOMPILING AND NOT CMAKE_CROSSCOMPILING_EMULATOR)
  find_program(KIVO_QEMU NAMES qemu-${KIVO_ARCH} qemu-${KIVO_ARCH}-static)
  if(KIVO_QEMU)
    list(GET CMAKE_FIND_ROOT_PATH 0 KIVO_QEMU_LD_PREFIX)
    configure_file(${CMAKE_CURRENT_LIST_DIR}/qemu-run.sh.in ${CMAKE_BINARY_DIR}/qemu-run @ONLY
                   FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
                   GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/qemu-run)
  else()
    message(STATUS "qemu-${KIVO_ARCH} not found: the ${KIVO_ARCH} programs are built but not tested")
  endif()
endif()
