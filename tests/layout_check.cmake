# The source tree's two rules, checked on every test run so that nobody breaks them unseen:
#  - layers only point down: core uses nothing above it; text uses core; convert uses text and
#    core; containers use core; math stands alone; abi, the C entry points over them all
#    (installed as <kivo/runtime.h>), may use every layer and no layer uses it; tools use
#    nothing of the runtime. The leaf runtime/ieee754.h, which needs nothing, is open to every
#    layer of the runtime;
#  - a header and the source that defines it share a name: x.h is defined by x.cpp, or by
#    x_<variant>.cpp where it has one source per OS (platform_linux.cpp); a header that
#    declares nothing out of line has no source; every source has its header;
#  - code for one processor stays in files named for it (mem_x86_64.cpp, arch_s390x.h, ...):
#    inline assembly appears in no other file, x86's vector types and builtins in no file but
#    x86-64's, and just two headers name a processor, to choose among such files:
#    core/arch.h for the Linux layer, and math/bits.h for the math layer, which uses no other.
# cmake -DROOT=source-dir -P layout_check.cmake
cmake_minimum_required(VERSION 3.25)
get_filename_component(ROOT "${ROOT}" ABSOLUTE)

set(allowed_core "core")
set(allowed_text "text|core")
set(allowed_convert "convert|text|core")
set(allowed_containers "containers|core")
set(allowed_math "math")
set(allowed_abi "abi|core|text|convert|containers|math")
set(layers core text convert containers math abi)
# Sources with no header of their own: the C library's names the compiler may call, and a
# program's main.
set(headerless runtime/core/compiler_support.cpp tools/payloadgen.cpp)

set(problems "")
file(GLOB_RECURSE files RELATIVE ${ROOT} ${ROOT}/runtime/*.h ${ROOT}/runtime/*.cpp
     ${ROOT}/tools/*.h ${ROOT}/tools/*.cpp)
list(FILTER files EXCLUDE REGEX "^tools/payload\\.h$")  # payloadgen's own output

foreach(file IN LISTS files)
  file(STRINGS ${ROOT}/${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
  if(file MATCHES "^runtime/([a-z]+)/")
    set(layer ${CMAKE_MATCH_1})
    set(allowed "${allowed_${layer}}")
  elseif(file MATCHES "^runtime/")
    set(layer leaf)
  else()
    set(layer tools)
  endif()
  foreach(line IN LISTS includes)
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*$" "\\1" target "${line}")
    set(bad FALSE)
    if(target MATCHES "^([a-z]+)/")
      set(target_layer ${CMAKE_MATCH_1})
      if(target_layer STREQUAL "kivo")  # <kivo/runtime.h>, the abi layer's header
        set(target_layer abi)
      endif()
      if(target_layer IN_LIST layers)
        if(layer STREQUAL "tools" OR layer STREQUAL "leaf" OR
           NOT target_layer MATCHES "^(${allowed})$")
          set(bad TRUE)
        endif()
      endif()
    elseif(target STREQUAL "ieee754.h" AND layer STREQUAL "tools")
      set(bad TRUE)
    endif()
    if(bad)
      string(APPEND problems "${file} includes \"${target}\", which its layer may not use\n")
    endif()
  endforeach()
endforeach()

foreach(file IN LISTS files)
  get_filename_component(dir ${file} DIRECTORY)
  get_filename_component(stem ${file} NAME_WE)
  if(file MATCHES "\\.h$")
    file(GLOB sources ${ROOT}/${dir}/${stem}.cpp ${ROOT}/${dir}/${stem}_*.cpp)
    if(NOT sources)
      # Out-of-line declarations: an unindented line (the code is not indented inside its
      # namespace) ending in ");", with no body, value or keyword that makes it a definition.
      file(STRINGS ${ROOT}/${file} lines)
      foreach(line IN LISTS lines)
        string(REGEX REPLACE "//.*$" "" line "${line}")
        string(STRIP "${line}" stripped)
        if(line MATCHES "^[A-Za-z_[]" AND stripped MATCHES "\\);$" AND line MATCHES "\\(" AND
           NOT line MATCHES "=" AND NOT line MATCHES "^(inline|constexpr|return|static_assert)")
          set(line "${stripped}")
          string(APPEND problems "${file} declares \"${line}\" but no ${stem}.cpp defines it\n")
          break()
        endif()
      endforeach()
    endif()
  elseif(NOT file IN_LIST headerless)
    # x_y_z.cpp has its header in x_y_z.h, x_y.h or x.h.
    set(name ${stem})
    set(found FALSE)
    while(NOT found)
      if(EXISTS ${ROOT}/${dir}/${name}.h)
        set(found TRUE)
      elseif(name MATCHES "^(.+)_[^_]+$")
        set(name ${CMAKE_MATCH_1})
      else()
        break()
      endif()
    endwhile()
    if(NOT found)
      string(APPEND problems "${file} has no header of its name\n")
    endif()
  endif()
endforeach()

set(processors "x86_64|aarch64|riscv64|s390x")
set(choosers runtime/core/arch.h runtime/math/bits.h)
foreach(file IN LISTS files)
  get_filename_component(stem ${file} NAME_WE)
  file(READ ${ROOT}/${file} code)
  string(REGEX REPLACE "//[^\n]*" "" code "${code}")  # comments may name anything
  set(rules "")
  if(NOT stem MATCHES "_(${processors})(_|$)")
    list(APPEND rules "(^|[^A-Za-z0-9_])(asm|__asm__)[ \t]*(volatile[ \t]*)?\\("
         "holds inline assembly, which belongs in a file named for its processor")
  endif()
  if(NOT stem MATCHES "_x86_64(_|$)")
    list(APPEND rules "__builtin_ia32_|_mm(256|512)?_|__m(128|256|512)|intrin\\.h"
         "uses x86 intrinsics, which belong in a file named for x86-64")
  endif()
  if(NOT file IN_LIST choosers)
    list(APPEND rules "__(x86_64|aarch64|riscv|s390x|i386|arm|powerpc64)__?"
         "names a processor, which only core/arch.h and math/bits.h do")
  endif()
  while(rules)
    list(POP_FRONT rules pattern what)
    if(code MATCHES "${pattern}")
      string(APPEND problems "${file} ${what}\n")
    endif()
  endwhile()
endforeach()

if(problems)
  message(FATAL_ERROR "The source tree breaks its layout rules:\n${problems}")
endif()
