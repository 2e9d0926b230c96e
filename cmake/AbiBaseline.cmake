# SPDX-License-Identifier: MIT
# Records the ABI of a Linux shared library with libabigail, or compares it with the recorded
# baseline. Only what the public headers declare counts: exported functions, their parameter
# and return types, the types those headers define, the SONAME and the needed libraries.
# Build paths, source locations and private types are left out, and source paths are made
# relative, so the record does not depend on where or how the tree was built.
# Usage: cmake -DMODE=update|check -DABIDW=<abidw> -DABIDIFF=<abidiff> -DLIBRARY=<.so>
#   -DHEADERS=<public header dir> -DSOURCE_DIR=<source tree> -DBASELINE=<file.abi>
#   [-DOUTPUT=<file.abi> (check: where this build's record goes)] -P AbiBaseline.cmake
cmake_minimum_required(VERSION 3.25)

function(record library output)
  execute_process(COMMAND ${ABIDW} --no-corpus-path --no-comp-dir-path --no-show-locs
      --drop-private-types --exported-interfaces-only --type-id-style hash
      --headers-dir ${HEADERS} --out-file ${output}.tmp ${library}
    RESULT_VARIABLE status ERROR_VARIABLE err)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "abidw failed on ${library} (${status}):\n${err}")
  endif()
  file(READ ${output}.tmp text)
  file(REMOVE ${output}.tmp)
  string(REPLACE "path='${SOURCE_DIR}/" "path='" text "${text}")
  file(WRITE ${output} "${text}")
endfunction()

if(MODE STREQUAL "update")
  record(${LIBRARY} ${BASELINE})
  message(STATUS "recorded the ABI of ${LIBRARY} in ${BASELINE}")
elseif(MODE STREQUAL "check")
  record(${LIBRARY} ${OUTPUT})
  execute_process(COMMAND ${ABIDIFF} ${BASELINE} ${OUTPUT}
    RESULT_VARIABLE status OUTPUT_VARIABLE report ERROR_VARIABLE report)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "the ABI of ${LIBRARY} differs from ${BASELINE} "
      "(abidiff status ${status}):\n${report}\n"
      "If the change is deliberate, run script/update-abi and commit the new baseline.")
  endif()
  message(STATUS "the ABI of ${LIBRARY} matches ${BASELINE}")
else()
  message(FATAL_ERROR "MODE must be update or check, not '${MODE}'")
endif()
