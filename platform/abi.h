// Calling convention and symbol visibility of the plug-in binary interface.
#pragma once

#if defined(_WIN32)
#define VEXLO_CDECL __cdecl
#define VEXLO_EXPORT __declspec(dllexport)
#else
#define VEXLO_CDECL
#define VEXLO_EXPORT __attribute__((visibility("default")))
#endif
