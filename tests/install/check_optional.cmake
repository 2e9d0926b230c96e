# SPDX-License-Identifier: MIT
# The source build as a user without the test toolchain meets it: every dependency beyond
# CMake, the compiler and the C++ standard library is hidden from CMake (the system's
# prefixes and program directories are ignored). With the defaults, configuration must stop
# naming what is missing, its Debian package and the option that does without it; with the
# tests off it must configure and build the libraries, the toolkit and tcalc (without line
# editing or functions), and tcalc must run and say what it lacks.
# Usage: cmake -DSOURCE_DIR=<tree> -DWORK_DIR=<scratch> -DCXX=<compiler> -DGENERATOR=<generator>
#   -DMAKE_PROGRAM=<make program> -P check_optional.cmake
cmake_minimum_required(VERSION 3.25)

include(${CMAKE_CURRENT_LIST_DIR}/../support/run.cmake)

file(REMOVE_RECURSE ${WORK_DIR})
file(WRITE ${WORK_DIR}/hide.cmake [[
set(CMAKE_IGNORE_PREFIX_PATH "/usr;/usr/local;/" CACHE STRING "")
set(CMAKE_IGNORE_PATH "/usr/bin;/bin;/usr/local/bin;/usr/sbin;/sbin;/usr/include;/usr/lib/x86_64-linux-gnu;/usr/lib" CACHE STRING "")
set(CMAKE_FIND_USE_PACKAGE_REGISTRY OFF CACHE BOOL "")
set(CMAKE_FIND_USE_SYSTEM_PACKAGE_REGISTRY OFF CACHE BOOL "")
]])
set(common -C ${WORK_DIR}/hide.cmake -G ${GENERATOR} -DCMAKE_MAKE_PROGRAM=${MAKE_PROGRAM}
  -DCMAKE_CXX_COMPILER=${CXX} -DKESTROM_WARNINGS_AS_ERRORS=ON)

execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${WORK_DIR}/defaults ${common}
  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(status EQUAL 0)
  message(FATAL_ERROR "with every dependency hidden the default configuration succeeded:\n${out}")
endif()
foreach(want IN ITEMS "GoogleTest (Debian: libgtest-dev), for KESTROM_BUILD_TESTS"
    "GMP with gmpxx (Debian: libgmp-dev)" "Google Benchmark (Debian: libbenchmark-dev), for KESTROM_BUILD_BENCHMARKS"
    "python3 with pytest" "-DKESTROM_BUILD_TESTS=OFF" "-DKESTROM_BUILD_BENCHMARKS=OFF"
    "-DKESTROM_BUILD_PYTHON_TESTS=OFF" "need only CMake and a C++17 compiler")
  string(FIND "${err}" "${want}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the failed configuration does not say '${want}':\n${err}")
  endif()
endforeach()
message(STATUS "with the defaults, configuration names what is missing and the options")

run(${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${WORK_DIR}/libraries ${common} -DKESTROM_BUILD_TESTS=OFF)
foreach(hidden IN ITEMS "tcalc: no libedit" "tcalc: no MPFR")
  if(NOT run_output MATCHES "${hidden}")
    message(FATAL_ERROR "'${hidden}' was not said, although hidden:\n${run_output}")
  endif()
endforeach()
run(${CMAKE_COMMAND} --build ${WORK_DIR}/libraries)
run(${WORK_DIR}/libraries/tools/tcalc/tcalc --format value "1/3 + 2/3")
if(NOT run_output STREQUAL "1\n")
  message(FATAL_ERROR "tcalc printed '${run_output}' for 1/3 + 2/3")
endif()
run(${WORK_DIR}/libraries/tools/tcalc/tcalc --help)
if(NOT run_output MATCHES "built without kestrom-math")
  message(FATAL_ERROR "tcalc --help does not say that it has no functions:\n${run_output}")
endif()
message(STATUS "without the optional dependencies the libraries, the toolkit and tcalc build and run")
