# showcase.exe under wine prints the Linux report byte for byte (line feeds alone, no CR),
# says nothing on standard error and exits with 0.
# cmake -DRUN=wine-run -DEXE=showcase.exe -DEXPECTED=expected_report.txt -DOUT=file -P ...
cmake_minimum_required(VERSION 3.25)

execute_process(COMMAND ${RUN} ${EXE} OUTPUT_FILE ${OUT} ERROR_VARIABLE errors
                RESULT_VARIABLE exit_code)

set(problems "")
if(NOT exit_code STREQUAL "0")
  string(APPEND problems "exit code ${exit_code}, not 0\n")
endif()
if(NOT errors STREQUAL "")
  string(APPEND problems "standard error is not empty:\n${errors}\n")
endif()

execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUT} ${EXPECTED}
                RESULT_VARIABLE differs)
if(differs)
  file(READ ${OUT} got)
  file(READ ${EXPECTED} want)
  string(LENGTH "${got}" got_size)
  string(LENGTH "${want}" want_size)
  string(APPEND problems "the report (${got_size} bytes, in ${OUT}) differs from ${EXPECTED} "
                         "(${want_size} bytes)")
  # Name the first line that differs, so the faulty section is plain.
  string(REPLACE ";" "," got "${got}")
  string(REPLACE ";" "," want "${want}")
  string(REPLACE "\n" ";" got_lines "${got}")
  string(REPLACE "\n" ";" want_lines "${want}")
  list(LENGTH got_lines got_count)
  list(LENGTH want_lines want_count)
  set(line 0)
  while(line LESS got_count AND line LESS want_count)
    list(GET got_lines ${line} a)
    list(GET want_lines ${line} b)
    if(NOT a STREQUAL b)
      break()
    endif()
    math(EXPR line "${line} + 1")
  endwhile()
  math(EXPR number "${line} + 1")
  string(APPEND problems " from line ${number} on\n")
endif()

if(problems)
  message(FATAL_ERROR "${EXE}:\n${problems}")
endif()
