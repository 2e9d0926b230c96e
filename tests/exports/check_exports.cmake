# SPDX-License-Identifier: MIT
# Compares the names a shared library exports with an exact list, and for a Windows DLL
# checks that it imports nothing at all.
# Usage: cmake -DFORMAT=elf|coff -DTOOL=<nm or llvm-readobj> -DLIBRARY=<file>
#              "-DEXPECTED=<name>;<name>..." -P check_exports.cmake
set(found "")
if(FORMAT STREQUAL "coff")
  execute_process(COMMAND ${TOOL} --coff-exports ${LIBRARY}
                  OUTPUT_VARIABLE listing RESULT_VARIABLE status)
  set(pattern "^ *Name: (.+)$")
else()
  execute_process(COMMAND ${TOOL} -D --defined-only --format=posix ${LIBRARY}
                  OUTPUT_VARIABLE listing RESULT_VARIABLE status)
  set(pattern "^([^ ]+) ")
endif()
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${TOOL} failed on ${LIBRARY}")
endif()

string(REPLACE "\n" ";" lines "${listing}")
foreach(line IN LISTS lines)
  if(line MATCHES "${pattern}")
    list(APPEND found "${CMAKE_MATCH_1}")
  endif()
endforeach()

set(unexpected ${found})
list(REMOVE_ITEM unexpected ${EXPECTED})
set(missing ${EXPECTED})
list(REMOVE_ITEM missing ${found})
if(unexpected OR missing)
  message(FATAL_ERROR "exports of ${LIBRARY}\n  unexpected: ${unexpected}\n  missing: ${missing}")
endif()
message(STATUS "exports of ${LIBRARY}: exactly ${EXPECTED}")

if(FORMAT STREQUAL "coff")
  execute_process(COMMAND ${TOOL} --coff-imports ${LIBRARY} OUTPUT_VARIABLE imports)
  if(imports MATCHES "Import")
    message(FATAL_ERROR "${LIBRARY} imports something:\n${imports}")
  endif()
  message(STATUS "${LIBRARY} imports nothing")
endif()
