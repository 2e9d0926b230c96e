# SPDX-License-Identifier: MIT
# cmake "-DPROBE=probe command" "-DHOST=host command" -P nan_pairs.cmake   (words split by |)
# Runs the conformance host's NaN-pair lanes where the probe finds that this machine picks
# among NaN operands as the processor does; otherwise prints the probe's finding and
# "NaN-pair lane cases not run", which CTest reports as a skip.
string(REPLACE "|" ";" probe "${PROBE}")
string(REPLACE "|" ";" host "${HOST}")
execute_process(COMMAND ${probe} OUTPUT_VARIABLE found ERROR_VARIABLE found RESULT_VARIABLE result)
message("${found}")
if(result EQUAL 1)
  message("NaN-pair lane cases not run: the lanes of add, sub, mul and div whose operands are "
          "both NaNs (the \"nan pairs\" and \"nan kinds\" cases). The operand-order test of "
          "the machine code and a native x86-64 run cover them.")
  return()
elseif(NOT result EQUAL 0)
  message(FATAL_ERROR "the NaN probe failed to run: ${result}")
endif()
execute_process(COMMAND ${host} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the conformance host failed: ${result}")
endif()
