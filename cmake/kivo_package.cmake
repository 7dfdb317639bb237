# Installs the freestanding runtime for programs built outside this tree (a compiler's driver,
# or any build system): the static library, the one entry object, <kivo/runtime.h>, a CMake
# package (find_package(KivoRuntime 1.1) gives Kivo::runtime) and kivo-runtime.pc.
#
# The package carries the options the in-tree freestanding programs get from kivo_freestanding
# and kivo_cpu, read from those targets so that the two never drift apart. Options that only
# C++ accepts go to C++ sources alone, and the pkg-config file, which cannot tell languages
# apart, gives only those that C accepts too.
include(CMakePackageConfigHelpers)

# The entry (_start or start, kivo_main's caller, and the compiler's memcpy and memset) as one
# relocatable object: a program links it whole, ahead of the library, so the entry symbol
# never has to be found inside an archive.
set(kivo_entry_object ${CMAKE_CURRENT_BINARY_DIR}/kivo-entry.o)
add_custom_command(
  OUTPUT ${kivo_entry_object}
  COMMAND ${CMAKE_CXX_COMPILER} -nostdlib -r -o ${kivo_entry_object} $<TARGET_OBJECTS:kivo_entry>
  DEPENDS kivo_entry $<TARGET_OBJECTS:kivo_entry>
  COMMAND_EXPAND_LISTS VERBATIM)
add_custom_target(kivo_entry_object ALL DEPENDS ${kivo_entry_object})

# The options of the in-tree targets as the package gives them. An option given to one
# compiler alone is left out, since a program may be built with another: the only one is
# GCC's -no-pie, and -static already makes GCC link a position-dependent image (the outside
# test checks that the programs are of type EXEC). Options for C++ sources alone are kept
# as they stand, $<$<COMPILE_LANGUAGE:CXX>:...>.
function(kivo_package_options out property)
  set(options "")
  foreach(target IN LISTS ARGN)
    get_target_property(list ${target} ${property})
    if(list)
      list(APPEND options ${list})
    endif()
  endforeach()
  set(result "")
  foreach(option IN LISTS options)
    if(option MATCHES "^\\$<\\$<CXX_COMPILER_ID:[A-Za-z]+>:.*>$")
      continue()
    elseif(option MATCHES "\\$<" AND NOT option MATCHES "^\\$<\\$<COMPILE_LANGUAGE:CXX>:[^$<>]+>$")
      message(FATAL_ERROR "kivo_package.cmake cannot pass on the option ${option}")
    endif()
    list(APPEND result "${option}")
  endforeach()
  set(${out} "${result}" PARENT_SCOPE)
endfunction()

kivo_package_options(compile_options INTERFACE_COMPILE_OPTIONS kivo_freestanding kivo_cpu)
# The float options every target of the tree gets, so that a program's own arithmetic rounds
# as the runtime's does.
list(APPEND compile_options ${KIVO_FLOAT_OPTIONS})
set(KIVO_PACKAGE_C_OPTIONS ${compile_options})
list(FILTER KIVO_PACKAGE_C_OPTIONS EXCLUDE REGEX "^\\$<")
set(KIVO_PACKAGE_CXX_OPTIONS ${compile_options})
list(FILTER KIVO_PACKAGE_CXX_OPTIONS INCLUDE REGEX "^\\$<")
kivo_package_options(KIVO_PACKAGE_LINK_OPTIONS INTERFACE_LINK_OPTIONS kivo_freestanding)
kivo_package_options(KIVO_PACKAGE_SYSTEM_LIBS INTERFACE_LINK_LIBRARIES kivo_freestanding)

set(KIVO_PACKAGE_ARCHIVE libkivo-runtime.a)
set(KIVO_PACKAGE_ENTRY kivo-entry.o)
set(package_dir lib/cmake/KivoRuntime)

configure_file(${PROJECT_SOURCE_DIR}/cmake/KivoRuntimeConfig.cmake.in
               ${CMAKE_CURRENT_BINARY_DIR}/KivoRuntimeConfig.cmake @ONLY)
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/KivoRuntimeConfigVersion.cmake
                                 VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
list(JOIN KIVO_PACKAGE_C_OPTIONS " " KIVO_PC_CFLAGS)
list(JOIN KIVO_PACKAGE_LINK_OPTIONS " " KIVO_PC_LINK_OPTIONS)
list(TRANSFORM KIVO_PACKAGE_SYSTEM_LIBS PREPEND -l OUTPUT_VARIABLE system_libs)
list(JOIN system_libs " " KIVO_PC_SYSTEM_LIBS)
configure_file(${PROJECT_SOURCE_DIR}/cmake/kivo-runtime.pc.in
               ${CMAKE_CURRENT_BINARY_DIR}/kivo-runtime.pc @ONLY)

# All or nothing: an install from a build folder that lacks a built part (one where only some
# targets were built) stops before it copies anything, and says what to build.
install(CODE "
  foreach(file [[$<TARGET_FILE:kivo_runtime_free>]] [[${kivo_entry_object}]])
    if(NOT EXISTS \"\${file}\")
      message(FATAL_ERROR \"\${file} is not built: build this folder (all targets, or the \"
                          \"showcase alone) with cmake --build, then install again\")
    endif()
  endforeach()")
install(FILES $<TARGET_FILE:kivo_runtime_free> DESTINATION lib RENAME ${KIVO_PACKAGE_ARCHIVE})
install(FILES ${kivo_entry_object} DESTINATION lib)
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/abi/kivo/runtime.h DESTINATION include/kivo)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/KivoRuntimeConfig.cmake
              ${CMAKE_CURRENT_BINARY_DIR}/KivoRuntimeConfigVersion.cmake
        DESTINATION ${package_dir})
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/kivo-runtime.pc DESTINATION lib/pkgconfig)

# Distribution packages of the same install: `cpack -G DEB` in a Linux build folder gives
# kivo-runtime_<version>_<arch>.deb (installed under /usr), `cpack -G ZIP` in a Windows one
# kivo-runtime-<version>-win64.zip. Both hold only what the install above puts in a prefix.
set(CPACK_PACKAGE_NAME kivo-runtime)
set(CPACK_PACKAGE_VENDOR "Kivo")
set(CPACK_PACKAGE_CONTACT "Kivo toolchain developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Kivo language runtime for freestanding programs that define kivo_main")
set(CPACK_PACKAGE_DESCRIPTION
    "The static runtime library of the Kivo language, its entry object, <kivo/runtime.h>, \
the CMake package KivoRuntime and kivo-runtime.pc. Programs linked against it use no C library.")
if(KIVO_OS STREQUAL "windows")
  set(CPACK_GENERATOR ZIP)
else()
  set(CPACK_GENERATOR DEB)
endif()
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
# The library holds code for the processor it was built for, which a cross build names; a
# native build leaves the choice to dpkg.
if(CMAKE_CROSSCOMPILING)
  set(deb_architectures "x86_64=amd64;aarch64=arm64;riscv64=riscv64;s390x=s390x")
  foreach(pair IN LISTS deb_architectures)
    string(REPLACE "=" ";" pair "${pair}")
    list(GET pair 0 processor)
    if(CMAKE_SYSTEM_PROCESSOR STREQUAL processor)
      list(GET pair 1 CPACK_DEBIAN_PACKAGE_ARCHITECTURE)
    endif()
  endforeach()
endif()
include(CPack)
