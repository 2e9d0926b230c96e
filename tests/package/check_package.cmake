# SPDX-License-Identifier: MIT
# Runs cpack on a build and checks the one archive it makes: its version, that it holds the
# expected files, and nothing outside the directories a library package installs to.
# Usage: cmake -DFORMAT=zip -DCPACK_CONFIG=<build>/CPackConfig.cmake -DOUT=<dir>
#   -DVERSION=<x.y.z> "-DEXPECTED=<path>;..." -DALLOWED=<regex of paths> -P check_package.cmake
# Paths are relative to the archive's top directory.
cmake_minimum_required(VERSION 3.25)

include(${CMAKE_CURRENT_LIST_DIR}/../support/run.cmake)

file(REMOVE_RECURSE ${OUT})
run(${CMAKE_CPACK_COMMAND} --config ${CPACK_CONFIG} -B ${OUT})
file(GLOB packages ${OUT}/*.${FORMAT})
list(LENGTH packages count)
if(NOT count EQUAL 1)
  message(FATAL_ERROR "expected one .${FORMAT} in ${OUT}, found: ${packages}")
endif()
message(STATUS "built ${packages}")

set(entries "")
run(${CMAKE_COMMAND} -E tar tf ${packages})
string(REPLACE "\n" ";" lines "${run_output}")
set(top "kestrom-${VERSION}-win32/")
foreach(line IN LISTS lines)
  if(line STREQUAL "")
    continue()
  endif()
  string(FIND "${line}" "${top}" at)
  if(NOT at EQUAL 0)
    message(FATAL_ERROR "${line} is outside ${top}")
  endif()
  string(LENGTH "${top}" skip)
  string(SUBSTRING "${line}" ${skip} -1 entry)
  list(APPEND entries "${entry}")
endforeach()

foreach(file IN LISTS EXPECTED)
  if(NOT file IN_LIST entries)
    message(FATAL_ERROR "${packages} lacks ${file}; it holds:\n${entries}")
  endif()
endforeach()
foreach(entry IN LISTS entries)
  if(NOT entry STREQUAL "" AND NOT entry MATCHES "${ALLOWED}")
    message(FATAL_ERROR "${packages} holds ${entry}, outside ${ALLOWED}")
  endif()
endforeach()
list(LENGTH entries count)
message(STATUS "${packages}: ${count} entries, with every expected file")
