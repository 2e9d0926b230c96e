# SPDX-License-Identifier: MIT
# kestrom_host_program(<target> <source> [DEPENDS <file>...])
# A program that loads the libraries as a foreign host does (examples/foreign_host.h) and runs
# on the target it checks: natively on Linux, and for the Win32 DLLs built with mingw-w64 (the
# DLLs' toolchain has no C++ runtime to link a program with) to run under Wine. Sets
# <target>_PROGRAM in the caller's scope to what runs it: the program's path, with Wine in
# front on Win32. (No -Wpedantic for mingw: its g++ objects to the thiscall type of
# foreign_host.h.)
function(kestrom_host_program target source)
  cmake_parse_arguments(PARSE_ARGV 2 arg "" "" "DEPENDS")
  if(WIN32 AND CMAKE_CROSSCOMPILING)
    find_program(KESTROM_MINGW_CXX i686-w64-mingw32-g++ REQUIRED)
    find_program(KESTROM_WINE wine)
    set(exe ${CMAKE_CURRENT_BINARY_DIR}/${target}.exe)
    add_custom_command(OUTPUT ${exe}
      COMMAND ${KESTROM_MINGW_CXX} -std=c++17 -O2 -Wall -Wextra -Werror -static
              -I${PROJECT_SOURCE_DIR}/examples -o ${exe} ${CMAKE_CURRENT_SOURCE_DIR}/${source}
      DEPENDS ${source} ${arg_DEPENDS} ${PROJECT_SOURCE_DIR}/examples/foreign_host.h
      VERBATIM)
    add_custom_target(${target} ALL DEPENDS ${exe})
    set(${target}_PROGRAM ${KESTROM_WINE} ${exe} PARENT_SCOPE)
  elseif(NOT WIN32)
    add_executable(${target} ${source})
    target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/examples)
    target_link_libraries(${target} PRIVATE ${CMAKE_DL_LIBS} kestrom_warnings)
    set(${target}_PROGRAM $<TARGET_FILE:${target}> PARENT_SCOPE)
  endif()
endfunction()

# kestrom_host_test(<test>...): tests that run a host program. On Win32 they run in this
# build's Wine prefix with Wine's messages off, after the fixture of tests/win32 has made the
# prefix ready and started the wineserver that they share.
set(KESTROM_WINE_PREFIX ${PROJECT_BINARY_DIR}/wineprefix)
function(kestrom_host_test)
  if(WIN32 AND CMAKE_CROSSCOMPILING)
    set_tests_properties(${ARGN} PROPERTIES
      ENVIRONMENT "WINEDEBUG=-all;WINEPREFIX=${KESTROM_WINE_PREFIX};WINEDLLOVERRIDES=mscoree,mshtml="
      FIXTURES_REQUIRED wine)
  endif()
endfunction()
