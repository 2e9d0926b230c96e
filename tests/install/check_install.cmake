# Installs the build into a fresh prefix and builds and runs the consumer project against that
# install tree alone, either through find_package or with the flags pkg-config gives.
# Usage: cmake -DMODE=find_package|pkg-config -DBUILD_DIR=<build> -DWORK_DIR=<scratch dir>
#   -DCONSUMER_DIR=<consumer source> -DCXX=<compiler> -DGENERATOR=<generator>
#   -DMAKE_PROGRAM=<make program> -DPKG_CONFIG=<pkg-config> -DVERSION=<x.y.z>
#   -DSOVERSION=<n> -DLIBDIR=<lib> -DINCLUDEDIR=<include> -P check_install.cmake
cmake_minimum_required(VERSION 3.25)

include(${CMAKE_CURRENT_LIST_DIR}/../support/run.cmake)

set(prefix ${WORK_DIR}/prefix)
file(REMOVE_RECURSE ${WORK_DIR})
run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})

set(expected
  ${INCLUDEDIR}/kestrom.h ${INCLUDEDIR}/brennic.h)
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

set(exe ${WORK_DIR}/consumer)
if(MODE STREQUAL "find_package")
  run(${CMAKE_COMMAND} -S ${CONSUMER_DIR} -B ${WORK_DIR}/build -G ${GENERATOR}
    -DCMAKE_MAKE_PROGRAM=${MAKE_PROGRAM} -DCMAKE_CXX_COMPILER=${CXX}
    -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF
    -DKESTROM_EXPECTED_VERSION=${VERSION})
  # The package must come from the install tree, not from anywhere else on the machine.
  file(STRINGS ${WORK_DIR}/build/CMakeCache.txt found_dir REGEX "^Kestrom_DIR:")
  if(NOT found_dir STREQUAL "Kestrom_DIR:PATH=${prefix}/${LIBDIR}/cmake/Kestrom")
    message(FATAL_ERROR "find_package took the package from elsewhere: ${found_dir}")
  endif()
  run(${CMAKE_COMMAND} --build ${WORK_DIR}/build)
  # The consumer's build tree RPATH points at the install tree's libraries.
  set(exe ${WORK_DIR}/build/consumer)
elseif(MODE STREQUAL "pkg-config")
  set(ENV{PKG_CONFIG_PATH} ${prefix}/${LIBDIR}/pkgconfig)
  run(${PKG_CONFIG} --modversion kestrom brennic)
  string(REPLACE "\n" ";" versions "${run_output}")
  list(REMOVE_ITEM versions "")
  if(NOT versions STREQUAL "${VERSION};${VERSION}")
    message(FATAL_ERROR "pkg-config versions: ${versions}, expected ${VERSION}")
  endif()
  run(${PKG_CONFIG} --cflags --libs kestrom brennic)
  string(STRIP "${run_output}" flags)
  message(STATUS "pkg-config --cflags --libs kestrom brennic: ${flags}")
  separate_arguments(flags UNIX_COMMAND "${flags}")
  run(${CXX} -std=c++11 -Wall -Wextra -Wpedantic -Werror ${CONSUMER_DIR}/consumer.cpp
    ${flags} -o ${exe})
  set(ENV{LD_LIBRARY_PATH} ${prefix}/${LIBDIR})
else()
  message(FATAL_ERROR "MODE must be find_package or pkg-config, not '${MODE}'")
endif()

run(${exe})
message(STATUS "${MODE}: ${run_output}")
