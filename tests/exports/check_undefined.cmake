# SPDX-License-Identifier: MIT
# Checks that a Linux shared library refers to nothing outside itself but what the C runtime's
# start-up and shutdown code of every shared object refers to: no compiler runtime helpers
# (__udivdi3, __umoddi3, __divdi3, __moddi3, ...) and no C library routines (memcpy, memset,
# memmove, ...).
# Usage: cmake -DNM=<nm> -DLIBRARY=<.so> -P check_undefined.cmake
cmake_minimum_required(VERSION 3.25)
set(allowed __cxa_finalize __gmon_start__ _ITM_deregisterTMCloneTable _ITM_registerTMCloneTable)

execute_process(COMMAND ${NM} -D --undefined-only --format=posix ${LIBRARY}
  OUTPUT_VARIABLE listing RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${NM} failed on ${LIBRARY}")
endif()
string(REPLACE "\n" ";" lines "${listing}")
set(found "")
set(unexpected "")
foreach(line IN LISTS lines)
  # "name[@version] U|w ..."
  if(line MATCHES "^([^ @]+)(@[^ ]*)? ")
    list(APPEND found ${CMAKE_MATCH_1})
    if(NOT CMAKE_MATCH_1 IN_LIST allowed)
      list(APPEND unexpected ${CMAKE_MATCH_1})
    endif()
  endif()
endforeach()
if(unexpected)
  message(FATAL_ERROR "${LIBRARY} refers to ${unexpected}; only ${allowed} may be undefined")
endif()
message(STATUS "${LIBRARY} refers to nothing but ${found}")
