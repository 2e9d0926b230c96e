# SPDX-License-Identifier: MIT
# find_package(MPFR [REQUIRED]): correctly rounded floating point on top of GMP, the
# reference for brennic's lanes. Imported target MPFR::mpfr (links GMP::gmp). Result
# variables: MPFR_FOUND, MPFR_INCLUDE_DIR, MPFR_LIBRARY.
find_package(GMP QUIET)
find_path(MPFR_INCLUDE_DIR mpfr.h)
find_library(MPFR_LIBRARY mpfr)
mark_as_advanced(MPFR_INCLUDE_DIR MPFR_LIBRARY)

include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(MPFR REQUIRED_VARS MPFR_LIBRARY MPFR_INCLUDE_DIR GMP_FOUND)

if(MPFR_FOUND AND NOT TARGET MPFR::mpfr)
  add_library(MPFR::mpfr UNKNOWN IMPORTED)
  set_target_properties(MPFR::mpfr PROPERTIES IMPORTED_LOCATION ${MPFR_LIBRARY}
    INTERFACE_INCLUDE_DIRECTORIES ${MPFR_INCLUDE_DIR} INTERFACE_LINK_LIBRARIES GMP::gmp)
endif()
