# The runtime's AVX2 and AVX-512 code never keeps a 256- or 512-bit register on the stack:
# MinGW's compiler assumes such stack slots aligned to the register's width, which the Windows
# stack does not promise, and an aligned spill there would fault on some calls only.
# cmake -DOBJDUMP=... -DOBJECTS=a.obj|b.obj|... -P no_wide_spills.cmake
cmake_minimum_required(VERSION 3.25)

string(REPLACE "|" ";" objects "${OBJECTS}")
list(FILTER objects INCLUDE REGEX "_avx[0-9]+\\.cpp\\.obj$")
if(NOT objects)
  message(FATAL_ERROR "no AVX object among ${OBJECTS}")
endif()
set(problems "")
foreach(object IN LISTS objects)
  execute_process(COMMAND ${OBJDUMP} -d --no-show-raw-insn ${object} OUTPUT_VARIABLE dump
                  RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "${OBJDUMP} -d ${object} failed")
  endif()
  string(REPLACE ";" "," dump "${dump}")
  string(REPLACE "\n" ";" lines "${dump}")
  foreach(line IN LISTS lines)
    if(line MATCHES "%[yz]mm" AND line MATCHES "\\(%r[sb]p[,)]")
      string(APPEND problems "${object}: ${line}\n")
    endif()
  endforeach()
endforeach()
if(problems)
  message(FATAL_ERROR "wide registers kept on the stack:\n${problems}")
endif()
list(LENGTH objects count)
message(STATUS "${count} AVX objects, no wide register on the stack")
