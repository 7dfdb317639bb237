# A Windows program that runs from its own file alone: every DLL it imports comes with
# Windows, none with the compiler (libstdc++-6.dll, libgcc_s_seh-1.dll, libwinpthread-1.dll).
# cmake -DEXE=program.exe -DOBJDUMP=... -P system_dlls_only.cmake
cmake_minimum_required(VERSION 3.25)

set(system kernel32.dll msvcrt.dll ucrtbase.dll ntdll.dll advapi32.dll user32.dll
  shell32.dll ole32.dll ws2_32.dll bcrypt.dll)

execute_process(COMMAND ${OBJDUMP} -p ${EXE} OUTPUT_VARIABLE dump RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${OBJDUMP} -p ${EXE} failed")
endif()
string(REGEX MATCHALL "DLL Name: [^\n]+" names "${dump}")
set(foreign "")
foreach(name IN LISTS names)
  string(REGEX REPLACE "^DLL Name: " "" dll "${name}")
  string(TOLOWER "${dll}" dll)
  if(NOT dll IN_LIST system AND NOT dll MATCHES "^api-ms-win-")
    list(APPEND foreign ${dll})
  endif()
endforeach()
if(foreign)
  message(FATAL_ERROR "${EXE} needs DLLs that Windows does not have: ${foreign}")
endif()
