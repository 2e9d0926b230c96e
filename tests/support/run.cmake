# SPDX-License-Identifier: MIT
# run(<command> <args>...): runs a command, stops the script with its output if it fails, and
# leaves its standard output in run_output.
function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL 0)
    list(JOIN ARGN " " command)
    message(FATAL_ERROR "failed (${status}): ${command}\n${out}${err}")
  endif()
  set(run_output "${out}" PARENT_SCOPE)
endfunction()
