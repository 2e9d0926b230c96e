# SPDX-License-Identifier: MIT
# CPack: a ZIP archive of the Windows DLLs with their import libraries, headers, toolkit,
# CMake package, license and README: what cmake/Install.cmake installs. The Linux packages
# are Debian's own kind, built from debian/ with dpkg-buildpackage. script/package builds both.
if(NOT WIN32)
  return()
endif()
set(CPACK_PACKAGE_NAME kestrom)
set(CPACK_PACKAGE_VENDOR "kestrom")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "Balanced-ternary floating point (kestrom) and four-lane SSE binary32 (brennic) libraries")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_VERBATIM_VARIABLES ON)
set(CPACK_SOURCE_GENERATOR "")
set(CPACK_GENERATOR ZIP)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
include(CPack)
