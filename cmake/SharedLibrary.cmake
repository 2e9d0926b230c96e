# SPDX-License-Identifier: MIT
# kestrom_shared_library(<target> <Windows entry source>)
# What both libraries share: public headers in the folder's include/ (installed to include/),
# the project's warnings, the version in the shared object's name (libX.so.<major>), and on
# Windows the DLL entry point. Built without a C runtime (KESTROM_WIN32_NO_CRT, set by the
# cross toolchain) the entry source provides _DllMainCRTStartup itself and the DLL links no
# default library; with a C runtime (MSVC) it provides DllMain and links as usual.
function(kestrom_shared_library target entry_source)
  target_include_directories(${target} PUBLIC
    $<BUILD_INTERFACE:${CMAKE_CURRENT_SOURCE_DIR}/include>
    $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
  target_link_libraries(${target} PRIVATE kestrom_warnings)
  set_target_properties(${target} PROPERTIES
    VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR})
  if(WIN32)
    target_sources(${target} PRIVATE ${entry_source})
    if(KESTROM_WIN32_NO_CRT)
      target_compile_definitions(${target} PRIVATE KESTROM_NO_CRT)
      target_link_options(${target} PRIVATE LINKER:/NODEFAULTLIB LINKER:/ENTRY:_DllMainCRTStartup)
    endif()
  endif()
endfunction()
