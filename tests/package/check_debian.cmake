# SPDX-License-Identifier: MIT
# Builds the Debian packages from debian/ the way a distribution does (dpkg-buildpackage on a
# copy of the source tree), runs lintian --pedantic on them (any tag fails: overrides need a
# reason in debian/*.lintian-overrides), checks what each package holds and depends on, then
# unpacks them into a scratch root and uses them: tcalc --version, man -l tcalc.1, the
# consumer project built through find_package against the unpacked libkestrom-dev alone, and
# python3-kestrom imported by Debian's python3 on the unpacked libraries.
# Usage: cmake -DSOURCE_DIR=<tree> -DWORK_DIR=<scratch> -DCONSUMER_DIR=<consumer project>
#   -DEXAMPLES_DIR=<examples> -DVERSION=<x.y.z> -DCXX=<compiler> -DGENERATOR=<generator>
#   -DMAKE_PROGRAM=<make program> -P check_debian.cmake
cmake_minimum_required(VERSION 3.25)

include(${CMAKE_CURRENT_LIST_DIR}/../support/run.cmake)

file(REMOVE_RECURSE ${WORK_DIR})
set(src ${WORK_DIR}/kestrom-${VERSION})
# Everything but the build trees and git's own files, so the copy builds as a release would.
file(COPY ${SOURCE_DIR}/ DESTINATION ${src}
  REGEX "^${SOURCE_DIR}/(build|\\.git)$" EXCLUDE)

# With the nocheck profile: the Build-Depends without the test-only ones must be enough (the
# unit tests the package build would run are run by the suite itself).
set(ENV{DEB_BUILD_OPTIONS} "parallel=2 nocheck")
set(ENV{DEB_BUILD_PROFILES} "nocheck")
execute_process(COMMAND dpkg-buildpackage -b -us -uc WORKING_DIRECTORY ${src}
  RESULT_VARIABLE status OUTPUT_FILE ${WORK_DIR}/build.log ERROR_FILE ${WORK_DIR}/build.log)
if(NOT status EQUAL 0)
  file(READ ${WORK_DIR}/build.log log)
  message(FATAL_ERROR "dpkg-buildpackage failed (${status}):\n${log}")
endif()
run(dpkg-architecture -qDEB_HOST_ARCH)
string(STRIP "${run_output}" arch)
run(dpkg-architecture -qDEB_HOST_MULTIARCH)
string(STRIP "${run_output}" multiarch)

set(changes ${WORK_DIR}/kestrom_${VERSION}_${arch}.changes)
execute_process(COMMAND lintian --pedantic --display-info --fail-on error,warning,info,pedantic
    --tag-display-limit 0 ${changes}
  RESULT_VARIABLE status OUTPUT_VARIABLE tags ERROR_VARIABLE notes)
if(NOT status EQUAL 0 OR NOT tags STREQUAL "")
  message(FATAL_ERROR "lintian --pedantic (${status}):\n${tags}${notes}")
endif()
message(STATUS "lintian --pedantic: no tags on ${changes}")

# Package name and the fields and files that make it what it is.
set(lib usr/lib/${multiarch})
set(libkestrom0 "Multi-Arch: same" ${lib}/libkestrom.so.0 ${lib}/libkestrom.so.${VERSION})
set(libbrennic0 "Multi-Arch: same" ${lib}/libbrennic.so.0 ${lib}/libbrennic.so.${VERSION})
set(libkestrom-math0 "Multi-Arch: same" ${lib}/libkestrom-math.so.0 ${lib}/libkestrom-math.so.${VERSION})
set(libkestrom-dev "Multi-Arch: same"
  "Depends: libbrennic0 (= ${VERSION}), libkestrom-math0 (= ${VERSION}), libkestrom0 (= ${VERSION})"
  usr/include/kestrom.h usr/include/brennic.h usr/include/kestrom/version.h
  usr/include/kestrom/number.hpp usr/include/kestrom/math.hpp usr/include/kestrom/math.h
  ${lib}/libkestrom.so ${lib}/libbrennic.so ${lib}/libkestrom-math.so
  ${lib}/cmake/Kestrom/KestromConfig.cmake ${lib}/cmake/Kestrom/KestromMathTargets.cmake ${lib}/pkgconfig/kestrom.pc
  ${lib}/pkgconfig/brennic.pc ${lib}/pkgconfig/kestrom-toolkit.pc
  usr/share/doc/libkestrom-dev/README.md.gz usr/share/doc/libkestrom-dev/html/index.html
  usr/share/doc/libkestrom-dev/html/number_8hpp.html
  usr/share/doc/libkestrom-dev/examples/toolkit.cpp usr/share/doc/libkestrom-dev/examples/raw_api.cpp)
# A program needs at least the version that introduced the names it calls: 0.1.0 for every
# name of kestrom and brennic, 0.2.0 for kestrom-math's (the symbols files).
set(kestrom-tools "Depends: libbrennic0 (>= 0.1.0), libc6"
  usr/bin/tcalc usr/share/man/man1/tcalc.1.gz)
set(python3-kestrom "Architecture: all"
  "Depends: libbrennic0 (>= ${VERSION}), libkestrom-math0 (>= ${VERSION}), libkestrom0 (>= ${VERSION}), python3:any"
  usr/lib/python3/dist-packages/kestrom/__init__.py usr/lib/python3/dist-packages/kestrom/lanes.py
  usr/lib/python3/dist-packages/kestrom/py.typed)
set(root ${WORK_DIR}/root)
# What shlibs must have added to the Depends of the packages with programs and libraries.
set(libkestrom-math0_depends "libmpfr6")
set(kestrom-tools_depends "libedit2" "libkestrom-math0 \\(>= 0\\.2\\.0\\)")
foreach(pkg IN ITEMS libkestrom0 libbrennic0 libkestrom-math0 libkestrom-dev kestrom-tools python3-kestrom)
  set(deb ${WORK_DIR}/${pkg}_${VERSION}_${arch}.deb)
  if(NOT EXISTS ${deb})
    set(deb ${WORK_DIR}/${pkg}_${VERSION}_all.deb)
  endif()
  run(dpkg-deb --field ${deb})
  set(fields "${run_output}")
  run(dpkg-deb --contents ${deb})
  set(contents "${run_output}")
  list(APPEND ${pkg} usr/share/doc/${pkg}/copyright usr/share/doc/${pkg}/changelog.gz)
  foreach(want IN LISTS ${pkg})
    if(want MATCHES ": ")
      string(FIND "${fields}" "${want}" at)
    else()
      string(FIND "${contents}" " ./${want}" at)
    endif()
    if(at EQUAL -1)
      message(FATAL_ERROR "${pkg} lacks '${want}':\n${fields}\n${contents}")
    endif()
  endforeach()
  string(REGEX MATCH "\nDepends: [^\n]*" depends "${fields}")
  foreach(want IN LISTS ${pkg}_depends)
    if(NOT depends MATCHES "${want}")
      message(FATAL_ERROR "${pkg} does not depend on ${want} (tcalc without line editing or its functions?):${depends}")
    endif()
  endforeach()
  message(STATUS "${pkg}: as expected;${depends}")
  run(dpkg-deb -x ${deb} ${root})
endforeach()

# The unpacked packages in use.
set(ENV{LD_LIBRARY_PATH} ${root}/${lib})
run(${root}/usr/bin/tcalc --version)
string(FIND "${run_output}" "${VERSION}" at)
if(at EQUAL -1)
  message(FATAL_ERROR "tcalc --version printed '${run_output}', without the version ${VERSION}")
endif()
message(STATUS "tcalc --version: ${run_output}")
# tcalc's functions through the unpacked libkestrom-math0: the nearest 27-trit float to sqrt(2).
run(${root}/usr/bin/tcalc --format trits "sqrt(2)")
if(NOT run_output STREQUAL "0.+++-+--00-00-0+-0-00-00-0+- * 3^1\n")
  message(FATAL_ERROR "tcalc 'sqrt(2)' printed '${run_output}'")
endif()
message(STATUS "tcalc 'sqrt(2)': ${run_output}")

# Debian's python3 imports the package from the unpacked tree; ctypes finds the unpacked
# libraries through LD_LIBRARY_PATH.
set(ENV{PYTHONPATH} ${root}/usr/lib/python3/dist-packages)
run(/usr/bin/python3 -c "import kestrom
from kestrom import Format, Number, lanes, raw
print(Number.from_float(1.501, Format(4, 6)).to_fraction(), lanes.add((1, 2, 3, 4), (1, 1, 1, 1)),
      kestrom.__file__, raw.library().path)")
unset(ENV{PYTHONPATH})
if(NOT run_output MATCHES "^364/243 \\(2.0, 3.0, 4.0, 5.0\\) ${root}/usr/lib/python3/dist-packages/kestrom/__init__.py ")
  message(FATAL_ERROR "python3-kestrom with Debian's python3 printed '${run_output}'")
endif()
message(STATUS "python3-kestrom: ${run_output}")

set(ENV{MANWIDTH} 80)
execute_process(COMMAND man --warnings -l ${root}/usr/share/man/man1/tcalc.1.gz
  RESULT_VARIABLE status OUTPUT_VARIABLE page ERROR_VARIABLE warnings)
if(NOT status EQUAL 0 OR NOT warnings STREQUAL "" OR NOT page MATCHES "tcalc")
  message(FATAL_ERROR "man -l tcalc.1 (${status}):\n${warnings}")
endif()
message(STATUS "man -l tcalc.1: rendered without warnings")

run(${CMAKE_COMMAND} -S ${CONSUMER_DIR} -B ${WORK_DIR}/consumer -G ${GENERATOR}
  -DCMAKE_MAKE_PROGRAM=${MAKE_PROGRAM} -DCMAKE_CXX_COMPILER=${CXX}
  -DCMAKE_PREFIX_PATH=${root}/usr -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF
  -DKESTROM_EXPECTED_VERSION=${VERSION} -DEXAMPLES_DIR=${EXAMPLES_DIR} -DKESTROM_CONSUMER_MATH=ON)
file(STRINGS ${WORK_DIR}/consumer/CMakeCache.txt found_dir REGEX "^Kestrom_DIR:")
if(NOT found_dir STREQUAL "Kestrom_DIR:PATH=${root}/${lib}/cmake/Kestrom")
  message(FATAL_ERROR "find_package took the package from elsewhere: ${found_dir}")
endif()
run(${CMAKE_COMMAND} --build ${WORK_DIR}/consumer)
foreach(program IN ITEMS consumer toolkit math)
  run(${WORK_DIR}/consumer/${program})
  message(STATUS "${program} against the packages: ${run_output}")
endforeach()
