# The runtime as a program outside the tree gets it: install this build into a fresh prefix
# whose path holds blanks, build tests/abi/outside with find_package(KivoRuntime 1.1) and once
# with the C compiler and pkg-config alone, run both and compare their output; the showcase
# driver linked from the package must print the report and stay within 1 KiB of the in-tree
# showcase.
# With -DPREFIX=dir the package is installed there already (CI installs the .deb into /usr):
# nothing is built or installed, and CMake and pkg-config find it on their own search paths.
# On Linux every program must be static with no interpreter; on Windows it may import only
# kernel32.dll and msvcrt.dll.
# cmake {-DBUILD=dir | -DPREFIX=dir} -DSOURCE=dir -DWORK=dir -DSYSTEM=Linux|Windows
#       -DCC=c-compiler -DPKG_CONFIG=pkg-config -DINSPECT=readelf|objdump
#       -DSHOWCASE=in-tree-showcase [-DRUN=emulator] -P outside_check.cmake
cmake_minimum_required(VERSION 3.25)

function(run what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE failed OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(failed)
    message(FATAL_ERROR "${what} failed:\n${ARGN}\n${out}")
  endif()
endfunction()

set(suffix "")
set(system_args "")
if(SYSTEM STREQUAL "Windows")
  set(suffix .exe)
  set(system_args -DCMAKE_SYSTEM_NAME=Windows)
endif()
set(outside ${SOURCE}/tests/abi/outside)
file(REMOVE_RECURSE ${WORK})
set(search_args "")
unset(ENV{PKG_CONFIG_PATH})
if(DEFINED PREFIX)
  set(prefix ${PREFIX})
  unset(ENV{PKG_CONFIG_LIBDIR})
else()
  set(prefix "${WORK}/kivo prefix")
  run("building the installed parts" ${CMAKE_COMMAND} --build ${BUILD}
      --target kivo_runtime_free kivo_entry_object showcase)
  run("cmake --install" ${CMAKE_COMMAND} --install ${BUILD} --prefix ${prefix})
  set(search_args -DCMAKE_PREFIX_PATH=${prefix})
  set(ENV{PKG_CONFIG_LIBDIR} ${prefix}/lib/pkgconfig)
endif()

# With CMake: the package found by version.
set(cmake_build "${WORK}/cmake build")
set(plain_build "${WORK}/plain build")
run("configuring the outside project" ${CMAKE_COMMAND} -S ${outside} -B ${cmake_build} -G Ninja
    -DCMAKE_BUILD_TYPE=Release ${search_args} -DCMAKE_C_COMPILER=${CC}
    -DKIVO_SOURCE_DIR=${SOURCE} ${system_args})
run("building the outside project" ${CMAKE_COMMAND} --build ${cmake_build})

# Without CMake: the compiler and what pkg-config says, nothing else.
execute_process(COMMAND ${PKG_CONFIG} --cflags --libs kivo-runtime RESULT_VARIABLE failed
                OUTPUT_VARIABLE flags ERROR_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE)
execute_process(COMMAND ${PKG_CONFIG} --atleast-version=1.1 --max-version=1.99 kivo-runtime
                RESULT_VARIABLE wrong_version)
if(failed OR wrong_version)
  message(FATAL_ERROR "pkg-config does not give kivo-runtime 1.1 from ${prefix}: ${flags}")
endif()
separate_arguments(flags UNIX_COMMAND "${flags}")
file(MAKE_DIRECTORY ${plain_build})
run("building with pkg-config" ${CC} -std=c99 -Wall -Wextra -pedantic -Werror -O2
    ${outside}/main.c ${flags} -o ${plain_build}/outside${suffix})

# What the programs are made of, read from the file.
function(check_image exe)
  if(SYSTEM STREQUAL "Windows")
    execute_process(COMMAND ${INSPECT} -p ${exe} OUTPUT_VARIABLE dump)
    string(REGEX MATCHALL "DLL Name: [^\n]+" names "${dump}")
    string(TOLOWER "${names}" names)
    list(SORT names)
    if(NOT names STREQUAL "dll name: kernel32.dll;dll name: msvcrt.dll")
      message(FATAL_ERROR "${exe} imports [${names}], not kernel32.dll and msvcrt.dll alone")
    endif()
  else()
    execute_process(COMMAND ${INSPECT} -h -l -W ${exe} OUTPUT_VARIABLE dump)
    if(NOT dump MATCHES "Type: +EXEC" OR dump MATCHES "INTERP|DYNAMIC")
      message(FATAL_ERROR "${exe} is not a static executable without interpreter:\n${dump}")
    endif()
  endif()
endfunction()

function(check_run exe expected_file)
  execute_process(COMMAND ${RUN} ${exe} RESULT_VARIABLE code OUTPUT_VARIABLE out
                  ERROR_VARIABLE err)
  file(READ ${expected_file} expected)
  if(NOT code STREQUAL "0" OR NOT out STREQUAL expected)
    message(FATAL_ERROR "${exe} exited ${code} ${err}and printed\n${out}\ninstead of\n${expected}")
  endif()
endfunction()

foreach(exe "${cmake_build}/outside${suffix}" "${plain_build}/outside${suffix}")
  check_image(${exe})
  check_run(${exe} ${outside}/expected_output.txt)
endforeach()

set(packaged "${cmake_build}/showcase${suffix}")
check_image(${packaged})
check_run(${packaged} ${SOURCE}/examples/showcase/expected_report.txt)
file(SIZE ${SHOWCASE} in_tree_size)
file(SIZE ${packaged} packaged_size)
math(EXPR difference "${packaged_size} - ${in_tree_size}")
message(STATUS "showcase: ${in_tree_size} bytes in the tree, ${packaged_size} from the package")
if(difference GREATER 1024 OR difference LESS -1024)
  message(FATAL_ERROR "the showcase linked from the package differs by ${difference} bytes")
endif()
file(REMOVE_RECURSE ${WORK})
