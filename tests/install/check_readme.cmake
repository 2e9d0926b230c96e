# SPDX-License-Identifier: MIT
# The README shows the examples that the install tests build and run: each example file,
# without its license line, must appear in README.md exactly as it is.
# Usage: cmake -DREADME=<README.md> -DEXAMPLES_DIR=<examples> -P check_readme.cmake
cmake_minimum_required(VERSION 3.25)
file(READ ${README} readme)
foreach(example IN ITEMS toolkit.cpp raw_api.cpp)
  file(READ ${EXAMPLES_DIR}/${example} code)
  string(REGEX REPLACE "^// SPDX-License-Identifier: MIT\n" "" code "${code}")
  string(FIND "${readme}" "```c++\n${code}```" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "README.md does not show examples/${example} as it is:\n${code}")
  endif()
endforeach()
message(STATUS "README.md shows both examples as they are")
