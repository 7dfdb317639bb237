# The source tree's two rules, checked on every test run so that nobody breaks them unseen:
#  - layers only point down: core uses nothing above it; text uses core; convert uses text and
#    core; containers use core; math stands alone; abi, the C entry points over them all
#    (installed as <kivo/runtime.h>), may use every layer and no layer uses it; tools use
#    nothing of the runtime. The leaf runtime/ieee754.h, which needs nothing, is open to every
#    layer of the runtime;
#  - a header and the source that defines it share a name: x.h is defined by x.cpp, or by
#    x_<variant>.cpp where it has one source per OS (platform_linux.cpp); a header that
#    declares nothing out of line has no source; every source has its header.
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

if(problems)
  message(FATAL_ERROR "The source tree breaks its layout rules:\n${problems}")
endif()
