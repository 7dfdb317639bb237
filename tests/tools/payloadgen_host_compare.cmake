# A cross-built payloadgen (payloadgen.exe under wine, or a Linux one for another processor
# under qemu) and the build machine's payloadgen, run in the same source trees, must write the
# same header, byte for byte but for the CR LF line ends of Windows text files (CRLF=ON). What
# that header must hold is the business of the model tests on each side; this checks that the
# two builds agree. Without a payloadgen at HOST (build/default not built), one is built here
# from the same sources with the host's C++ compiler HOST_CXX; with no compiler either, the
# test says so and CTest counts it as skipped.
# cmake -DRUN=emulator -DEXE=payloadgen -DHOST=host-payloadgen -DSAMPLE=any-binary-file
#       -DWORK=dir -DHOST_CXX=c++ -DTOOLS=source-dir/tools [-DCRLF=ON] -P payloadgen_host_compare.cmake
cmake_minimum_required(VERSION 3.25)

if(NOT HOST OR NOT EXISTS "${HOST}")
  if(NOT HOST_CXX)
    message("SKIPPED: no payloadgen at \"${HOST}\" and no host C++ compiler to build "
            "one: ${EXE} is not compared with it")
    return()
  endif()
  set(absent "${HOST}")
  set(HOST ${WORK}-linux/payloadgen)
  set(sources ${TOOLS}/payloadgen.cpp ${TOOLS}/payloadgen_format.cpp
              ${TOOLS}/payloadgen_os_posix.cpp)
  set(stale NO)
  foreach(source ${sources} ${TOOLS}/payloadgen_format.h ${TOOLS}/payloadgen_os.h)
    if(NOT EXISTS ${HOST} OR source IS_NEWER_THAN ${HOST})
      set(stale YES)
    endif()
  endforeach()
  if(stale)
    message(STATUS "no payloadgen at \"${absent}\": building one with ${HOST_CXX}")
    file(MAKE_DIRECTORY ${WORK}-linux)
    execute_process(COMMAND ${HOST_CXX} -std=c++20 -O2 -o ${HOST} ${sources}
                    RESULT_VARIABLE failed ERROR_VARIABLE errors)
    if(failed)
      message(FATAL_ERROR "${HOST_CXX} could not build the host's payloadgen:\n${errors}")
    endif()
  endif()
endif()

# Every input present, binary bytes that text mode would mangle, library names whose
# byte-wise order differs from the case-blind order, and a subdirectory among them.
set(full ${WORK}/full)
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${full}/tools ${full}/bin/Release ${full}/lib/sub)
file(COPY_FILE ${SAMPLE} ${full}/bin/Release/kivoc.exe)
string(ASCII 26 ctrl_z)
file(WRITE ${full}/bin/Release/kivo.exe "kivo\r\n${ctrl_z}\n\r\ttail")
file(WRITE ${full}/kivo.mod "module kivo 1.0\n")
file(WRITE ${full}/kivo.lock "")
foreach(name a.txt B.txt Z.lib.kv _u.kv zeta "a b.kv" sub/inner.kv)
  file(WRITE "${full}/lib/${name}" "${name}\n")
endforeach()
# Only the compiler, and no lib directory.
set(bare ${WORK}/bare)
file(MAKE_DIRECTORY ${bare}/tools ${bare}/bin/Release)
file(WRITE ${bare}/bin/Release/kivoc.exe "0123456789abcdef0")

set(problems "")
foreach(dir ${full} ${bare})
  execute_process(COMMAND ${RUN} ${EXE} WORKING_DIRECTORY ${dir} RESULT_VARIABLE exe_code
                  OUTPUT_QUIET)
  file(RENAME ${dir}/tools/payload.h ${dir}.cross.h)
  execute_process(COMMAND ${HOST} WORKING_DIRECTORY ${dir} RESULT_VARIABLE host_code
                  OUTPUT_QUIET)
  # Compared as files: CMake's string comparison does not see carriage returns reliably.
  set(host_copy ${dir}/tools/payload.h)
  if(CRLF)
    file(READ ${dir}/tools/payload.h host_header)
    string(REPLACE "\n" "\r\n" host_crlf "${host_header}")
    set(host_copy ${dir}.linux-crlf.h)
    file(WRITE ${host_copy} "${host_crlf}")
  endif()
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${dir}.cross.h ${host_copy}
                  RESULT_VARIABLE differs)
  if(NOT exe_code STREQUAL "0" OR NOT host_code STREQUAL "0")
    string(APPEND problems "${dir}: exit codes ${exe_code} (cross-built) and ${host_code} (host)\n")
  elseif(differs)
    string(APPEND problems "${dir}: the headers differ (${dir}.cross.h, ${host_copy})\n")
  endif()
endforeach()

if(problems)
  message(FATAL_ERROR "${EXE} and ${HOST}:\n${problems}")
endif()
