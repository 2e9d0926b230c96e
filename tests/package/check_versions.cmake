# SPDX-License-Identifier: MIT
# One version everywhere: the top CMakeLists.txt (given as VERSION), the newest entry of
# debian/changelog, python/pyproject.toml and the Python package's __version__, and
# CHANGELOG.md has a section for it. The changelog names no file that is not in the tree
# and no section that is not where it says.
# Usage: cmake -DSOURCE_DIR=<tree> -DVERSION=<x.y.z> -P check_versions.cmake
cmake_minimum_required(VERSION 3.25)

set(sources
  "debian/changelog|^kestrom \\(([^)]+)\\)"
  "python/pyproject.toml|\nversion = \"([^\"]+)\""
  "python/kestrom/__init__.py|\n__version__ = \"([^\"]+)\"")
set(wrong "")
foreach(source IN LISTS sources)
  string(REPLACE "|" ";" parts "${source}")
  list(GET parts 0 file)
  list(GET parts 1 pattern)
  file(READ ${SOURCE_DIR}/${file} text)
  if(NOT text MATCHES "${pattern}")
    string(APPEND wrong "  ${file}: no version found\n")
  elseif(NOT CMAKE_MATCH_1 STREQUAL VERSION)
    string(APPEND wrong "  ${file}: ${CMAKE_MATCH_1}\n")
  endif()
endforeach()
file(READ ${SOURCE_DIR}/CHANGELOG.md changelog)
string(FIND "${changelog}" "\n## ${VERSION}\n" at)
if(at EQUAL -1)
  string(APPEND wrong "  CHANGELOG.md: no section ## ${VERSION}\n")
endif()
if(wrong)
  message(FATAL_ERROR "CMakeLists.txt says ${VERSION}, but\n${wrong}")
endif()
message(STATUS "CMake, Debian, Python and CHANGELOG.md agree on ${VERSION}")

# Files named in backquotes, such as `docs/benchmarks.md`, and sections named as
# <file>, "<section>".
string(REGEX MATCHALL "`[A-Za-z0-9_.-]+/[A-Za-z0-9_./-]+\\.(py|cpp|h|hpp|md|cmake|txt|toml)`" files "${changelog}")
foreach(quoted IN LISTS files)
  string(REPLACE "`" "" file "${quoted}")
  string(REGEX REPLACE "/.*" "" top "${file}")  # paths in the tree, not include paths
  if(IS_DIRECTORY ${SOURCE_DIR}/${top} AND NOT EXISTS ${SOURCE_DIR}/${file})
    string(APPEND stale "  ${file} is not in the tree\n")
  endif()
endforeach()
string(REGEX MATCHALL "(the README|`[^`]+\\.md`), \"[^\"]+\"" sections "${changelog}")
foreach(reference IN LISTS sections)
  string(REGEX MATCH "^(the README|`([^`]+)`), \"([^\"]+)\"" _ "${reference}")
  set(file "${CMAKE_MATCH_2}")
  set(section "${CMAKE_MATCH_3}")
  if(file STREQUAL "")
    set(file README.md)
  endif()
  file(READ ${SOURCE_DIR}/${file} text)
  string(FIND "${text}" "\n## ${section}\n" at)
  if(at EQUAL -1)
    string(APPEND stale "  ${file} has no section \"${section}\"\n")
  endif()
endforeach()
if(stale)
  message(FATAL_ERROR "CHANGELOG.md names what is not there:\n${stale}")
endif()
message(STATUS "CHANGELOG.md names only files and sections that exist")
