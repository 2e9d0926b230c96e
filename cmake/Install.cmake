# SPDX-License-Identifier: MIT
# Install rules: both libraries, their public headers, the toolkit, the generated version
# header, kestrom-math where it is built, a CMake package (find_package(Kestrom) gives
# Kestrom::kestrom, Kestrom::brennic and Kestrom::toolkit; the component math gives
# Kestrom::math) and, outside Windows, pkg-config files. Components: "runtime" (the shared
# libraries), "development" (everything a program is built with) and "tools" (tcalc).
# Everything installed is relocatable: the package and the .pc files find the prefix from
# their own location, so an install tree may be moved or unpacked anywhere.
include(CMakePackageConfigHelpers)

set(KESTROM_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/Kestrom CACHE STRING
  "Where the CMake package files go, relative to the prefix")

# On Windows the DLL is a RUNTIME file and its import library an ARCHIVE file.
install(TARGETS kestrom brennic kestrom_toolkit EXPORT KestromTargets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime
    NAMELINK_COMPONENT development
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development)
# Whole include directories, so every public header added there is installed too.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/ternary/include/ ${PROJECT_SOURCE_DIR}/simd/include/
  ${PROJECT_SOURCE_DIR}/toolkit/include/
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT development)
install(FILES ${KESTROM_GENERATED_INCLUDEDIR}/kestrom/version.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/kestrom COMPONENT development)

# kestrom-math, where it is built: its own export set, so that the package offers the
# component math only when it was installed.
if(TARGET kestrom_math)
  install(TARGETS kestrom_math EXPORT KestromMathTargets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT development)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/math/include/
    DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT development)
  install(EXPORT KestromMathTargets NAMESPACE Kestrom::
    DESTINATION ${KESTROM_INSTALL_CMAKEDIR} FILE KestromMathTargets.cmake COMPONENT development)
endif()

install(EXPORT KestromTargets NAMESPACE Kestrom::
  DESTINATION ${KESTROM_INSTALL_CMAKEDIR} FILE KestromTargets.cmake COMPONENT development)
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/KestromConfig.cmake.in
  ${PROJECT_BINARY_DIR}/KestromConfig.cmake
  INSTALL_DESTINATION ${KESTROM_INSTALL_CMAKEDIR})
# An incompatible change of the exported names raises the major version, and with it the
# shared objects' SOVERSION.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/KestromConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/KestromConfig.cmake
  ${PROJECT_BINARY_DIR}/KestromConfigVersion.cmake
  DESTINATION ${KESTROM_INSTALL_CMAKEDIR} COMPONENT development)

if(WIN32)
  # The archive of the DLLs carries its license and front page; on Linux the distribution's
  # packages carry them in their own places.
  install(FILES ${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_SOURCE_DIR}/README.md
    DESTINATION . COMPONENT runtime)
else()
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
  foreach(pc IN ITEMS kestrom brennic kestrom-toolkit)
    set(KESTROM_PC_NAME ${pc})
    set(KESTROM_PC_REQUIRES "")
    set(KESTROM_PC_LIBS "-L\${libdir} -l${pc}")
    set(KESTROM_PC_CFLAGS "-I\${includedir}")
    if(pc STREQUAL "kestrom")
      set(KESTROM_PC_DESCRIPTION
        "Balanced-ternary floating-point arithmetic on caller-owned trit arrays")
    elseif(pc STREQUAL "brennic")
      set(KESTROM_PC_DESCRIPTION
        "Lane-wise arithmetic on four IEEE 754 binary32 values with SSE")
    else()
      # Header-only: the library comes from kestrom.pc. The headers need C++17 or later,
      # which the compiler is told by its user: a -std flag here would override a newer one.
      set(KESTROM_PC_DESCRIPTION "Ternary floats as C++ values (needs C++17 or later), on top of kestrom")
      set(KESTROM_PC_REQUIRES "kestrom = ${PROJECT_VERSION}")
      set(KESTROM_PC_LIBS "")
    endif()
    configure_file(${CMAKE_CURRENT_LIST_DIR}/library.pc.in ${PROJECT_BINARY_DIR}/${pc}.pc @ONLY)
    install(FILES ${PROJECT_BINARY_DIR}/${pc}.pc DESTINATION ${pc_dir} COMPONENT development)
  endforeach()
endif()
