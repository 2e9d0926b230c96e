# CPack: a Debian package of the Linux libraries, headers, CMake package and pkg-config files,
# and a ZIP archive of the Windows DLLs with their import libraries, headers and CMake package.
# Both hold what cmake/Install.cmake installs. script/package builds them.
set(CPACK_PACKAGE_NAME kestrom)
set(CPACK_PACKAGE_VENDOR "kestrom")
set(CPACK_PACKAGE_CONTACT "kestrom developers <kestrom@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "Balanced-ternary floating point (kestrom) and four-lane SSE binary32 (brennic) libraries")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_VERBATIM_VARIABLES ON)
set(CPACK_SOURCE_GENERATOR "")

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION libdevel)
  # Depends from what the libraries need (dpkg-shlibdeps); stripped libraries; a shlibs file
  # and the ldconfig trigger for the shared objects.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_STRIP_FILES ON)
  set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE i386)
  endif()
endif()

include(CPack)
