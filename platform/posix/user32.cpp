// Stand-in for the asynchronous keyboard state, fed by the host.
#include <atomic>

#include "os_control.h"
#include "win_api.h"

namespace {
std::atomic<bool> keyDown[256];
}

extern "C" SHORT GetAsyncKeyState(int vKey) {
    if (vKey < 0 || vKey > 255) return 0;
    return keyDown[vKey].load(std::memory_order_acquire) ? static_cast<SHORT>(0x8000) : 0;
}

extern "C" void SkyloomOsSetKey(int vKey, bool down) {
    if (vKey >= 0 && vKey <= 255) keyDown[vKey].store(down, std::memory_order_release);
}

extern "C" void SkyloomOsReleaseAllKeys() {
    for (auto& key : keyDown) key.store(false, std::memory_order_release);
}
