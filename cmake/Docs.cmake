# SPDX-License-Identifier: MIT
# The docs target: the API reference in <build>/docs/html, made by Doxygen (Debian: doxygen)
# from the public headers, every public name documented (a warning fails it). Without
# doxygen there is no docs target; the test suite needs it (cmake/Dependencies.cmake).
find_program(KESTROM_DOXYGEN doxygen)
if(KESTROM_DOXYGEN)
  set(KESTROM_DOCS_DIR ${PROJECT_BINARY_DIR}/docs)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/Doxyfile.in ${KESTROM_DOCS_DIR}/Doxyfile @ONLY)
  add_custom_target(docs
    COMMAND ${CMAKE_COMMAND} -E remove_directory ${KESTROM_DOCS_DIR}/html
    COMMAND ${KESTROM_DOXYGEN} ${KESTROM_DOCS_DIR}/Doxyfile
    WORKING_DIRECTORY ${KESTROM_DOCS_DIR}
    COMMENT "API reference in ${KESTROM_DOCS_DIR}/html"
    VERBATIM)
else()
  message(STATUS "no doxygen (Debian: doxygen): no docs target for the API reference")
endif()
