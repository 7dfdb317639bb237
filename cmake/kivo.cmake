# Shared build settings for the two kinds of target this project has:
#  - freestanding programs (the shipped showcase): no C or C++ runtime, no start files;
#  - hosted programs (tests, benchmarks, tools): the ordinary toolchain, optionally sanitized.

if(CMAKE_SYSTEM_NAME STREQUAL "Windows")
  set(KIVO_OS windows)
else()
  set(KIVO_OS linux)
endif()

# The CPU features the runtime is built for. The bit builtins must each become one instruction
# (popcnt, lzcnt, tzcnt), and math/bits.h expands them inline in its users, so the flags go
# with the runtime to every program that links it. payloadgen links none of it and stays on
# baseline x86-64: on a processor without LZCNT, an lzcnt runs as BSR and gives another number.
add_library(kivo_cpu INTERFACE)
target_compile_options(kivo_cpu INTERFACE -mpopcnt -mlzcnt -mbmi)

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
  -ffreestanding -fno-exceptions -fno-rtti -fno-stack-protector
  -fno-asynchronous-unwind-tables -fno-unwind-tables -fno-threadsafe-statics)
if(KIVO_OS STREQUAL "linux")
  # The data follow the code in the file at once, as in memory. With the linker's usual page
  # of 4 KiB for this choice, it may instead start them on a page boundary of the file, and
  # does so whenever that would spare a page of memory: the file then grows by up to 4 KiB
  # of padding as soon as the zeroed data cross a page boundary.
  target_compile_options(kivo_freestanding INTERFACE -fno-pie -fcf-protection=none)
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
if(KIVO_OS STREQUAL "windows" AND CMAKE_CROSSCOMPILING)
  set(KIVO_HOST_PAYLOADGEN "" CACHE FILEPATH
      "The Linux payloadgen, to compare payloadgen.exe with when both are built")
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
