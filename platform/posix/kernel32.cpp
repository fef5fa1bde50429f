// Stand-ins for the kernel's tick counter and handle closing.
#include <atomic>
#include <ctime>

#include "os_control.h"
#include "win_api.h"

namespace {
std::atomic<bool> virtualTime{false};
std::atomic<uint32_t> virtualTick{0};
}  // namespace

extern "C" DWORD GetTickCount() {
    if (virtualTime.load(std::memory_order_acquire)) return virtualTick.load(std::memory_order_acquire);
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    // Truncation to 32 bits is the point: the real counter wraps the same way.
    return static_cast<DWORD>(static_cast<uint64_t>(now.tv_sec) * 1000u +
                              static_cast<uint64_t>(now.tv_nsec) / 1000000u);
}

extern "C" void SkyloomOsSetTick(uint32_t tick) {
    virtualTick.store(tick, std::memory_order_release);
    virtualTime.store(true, std::memory_order_release);
}

extern "C" void SkyloomOsUseRealTime() { virtualTime.store(false, std::memory_order_release); }

// Threads started by _beginthreadex are detached, so their handles hold nothing.
extern "C" BOOL CloseHandle(HANDLE handle) { return handle != nullptr ? TRUE : FALSE; }
