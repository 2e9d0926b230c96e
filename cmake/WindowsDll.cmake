# kestrom_windows_dll(<target> <entry source>)
# Adds the Windows entry point to a DLL target. Built without a C runtime
# (KESTROM_WIN32_NO_CRT, set by the cross toolchain) the entry source provides
# _DllMainCRTStartup itself and the DLL links no default library; with a C runtime (MSVC) it
# provides DllMain and links as usual.
function(kestrom_windows_dll target entry_source)
  target_sources(${target} PRIVATE ${entry_source})
  if(KESTROM_WIN32_NO_CRT)
    target_compile_definitions(${target} PRIVATE KESTROM_NO_CRT)
    target_link_options(${target} PRIVATE LINKER:/NODEFAULTLIB LINKER:/ENTRY:_DllMainCRTStartup)
  endif()
endfunction()
