// The library's entry point on Windows: it has nothing to set up or release, so it reports
// success for every reason.
extern "C" int __stdcall DllMain(void*, unsigned long, void*) { return 1; }
