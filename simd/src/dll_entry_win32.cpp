// SPDX-License-Identifier: MIT
// The library's entry point on Windows: it has nothing to set up or release, so it reports
// success for every reason. Built without a C runtime it is the image's entry point itself,
// and _fltused, which the compiler references from code that uses floating point and the
// runtime would otherwise define, is defined here; otherwise the runtime's startup code
// calls DllMain.
#if defined(KESTROM_NO_CRT)
extern "C" int _fltused = 0;
extern "C" int __stdcall _DllMainCRTStartup(void*, unsigned long, void*) { return 1; }
#else
extern "C" int __stdcall DllMain(void*, unsigned long, void*) { return 1; }
#endif
