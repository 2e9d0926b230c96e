# SPDX-License-Identifier: MIT
# What the optional parts of the build need beyond CMake and a C++17 compiler, looked up
# before any of them is configured. Everything missing is reported at once, with the Debian
# package that provides it and the option that turns its part off, instead of a failure
# deep inside the first find_package that misses.

# kestrom_need(<option> <found> <what> <debian package>): records <what> as missing for
# <option> unless <found> is true.
function(kestrom_need option found what package)
  if(NOT found)
    set_property(GLOBAL APPEND PROPERTY KESTROM_MISSING
      "  ${what} (Debian: ${package}), for ${option}")
    set_property(GLOBAL APPEND PROPERTY KESTROM_MISSING_PACKAGES ${package})
    set_property(GLOBAL APPEND PROPERTY KESTROM_MISSING_OPTIONS ${option})
  endif()
endfunction()

set(kestrom_native_linux OFF)
if(CMAKE_SYSTEM_NAME STREQUAL "Linux" AND NOT CMAKE_CROSSCOMPILING)
  set(kestrom_native_linux ON)
endif()

if(KESTROM_BUILD_TESTS)
  # every build that tests: the conformance host's operand-order check
  find_program(KESTROM_LLVM_OBJDUMP NAMES llvm-objdump llvm-objdump-14)
  kestrom_need(KESTROM_BUILD_TESTS "${KESTROM_LLVM_OBJDUMP}" "llvm-objdump" llvm)
  find_package(Python3 COMPONENTS Interpreter QUIET)
  kestrom_need(KESTROM_BUILD_TESTS "${Python3_Interpreter_FOUND}" "python3" python3)
  if(NOT KESTROM_CONFORMANCE_ONLY)
    find_package(GTest QUIET)
    kestrom_need(KESTROM_BUILD_TESTS "${GTest_FOUND}" "GoogleTest" libgtest-dev)
    find_package(GMP QUIET COMPONENTS gmpxx)
    kestrom_need(KESTROM_BUILD_TESTS "${GMP_FOUND}" "GMP with gmpxx" libgmp-dev)
    find_package(MPFR QUIET)
    kestrom_need(KESTROM_BUILD_TESTS "${MPFR_FOUND}" "MPFR" libmpfr-dev)
    if(kestrom_native_linux AND KESTROM_INSTALL AND KESTROM_TEST_DISTRIBUTION)
      find_program(KESTROM_PKG_CONFIG NAMES pkg-config pkgconf)
      kestrom_need(KESTROM_BUILD_TESTS "${KESTROM_PKG_CONFIG}" "pkg-config" pkgconf)
      foreach(tool package IN ZIP_LISTS
          "dpkg-buildpackage;lintian;man;abidw;abidiff;doxygen"
          "dpkg-dev;lintian;man-db;abigail-tools;abigail-tools;doxygen")
        find_program(KESTROM_${tool} ${tool})
        kestrom_need(KESTROM_BUILD_TESTS "${KESTROM_${tool}}" "${tool}" ${package})
      endforeach()
    endif()
  endif()
endif()

if(KESTROM_BUILD_BENCHMARKS AND NOT KESTROM_CONFORMANCE_ONLY AND NOT WIN32)
  find_package(benchmark QUIET)
  kestrom_need(KESTROM_BUILD_BENCHMARKS "${benchmark_FOUND}" "Google Benchmark" libbenchmark-dev)
  find_package(MPFR QUIET)
  kestrom_need(KESTROM_BUILD_BENCHMARKS "${MPFR_FOUND}" "MPFR" libmpfr-dev)
endif()

# kestrom-math asked for by name; when it is left to its default it follows MPFR, and a
# tcalc without MPFR is built without its functions (it says so in --help).
if(KESTROM_BUILD_MATH)
  find_package(MPFR QUIET)
  kestrom_need(KESTROM_BUILD_MATH "${MPFR_FOUND}" "MPFR" libmpfr-dev)
elseif(KESTROM_BUILD_TOOLS AND NOT DEFINED KESTROM_BUILD_MATH AND NOT WIN32)
  find_package(MPFR QUIET)
  if(NOT MPFR_FOUND)
    message(STATUS "tcalc: no MPFR (Debian: libmpfr-dev); tcalc is built without sqrt, sin, pi and the other functions")
  endif()
endif()

if(KESTROM_BUILD_PYTHON_TESTS AND kestrom_native_linux)
  # the first python3 on the path that has them (one of pyenv's may not)
  function(kestrom_python_usable result candidate)
    execute_process(COMMAND ${candidate} -c "import pytest, setuptools, venv"
      RESULT_VARIABLE status OUTPUT_QUIET ERROR_QUIET)
    if(NOT status EQUAL 0)
      set(${result} FALSE PARENT_SCOPE)
    endif()
  endfunction()
  find_program(KESTROM_PYTHON NAMES python3 VALIDATOR kestrom_python_usable
    DOC "Python 3 with pytest and setuptools, for the tests of the Python package")
  kestrom_need(KESTROM_BUILD_PYTHON_TESTS "${KESTROM_PYTHON}" "python3 with pytest, setuptools and venv"
    "python3-pytest python3-setuptools python3-venv")
endif()

get_property(kestrom_missing GLOBAL PROPERTY KESTROM_MISSING)
if(kestrom_missing)
  get_property(packages GLOBAL PROPERTY KESTROM_MISSING_PACKAGES)
  get_property(options GLOBAL PROPERTY KESTROM_MISSING_OPTIONS)
  list(REMOVE_DUPLICATES packages)
  list(REMOVE_DUPLICATES options)
  list(JOIN kestrom_missing "\n" lines)
  list(JOIN packages " " packages)
  list(TRANSFORM options APPEND "=OFF")
  list(TRANSFORM options PREPEND "-D")
  list(JOIN options " " options)
  message(FATAL_ERROR "Not found:\n${lines}\n"
    "Install them (apt-get install ${packages}), or build without the parts that need them:\n"
    "  cmake ${options} ...\n"
    "The libraries, the toolkit and tcalc need only CMake and a C++17 compiler.")
endif()
