# Install rules: both libraries, their public headers, a CMake package (find_package(Kestrom)
# gives Kestrom::kestrom and Kestrom::brennic) and, outside Windows, pkg-config files.
# Everything installed is relocatable: the package and the .pc files find the prefix from
# their own location, so an install tree may be moved or unpacked anywhere.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(KESTROM_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/Kestrom CACHE STRING
  "Where the CMake package files go, relative to the prefix")

# On Windows the DLL is a RUNTIME file and its import library an ARCHIVE file.
install(TARGETS kestrom brennic EXPORT KestromTargets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
# Whole include directories, so every public header added there is installed too.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/ternary/include/ ${PROJECT_SOURCE_DIR}/simd/include/
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES ${KESTROM_GENERATED_INCLUDEDIR}/kestrom/version.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/kestrom)

install(EXPORT KestromTargets NAMESPACE Kestrom::
  DESTINATION ${KESTROM_INSTALL_CMAKEDIR} FILE KestromTargets.cmake)
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/KestromConfig.cmake.in
  ${PROJECT_BINARY_DIR}/KestromConfig.cmake
  INSTALL_DESTINATION ${KESTROM_INSTALL_CMAKEDIR})
# An incompatible change of the exported names raises the major version, and with it the
# shared objects' SOVERSION.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/KestromConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/KestromConfig.cmake
  ${PROJECT_BINARY_DIR}/KestromConfigVersion.cmake
  DESTINATION ${KESTROM_INSTALL_CMAKEDIR})

if(NOT WIN32)
  # prefix=${pcfiledir}/../.. for the usual lib/pkgconfig; absolute directories stay absolute.
  set(pc_dir ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
  if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}" OR IS_ABSOLUTE "${CMAKE_INSTALL_INCLUDEDIR}")
    set(KESTROM_PC_PREFIX ${CMAKE_INSTALL_PREFIX})
    set(KESTROM_PC_LIBDIR ${CMAKE_INSTALL_FULL_LIBDIR})
    set(KESTROM_PC_INCLUDEDIR ${CMAKE_INSTALL_FULL_INCLUDEDIR})
  else()
    file(RELATIVE_PATH up /prefix/${pc_dir} /prefix)
    string(REGEX REPLACE "/$" "" up "${up}")
    set(KESTROM_PC_PREFIX "\${pcfiledir}/${up}")
    set(KESTROM_PC_LIBDIR "\${prefix}/${CMAKE_INSTALL_LIBDIR}")
    set(KESTROM_PC_INCLUDEDIR "\${prefix}/${CMAKE_INSTALL_INCLUDEDIR}")
  endif()
  foreach(lib IN ITEMS kestrom brennic)
    set(KESTROM_PC_NAME ${lib})
    if(lib STREQUAL "kestrom")
      set(KESTROM_PC_DESCRIPTION
        "Balanced-ternary floating-point arithmetic on caller-owned trit arrays")
    else()
      set(KESTROM_PC_DESCRIPTION
        "Lane-wise arithmetic on four IEEE 754 binary32 values with SSE")
    endif()
    configure_file(${CMAKE_CURRENT_LIST_DIR}/library.pc.in ${PROJECT_BINARY_DIR}/${lib}.pc @ONLY)
    install(FILES ${PROJECT_BINARY_DIR}/${lib}.pc DESTINATION ${pc_dir})
  endforeach()
endif()
