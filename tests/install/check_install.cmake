# SPDX-License-Identifier: MIT
# Installs the build into a fresh prefix and builds and runs the consumer project against that
# install tree alone, either through find_package or with the flags pkg-config gives: the raw
# consumer and the README's two examples, whose output must be what the README says.
# Usage: cmake -DMODE=find_package|pkg-config -DBUILD_DIR=<build> -DWORK_DIR=<scratch dir>
#   -DCONSUMER_DIR=<consumer source> -DEXAMPLES_DIR=<examples> -DCXX=<compiler>
#   -DGENERATOR=<generator> -DMAKE_PROGRAM=<make program> -DPKG_CONFIG=<pkg-config>
#   -DVERSION=<x.y.z> -DSOVERSION=<n> -DLIBDIR=<lib> -DINCLUDEDIR=<include> -P check_install.cmake
cmake_minimum_required(VERSION 3.25)

include(${CMAKE_CURRENT_LIST_DIR}/../support/run.cmake)

set(prefix ${WORK_DIR}/prefix)
file(REMOVE_RECURSE ${WORK_DIR})
run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})

set(expected ${INCLUDEDIR}/kestrom.h ${INCLUDEDIR}/brennic.h ${INCLUDEDIR}/kestrom/version.h
  ${INCLUDEDIR}/kestrom/number.hpp ${INCLUDEDIR}/kestrom/biguint.hpp
  ${INCLUDEDIR}/kestrom/rational.hpp ${LIBDIR}/pkgconfig/kestrom-toolkit.pc)
foreach(lib IN ITEMS kestrom brennic)
  list(APPEND expected ${LIBDIR}/lib${lib}.so ${LIBDIR}/lib${lib}.so.${SOVERSION}
    ${LIBDIR}/lib${lib}.so.${VERSION} ${LIBDIR}/pkgconfig/${lib}.pc)
endforeach()
list(APPEND expected ${LIBDIR}/cmake/Kestrom/KestromConfig.cmake
  ${LIBDIR}/cmake/Kestrom/KestromConfigVersion.cmake)
foreach(file IN LISTS expected)
  if(NOT EXISTS ${prefix}/${file})
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()

set(bin ${WORK_DIR})
if(MODE STREQUAL "find_package")
  run(${CMAKE_COMMAND} -S ${CONSUMER_DIR} -B ${WORK_DIR}/build -G ${GENERATOR}
    -DCMAKE_MAKE_PROGRAM=${MAKE_PROGRAM} -DCMAKE_CXX_COMPILER=${CXX}
    -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF
    -DKESTROM_EXPECTED_VERSION=${VERSION} -DEXAMPLES_DIR=${EXAMPLES_DIR})
  # The package must come from the install tree, not from anywhere else on the machine.
  file(STRINGS ${WORK_DIR}/build/CMakeCache.txt found_dir REGEX "^Kestrom_DIR:")
  if(NOT found_dir STREQUAL "Kestrom_DIR:PATH=${prefix}/${LIBDIR}/cmake/Kestrom")
    message(FATAL_ERROR "find_package took the package from elsewhere: ${found_dir}")
  endif()
  run(${CMAKE_COMMAND} --build ${WORK_DIR}/build)
  # The consumer's build tree RPATH points at the install tree's libraries.
  set(bin ${WORK_DIR}/build)
elseif(MODE STREQUAL "pkg-config")
  set(ENV{PKG_CONFIG_PATH} ${prefix}/${LIBDIR}/pkgconfig)
  run(${PKG_CONFIG} --modversion kestrom brennic kestrom-toolkit)
  string(REPLACE "\n" ";" versions "${run_output}")
  list(REMOVE_ITEM versions "")
  if(NOT versions STREQUAL "${VERSION};${VERSION};${VERSION}")
    message(FATAL_ERROR "pkg-config versions: ${versions}, expected ${VERSION}")
  endif()
  function(flags_of out)
    run(${PKG_CONFIG} --cflags --libs ${ARGN})
    string(STRIP "${run_output}" flags)
    message(STATUS "pkg-config --cflags --libs ${ARGN}: ${flags}")
    separate_arguments(flags UNIX_COMMAND "${flags}")
    set(${out} ${flags} PARENT_SCOPE)
  endfunction()
  flags_of(raw kestrom brennic)
  flags_of(toolkit kestrom-toolkit)
  # Include and link flags only: a language standard there would override the user's.
  if(toolkit MATCHES "-std")
    message(FATAL_ERROR "kestrom-toolkit.pc sets the language standard: ${toolkit}")
  endif()
  set(warnings -Wall -Wextra -Wpedantic -Werror)
  # As the README links: with a run path to the install tree, no LD_LIBRARY_PATH.
  set(rpath -Wl,-rpath,${prefix}/${LIBDIR})
  run(${CXX} -std=c++11 ${warnings} ${CONSUMER_DIR}/consumer.cpp
    -DKESTROM_EXPECTED_VERSION_STRING="${VERSION}" ${raw} ${rpath} -o ${bin}/consumer)
  run(${CXX} -std=c++11 ${EXAMPLES_DIR}/raw_api.cpp ${raw} ${rpath} -o ${bin}/raw_api)
  run(${CXX} -std=c++17 ${warnings} ${EXAMPLES_DIR}/toolkit.cpp ${toolkit} ${rpath} -o ${bin}/toolkit)
  # The user's standard stays the user's; below C++17 the header says what to do.
  file(WRITE ${WORK_DIR}/standard.cpp "#include <kestrom/number.hpp>\nstatic_assert(__cplusplus == 202002L, \"C++20 was asked for\");\nint main() {}\n")
  run(${CXX} -std=c++20 ${warnings} -c ${WORK_DIR}/standard.cpp ${toolkit} -o ${WORK_DIR}/standard.o)
  execute_process(COMMAND ${CXX} -std=c++14 -c ${EXAMPLES_DIR}/toolkit.cpp ${toolkit} -o ${WORK_DIR}/old.o
    RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(status EQUAL 0 OR NOT out MATCHES "needs C\\+\\+17 or later: compile with -std=c\\+\\+17")
    message(FATAL_ERROR "the toolkit compiled below C++17 without saying what it needs (${status}):\n${out}")
  endif()
else()
  message(FATAL_ERROR "MODE must be find_package or pkg-config, not '${MODE}'")
endif()

unset(ENV{LD_LIBRARY_PATH})
run(${bin}/consumer)
message(STATUS "${MODE}: ${run_output}")

# The installed tcalc finds the installed libraries by itself.
if(MODE STREQUAL "find_package")
  run(${prefix}/bin/tcalc --format value 1+1)
  if(NOT run_output STREQUAL "2\n")
    message(FATAL_ERROR "the installed tcalc printed '${run_output}' for 1+1")
  endif()
  message(STATUS "the installed tcalc runs without LD_LIBRARY_PATH")
endif()
# What the README's examples print, as their comments say.
foreach(example IN ITEMS raw_api toolkit)
  if(example STREQUAL "raw_api")
    set(want "0 0 0 0 0 1 0 1 0 0 0 0 \n")
  else()
    set(want "17/3\n0.+-0-00000000000000000000000 * 3^3\n5.6666666666667\n")
  endif()
  run(${bin}/${example})
  if(NOT run_output STREQUAL want)
    message(FATAL_ERROR "${example} printed\n${run_output}instead of\n${want}")
  endif()
  message(STATUS "${MODE}: ${example} prints what the README says")
endforeach()
