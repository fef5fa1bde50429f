// Our own declarations of the six script hook functions the plug-in links to.
#pragma once

#include <cstdint>

#include "win_api.h"

#if defined(_WIN32) && defined(SKYLOOM_BUILDING_SCRIPTHOOK)
#define SCRIPTHOOK_API __declspec(dllexport)
#elif defined(_WIN32)
#define SCRIPTHOOK_API __declspec(dllimport)
#else
#define SCRIPTHOOK_API __attribute__((visibility("default")))
#endif

// Registers scriptMain as the script of module; the hook later calls it on
// the script's own fiber, once per game frame until it returns.
SCRIPTHOOK_API void scriptRegister(HMODULE module, void (*scriptMain)());

// Drops every script of module; they are not run again.
SCRIPTHOOK_API void scriptUnregister(HMODULE module);

// Yields the script's fiber; returns on the first frame at least ms later.
SCRIPTHOOK_API void scriptWait(DWORD ms);

// One native call: nativeInit, one nativePush64 per argument, nativeCall.
SCRIPTHOOK_API void nativeInit(uint64_t hash);
SCRIPTHOOK_API void nativePush64(uint64_t value);
// Runs the pending call; the result stays valid until the next call begins.
SCRIPTHOOK_API uint64_t* nativeCall();
