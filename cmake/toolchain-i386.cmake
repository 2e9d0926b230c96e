# SPDX-License-Identifier: MIT
# 32-bit x86 Linux on an x86-64 Debian machine, with the multilib g++ and the :i386 packages
# of the libraries the tests use (libgtest-dev:i386, libgmp-dev:i386, libmpfr-dev:i386).
# The programs run natively on the build machine.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
set(CMAKE_C_FLAGS_INIT "-m32")
set(CMAKE_CXX_FLAGS_INIT "-m32")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-m32")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-m32")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-m32")

# Debian's multiarch directories: find_library and find_path look in lib/i386-linux-gnu and
# include/i386-linux-gnu, and pkg-config in the i386 .pc directory.
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/i386-linux-gnu/pkgconfig:/usr/share/pkgconfig)
