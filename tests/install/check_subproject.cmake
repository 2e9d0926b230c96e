# SPDX-License-Identifier: MIT
# The project built by hand and built inside another one: a plain configure of the tree with
# no build type is a Release build; as a subproject (tests/install/subproject) it gives the
# libraries and the toolkit alone, and the toolkit example builds and runs against them.
# Usage: cmake -DSOURCE_DIR=<tree> -DWORK_DIR=<scratch> -DCXX=<compiler> -DGENERATOR=<generator>
#   -DMAKE_PROGRAM=<make program> -P check_subproject.cmake
cmake_minimum_required(VERSION 3.25)

include(${CMAKE_CURRENT_LIST_DIR}/../support/run.cmake)

file(REMOVE_RECURSE ${WORK_DIR})
run(${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${WORK_DIR}/plain -G ${GENERATOR}
  -DCMAKE_MAKE_PROGRAM=${MAKE_PROGRAM} -DCMAKE_CXX_COMPILER=${CXX} -DKESTROM_BUILD_TESTS=OFF)
file(STRINGS ${WORK_DIR}/plain/CMakeCache.txt type REGEX "^CMAKE_BUILD_TYPE:")
if(NOT type MATCHES "=Release$")
  message(FATAL_ERROR "a configure without a build type gave ${type}")
endif()
message(STATUS "plain configure: ${type}")

run(${CMAKE_COMMAND} -S ${CMAKE_CURRENT_LIST_DIR}/subproject -B ${WORK_DIR}/parent
  -G ${GENERATOR} -DCMAKE_MAKE_PROGRAM=${MAKE_PROGRAM} -DCMAKE_CXX_COMPILER=${CXX}
  -DKESTROM_SOURCE_DIR=${SOURCE_DIR})
run(${CMAKE_COMMAND} --build ${WORK_DIR}/parent)
run(${WORK_DIR}/parent/toolkit)
if(NOT run_output MATCHES "^17/3\n")
  message(FATAL_ERROR "the toolkit example in the parent printed:\n${run_output}")
endif()
message(STATUS "as a subproject: libraries and toolkit only; the toolkit example runs")
