# The programs must build on a machine with nothing but a compiler, cmake and ninja: a fresh
# configure of the source tree with the test and benchmark libraries made unfindable has to
# build showcase and payloadgen, and the showcase must print its report.
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
execute_process(COMMAND ${CMAKE_COMMAND} --build ${WORK} --target showcase payloadgen
                RESULT_VARIABLE failed OUTPUT_VARIABLE log ERROR_VARIABLE log)
if(failed)
  message(FATAL_ERROR "build without GoogleTest failed:\n${log}")
endif()
execute_process(COMMAND ${WORK}/examples/showcase/showcase OUTPUT_VARIABLE report
                RESULT_VARIABLE code)
file(READ ${EXPECTED} expected)
if(NOT code STREQUAL "0" OR NOT report STREQUAL expected)
  message(FATAL_ERROR "the showcase built without GoogleTest exited ${code} with another report")
endif()
file(REMOVE_RECURSE ${WORK})
