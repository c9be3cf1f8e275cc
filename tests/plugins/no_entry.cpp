// A library that is no plug-in: it exports no VST entry.
#if defined(_WIN32)
#define EXPORTED __declspec(dllexport)
#else
#define EXPORTED __attribute__((visibility("default")))
#endif

extern "C" EXPORTED int notAPlugin() { return 42; }
