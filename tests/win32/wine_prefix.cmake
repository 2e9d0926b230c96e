# SPDX-License-Identifier: MIT
# The Wine prefix of a Win32 test run, as a CTest fixture:
#   cmake -DWINE=... -DWINESERVER=... -DPREFIX=... -DLOG=... -DACTION=start -P wine_prefix.cmake
#     starts one wineserver that outlives each program, so that every test after it starts
#     in about a second instead of bringing up Wine's services again, then creates the prefix
#     on first use (it is kept in the build tree, so later runs only start its services);
#   ... -DACTION=stop ...
#     ends that wineserver and every Wine process of the prefix.
# Wine's own messages go to LOG, not into the test output.
set(ENV{WINEPREFIX} ${PREFIX})
set(ENV{WINEDEBUG} -all)
# No first-run dialogs offering to download Mono or Gecko: the tests need neither.
set(ENV{WINEDLLOVERRIDES} "mscoree,mshtml=")
if(ACTION STREQUAL "start")
  # The server first, so that wineboot and every program after it share it. It stays until
  # 60 s after its last program ends, so an interrupted run leaves nothing behind for long.
  # Its output goes to a file: a pipe would keep CTest waiting for the daemon.
  file(MAKE_DIRECTORY ${PREFIX})
  execute_process(COMMAND ${WINESERVER} -p60
    OUTPUT_FILE ${LOG}.server ERROR_FILE ${LOG}.server RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "wineserver -p60 failed (${result}): is a wineserver of ${PREFIX} "
            "already running? (wineserver -k ends it)")
  endif()
  # A new prefix is created (half a minute under an emulator); a kept one only has Wine's
  # services started (and is updated, should Wine have changed).
  if(EXISTS ${PREFIX}/system.reg)
    set(boot wineboot)
  else()
    set(boot wineboot --init)
  endif()
  execute_process(COMMAND ${WINE} ${boot} OUTPUT_FILE ${LOG} ERROR_FILE ${LOG}
    RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    file(READ ${LOG} log)
    message(FATAL_ERROR "${boot} failed (${result}) for ${PREFIX}:\n${log}")
  endif()
  message(STATUS "Wine prefix ${PREFIX} ready, its wineserver kept running")
elseif(ACTION STREQUAL "stop")
  execute_process(COMMAND ${WINESERVER} -k OUTPUT_QUIET ERROR_QUIET)
  message(STATUS "wineserver of ${PREFIX} ended")
else()
  message(FATAL_ERROR "ACTION must be start or stop")
endif()
