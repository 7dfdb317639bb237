# payloadgen.exe under wine, run in generated source trees. Its header must be the one the
# Linux payloadgen writes for the same tree, except that every line ends in CR LF (the
# header is written in text mode). The expected header comes from a model of the format
# written here, so the test needs nothing of a Linux build; when the Linux payloadgen is
# given (HOST) and built, it is run on the same trees and must agree with the model too.
# cmake -DRUN=wine-run -DEXE=payloadgen.exe -DSAMPLE=any-binary-file -DWORK=dir
#       [-DHOST=linux-payloadgen] -P payloadgen_test.cmake
cmake_minimum_required(VERSION 3.25)

set(problems "")
macro(problem text)
  string(APPEND problems "${text}\n")
endmacro()

# --- the model ----------------------------------------------------------------------------

# The C array of one file: "0x%02x" values joined by ",", sixteen to a line.
function(model_array name read_path file out)
  file(SIZE "${file}" size)
  file(READ "${file}" hex HEX)
  string(REGEX REPLACE "(..)" "0x\\1," values "${hex}")
  string(REPEAT "0x..," 16 line)
  string(REGEX REPLACE "(${line})" "\\1\n" values "${values}")
  # The last value takes no comma; a full last line keeps its line end.
  string(REGEX REPLACE ",(\n?)$" "\\1" values "${values}")
  set(array "/* ${read_path}  (${size} bytes) */\nstatic const unsigned char ${name}[] = {\n")
  set(${out} "${${out}}${array}${values}\n};\n\n" PARENT_SCOPE)
  set(record "    { \"${table_path}\", ${name}, ${size}UL },\n")
  set(records "${records}${record}" PARENT_SCOPE)
endfunction()

# The header for the tree in dir, in LF form.
function(model_header dir out)
  set(text "#pragma once\ntypedef struct {\n    const char*          path;\n")
  string(APPEND text "    const unsigned char* data;\n    unsigned long        size;\n")
  string(APPEND text "} payload_file_t;\n\n")
  set(records "")
  set(table_path "kivoc.exe")
  model_array(p_kivoc bin/Release/kivoc.exe ${dir}/bin/Release/kivoc.exe text)
  foreach(input "p_kivo;kivo.exe;bin/Release/kivo.exe" "p_mod;kivo.mod;kivo.mod"
                "p_lock;kivo.lock;kivo.lock")
    list(GET input 0 name)
    list(GET input 1 table_path)
    list(GET input 2 read_path)
    if(EXISTS ${dir}/${read_path})
      model_array(${name} ${read_path} ${dir}/${read_path} text)
    endif()
  endforeach()
  # Library files in byte-wise order of their names; directories take no number.
  file(GLOB names LIST_DIRECTORIES false RELATIVE ${dir}/lib ${dir}/lib/*)
  list(SORT names COMPARE STRING CASE SENSITIVE)
  set(k 0)
  foreach(name IN LISTS names)
    set(table_path "lib\\\\${name}")
    model_array(p_lib${k} "lib/${name}" "${dir}/lib/${name}" text)
    math(EXPR k "${k} + 1")
  endforeach()
  string(APPEND text "static const payload_file_t g_payload[] = {\n${records}")
  string(APPEND text "    { 0, 0, 0 }\n};\n")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# --- the trees ----------------------------------------------------------------------------

# Every input present, kivo.lock empty, kivo.mod exactly one full line of values, binary
# bytes that text mode would mangle (CR, LF, ^Z, NUL), and library names whose byte-wise
# order differs from the case-blind order (B < Z < _ < a) with a subdirectory among them.
set(full ${WORK}/full)
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${full}/tools ${full}/bin/Release ${full}/lib/sub ${full}/lib/c.dir)
file(COPY_FILE ${SAMPLE} ${full}/bin/Release/kivoc.exe)
string(ASCII 26 ctrl_z)
file(WRITE ${full}/bin/Release/kivo.exe "kivo\r\n${ctrl_z}\n\r\ttail")
file(WRITE ${full}/kivo.mod "module kivo 1.0\n")
file(WRITE ${full}/kivo.lock "")
file(WRITE ${full}/lib/a.txt "abc")
file(WRITE ${full}/lib/B.txt "B\n")
file(WRITE ${full}/lib/Z.lib.kv "fn z() {}\n")
file(WRITE ${full}/lib/_u.kv "_")
file(WRITE ${full}/lib/zeta "no dot in the name, and more than one line of values")
file(WRITE "${full}/lib/a b.kv" "a blank in the name")
file(WRITE ${full}/lib/sub/inner.kv "not listed")

# Only the compiler: no optional input, no lib directory.
set(bare ${WORK}/bare)
file(MAKE_DIRECTORY ${bare}/tools ${bare}/bin/Release)
file(WRITE ${bare}/bin/Release/kivoc.exe "0123456789abcdef0")

# No compiler: the tool must fail and say which file it could not open.
set(broken ${WORK}/broken)
file(MAKE_DIRECTORY ${broken}/tools ${broken}/bin/Release)

# --- the runs -----------------------------------------------------------------------------

function(run_in dir out_code out_stdout out_stderr)
  execute_process(COMMAND ${ARGN} WORKING_DIRECTORY ${dir} RESULT_VARIABLE code
                  OUTPUT_VARIABLE stdout ERROR_VARIABLE stderr)
  set(${out_code} "${code}" PARENT_SCOPE)
  set(${out_stdout} "${stdout}" PARENT_SCOPE)
  set(${out_stderr} "${stderr}" PARENT_SCOPE)
endfunction()

set(host_ready FALSE)
if(HOST AND EXISTS "${HOST}")
  set(host_ready TRUE)
endif()

foreach(case full bare)
  set(dir ${WORK}/${case})
  model_header(${dir} lf)
  string(REPLACE "\n" "\r\n" crlf "${lf}")
  file(WRITE ${WORK}/${case}.expected.h "${crlf}")
  string(REGEX MATCHALL "\n    { \"" records "${lf}")
  list(LENGTH records count)

  run_in(${dir} code stdout stderr ${RUN} ${EXE})
  if(NOT code STREQUAL "0")
    problem("${case}: exit code ${code}, not 0; standard error: ${stderr}")
  endif()
  if(NOT stdout MATCHES "^payload.h generated: ${count} files embedded.\r?\n$")
    problem("${case}: standard output is \"${stdout}\", not the count of ${count} files")
  endif()
  if(NOT stderr STREQUAL "")
    problem("${case}: standard error is not empty: ${stderr}")
  endif()
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${dir}/tools/payload.h
                          ${WORK}/${case}.expected.h RESULT_VARIABLE differs)
  if(differs)
    problem("${case}: ${dir}/tools/payload.h differs from ${WORK}/${case}.expected.h")
  endif()

  if(host_ready)
    file(RENAME ${dir}/tools/payload.h ${dir}/tools/payload.exe.h)
    run_in(${dir} code stdout stderr ${HOST})
    file(WRITE ${WORK}/${case}.expected.lf.h "${lf}")
    execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${dir}/tools/payload.h
                            ${WORK}/${case}.expected.lf.h RESULT_VARIABLE differs)
    if(NOT code STREQUAL "0" OR differs)
      problem("${case}: the Linux ${HOST} (exit code ${code}) wrote a header other than "
              "${WORK}/${case}.expected.lf.h")
    endif()
  endif()
endforeach()
if(NOT host_ready)
  message(STATUS "no Linux payloadgen at \"${HOST}\": compared with the model alone")
endif()

run_in(${broken} code stdout stderr ${RUN} ${EXE})
if(NOT code STREQUAL "1" OR NOT stderr MATCHES "^Cannot open: bin/Release/kivoc.exe\r?\n$")
  problem("broken: exit code ${code} and standard error \"${stderr}\", not 1 and the "
          "missing compiler's name")
endif()

if(problems)
  message(FATAL_ERROR "${EXE}:\n${problems}")
endif()
