# Shared build settings for the two kinds of target this project has:
#  - freestanding programs (the shipped showcase): no C or C++ runtime, no start files;
#  - hosted programs (tests, benchmarks, tools): the ordinary toolchain, optionally sanitized.

if(CMAKE_SYSTEM_NAME STREQUAL "Windows")
  set(KIVO_OS windows)
else()
  set(KIVO_OS linux)
endif()

add_library(kivo_freestanding INTERFACE)
target_compile_options(kivo_freestanding INTERFACE
  -ffreestanding -fno-exceptions -fno-rtti -fno-stack-protector
  -fno-asynchronous-unwind-tables -fno-unwind-tables -fno-threadsafe-statics
  $<$<CXX_COMPILER_ID:GNU>:-fno-tree-loop-distribute-patterns>)
if(KIVO_OS STREQUAL "linux")
  target_compile_options(kivo_freestanding INTERFACE -fno-pie -fcf-protection=none)
  target_link_options(kivo_freestanding INTERFACE
    -nostdlib -static $<$<CXX_COMPILER_ID:GNU>:-no-pie> -Wl,--gc-sections -Wl,--build-id=none -Wl,-z,noexecstack)
  target_link_libraries(kivo_freestanding INTERFACE gcc)
else()
  target_link_options(kivo_freestanding INTERFACE
    -nostdlib -nostartfiles -Wl,-e,start -Wl,--gc-sections)
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
