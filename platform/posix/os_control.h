// How a host drives the stand-in operating system: virtual time, the keyboard,
// and the threads the C runtime started.
// Only hosts and tests include this; the plug-in sees the plain Windows calls.
#pragma once

#include <cstdint>

#define SKYLOOM_OS_API __attribute__((visibility("default")))

// From now on GetTickCount answers tick (virtual time) until the next call.
extern "C" SKYLOOM_OS_API void SkyloomOsSetTick(uint32_t tick);
// Back to the real monotonic clock.
extern "C" SKYLOOM_OS_API void SkyloomOsUseRealTime();
// Presses or releases the key with that virtual-key code (0 to 255).
extern "C" SKYLOOM_OS_API void SkyloomOsSetKey(int vKey, bool down);
// Releases every key.
extern "C" SKYLOOM_OS_API void SkyloomOsReleaseAllKeys();
// Threads started with _beginthreadex since the process began.
extern "C" SKYLOOM_OS_API uint64_t SkyloomOsStartedThreads();
// Threads started with _beginthreadex that have not ended yet.
extern "C" SKYLOOM_OS_API int SkyloomOsRunningThreads();
// Waits until no such thread runs; false when timeoutMs passed first.
extern "C" SKYLOOM_OS_API bool SkyloomOsWaitForThreads(uint32_t timeoutMs);
