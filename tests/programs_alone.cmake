# The programs must build on a machine with nothing but a compiler, cmake and ninja: a fresh
# configure of the source tree with the test and benchmark libraries made unfindable has to
# build showcase and payloadgen, and the showcase must print its report. The runtime package
# installs whole from such a folder once the showcase alone is built (as scripts/showcase.sh
# builds it), and not at all before.
# cmake -DSOURCE=dir -DWORK=dir -DEXPECTED=expected_report.txt -P programs_alone.cmake
cmake_minimum_required(VERSION 3.25)

file(REMOVE_RECURSE ${WORK})
execute_process(
  COMMAND ${CMAKE_COMMAND} -S ${SOURCE} -B ${WORK} -G Ninja -DCMAKE_BUILD_TYPE=Release
          -DBUILD_TESTING=OFF -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON
          -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON
  RESULT_VARIABLE failed OUTPUT_VARIABLE log ERROR_VARIABLE log)
if(failed)
  message(FATAL_ERROR "configure without GoogleTest failed:\n${log}")
endif()
set(package_files lib/libkivo-runtime.a lib/kivo-entry.o include/kivo/runtime.h
    lib/cmake/KivoRuntime/KivoRuntimeConfig.cmake
    lib/cmake/KivoRuntime/KivoRuntimeConfigVersion.cmake lib/pkgconfig/kivo-runtime.pc)
execute_process(COMMAND ${CMAKE_COMMAND} --install ${WORK} --prefix ${WORK}/early
                RESULT_VARIABLE failed OUTPUT_VARIABLE log ERROR_VARIABLE log)
file(GLOB_RECURSE early RELATIVE ${WORK}/early ${WORK}/early/*)
if(NOT failed OR early)
  message(FATAL_ERROR "an install before the build did not stop before copying: [${early}]\n${log}")
endif()

foreach(target showcase payloadgen)
  execute_process(COMMAND ${CMAKE_COMMAND} --build ${WORK} --target ${target}
                  RESULT_VARIABLE failed OUTPUT_VARIABLE log ERROR_VARIABLE log)
  if(failed)
    message(FATAL_ERROR "build of ${target} without GoogleTest failed:\n${log}")
  endif()
  if(target STREQUAL "showcase")
    execute_process(COMMAND ${CMAKE_COMMAND} --install ${WORK} --prefix ${WORK}/prefix
                    RESULT_VARIABLE failed OUTPUT_VARIABLE log ERROR_VARIABLE log)
    file(GLOB_RECURSE installed RELATIVE ${WORK}/prefix ${WORK}/prefix/*)
    list(SORT installed)
    list(SORT package_files)
    if(failed OR NOT installed STREQUAL package_files)
      message(FATAL_ERROR "the install after building the showcase alone gave [${installed}], "
                          "not [${package_files}]:\n${log}")
    endif()
  endif()
endforeach()
execute_process(COMMAND ${WORK}/examples/showcase/showcase OUTPUT_VARIABLE report
                RESULT_VARIABLE code)
file(READ ${EXPECTED} expected)
if(NOT code STREQUAL "0" OR NOT report STREQUAL expected)
  message(FATAL_ERROR "the showcase built without GoogleTest exited ${code} with another report")
endif()
file(REMOVE_RECURSE ${WORK})
