# SPDX-License-Identifier: MIT
# find_package(GMP [REQUIRED]): the GNU multiple-precision library, for the tests' oracles.
# Imported targets: GMP::gmp (C, gmp.h) and, when found, GMP::gmpxx (C++ classes, gmpxx.h;
# component gmpxx). Result variables: GMP_FOUND, GMP_gmpxx_FOUND, GMP_INCLUDE_DIR,
# GMP_LIBRARY, GMPXX_INCLUDE_DIR, GMPXX_LIBRARY.
find_path(GMP_INCLUDE_DIR gmp.h)
find_library(GMP_LIBRARY gmp)
find_path(GMPXX_INCLUDE_DIR gmpxx.h)
find_library(GMPXX_LIBRARY gmpxx)
mark_as_advanced(GMP_INCLUDE_DIR GMP_LIBRARY GMPXX_INCLUDE_DIR GMPXX_LIBRARY)

if(GMPXX_INCLUDE_DIR AND GMPXX_LIBRARY)
  set(GMP_gmpxx_FOUND TRUE)
endif()

include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(GMP REQUIRED_VARS GMP_LIBRARY GMP_INCLUDE_DIR HANDLE_COMPONENTS)

if(GMP_FOUND AND NOT TARGET GMP::gmp)
  add_library(GMP::gmp UNKNOWN IMPORTED)
  set_target_properties(GMP::gmp PROPERTIES IMPORTED_LOCATION ${GMP_LIBRARY}
    INTERFACE_INCLUDE_DIRECTORIES ${GMP_INCLUDE_DIR})
endif()
if(GMP_FOUND AND GMP_gmpxx_FOUND AND NOT TARGET GMP::gmpxx)
  add_library(GMP::gmpxx UNKNOWN IMPORTED)
  set_target_properties(GMP::gmpxx PROPERTIES IMPORTED_LOCATION ${GMPXX_LIBRARY}
    INTERFACE_INCLUDE_DIRECTORIES ${GMPXX_INCLUDE_DIR} INTERFACE_LINK_LIBRARIES GMP::gmp)
endif()
