# Compares the defined dynamic symbols of a shared library with an exact list of names.
# Usage: cmake -DNM=<nm> -DLIBRARY=<file> "-DEXPECTED=<name>;<name>..." -P check_exports.cmake
execute_process(COMMAND ${NM} -D --defined-only --format=posix ${LIBRARY}
                OUTPUT_VARIABLE listing RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${NM} failed on ${LIBRARY}")
endif()

string(REPLACE "\n" ";" lines "${listing}")
set(found "")
foreach(line IN LISTS lines)
  if(line MATCHES "^([^ ]+) ")
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
