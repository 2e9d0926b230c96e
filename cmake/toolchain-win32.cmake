# SPDX-License-Identifier: MIT
# 32-bit x86 Windows DLLs with the MSVC ABI and name encoding, built on Linux with Debian's
# clang and lld and no Microsoft SDK. The libraries need no C runtime: they are compiled
# freestanding and linked without default libraries, with an entry point of their own.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR X86)

set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_CXX_COMPILER_TARGET i686-pc-windows-msvc)
set(CMAKE_LINKER lld-link)

set(CMAKE_CXX_FLAGS_INIT "-ffreestanding")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-fuse-ld=lld-link -nostdlib")
set(CMAKE_CXX_STANDARD_LIBRARIES "" CACHE STRING "No default import libraries" FORCE)
# Without an SDK nothing can be linked into an executable, so probes build static libraries.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)

set(KESTROM_WIN32_NO_CRT ON CACHE BOOL "Link the DLLs without a C runtime" FORCE)
