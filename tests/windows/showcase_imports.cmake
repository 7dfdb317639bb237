# showcase.exe stands on the system alone: it is entered at the runtime's `start` (no C
# runtime start-up code) and imports nothing but the runtime's own kernel32 and msvcrt calls.
# cmake -DEXE=showcase.exe -DMAP=showcase.map -DOBJDUMP=... -P showcase_imports.cmake
cmake_minimum_required(VERSION 3.25)

set(allowed
  kernel32.dll:ExitProcess kernel32.dll:VirtualAlloc kernel32.dll:VirtualFree
  kernel32.dll:GetSystemTimePreciseAsFileTime kernel32.dll:GetStdHandle
  kernel32.dll:WriteFile kernel32.dll:lstrlenA msvcrt.dll:sprintf)
# Every run of the report needs these.
set(required kernel32.dll:ExitProcess kernel32.dll:GetStdHandle kernel32.dll:WriteFile
  kernel32.dll:lstrlenA)

execute_process(COMMAND ${OBJDUMP} -p ${EXE} OUTPUT_VARIABLE dump RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${OBJDUMP} -p ${EXE} failed")
endif()
string(REPLACE ";" "," dump "${dump}")
string(REPLACE "\n" ";" lines "${dump}")

set(dlls "")
set(imports "")
set(dll "")
foreach(line IN LISTS lines)
  if(line MATCHES "^[ \t]*DLL Name: (.+)$")
    string(TOLOWER "${CMAKE_MATCH_1}" dll)
    list(APPEND dlls ${dll})
  elseif(line MATCHES "^[ \t]*$")
    set(dll "")
  elseif(dll AND line MATCHES "^\t[0-9a-f]+\t +[0-9]+ +([^ ]+)$")
    list(APPEND imports ${dll}:${CMAKE_MATCH_1})
  elseif(line MATCHES "^AddressOfEntryPoint[ \t]+([0-9a-f]+)$")
    set(entry_rva ${CMAKE_MATCH_1})
  elseif(line MATCHES "^ImageBase[ \t]+([0-9a-f]+)$")
    set(image_base ${CMAKE_MATCH_1})
  endif()
endforeach()

set(problems "")
list(SORT dlls)
if(NOT dlls STREQUAL "kernel32.dll;msvcrt.dll")
  string(APPEND problems "imported DLLs are [${dlls}], not kernel32.dll and msvcrt.dll\n")
endif()
foreach(import IN LISTS imports)
  if(NOT import IN_LIST allowed)
    string(APPEND problems "unexpected import ${import}\n")
  endif()
endforeach()
foreach(import IN LISTS required)
  if(NOT import IN_LIST imports)
    string(APPEND problems "missing import ${import}\n")
  endif()
endforeach()

# The image carries no symbol table; the linker's map beside it names the addresses.
file(READ ${MAP} map)
if(NOT map MATCHES "\n +0x([0-9a-f]+) +start\n")
  string(APPEND problems "no symbol `start` in ${MAP}\n")
elseif(NOT DEFINED entry_rva OR NOT DEFINED image_base)
  string(APPEND problems "no entry point or image base in the PE header\n")
else()
  math(EXPR start "0x${CMAKE_MATCH_1}" OUTPUT_FORMAT HEXADECIMAL)
  math(EXPR entry "0x${image_base} + 0x${entry_rva}" OUTPUT_FORMAT HEXADECIMAL)
  if(NOT entry STREQUAL start)
    string(APPEND problems "entry point ${entry} is not start at ${start}\n")
  endif()
endif()

if(problems)
  message(FATAL_ERROR "${EXE}:\n${problems}")
endif()
