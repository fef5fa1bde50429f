// A plug-in that breaks the script hook's rules, for the host's checks:
// SKYLOOM_ROGUE=unknown calls a native the game does not have; =thread calls
// a real one from a thread of its own. Otherwise it only waits.
#include <cstdlib>
#include <cstring>
#include <thread>

#include "script_hook.h"
#include "win_api.h"

namespace {

constexpr uint64_t kIsScreenFadedOut = 0xB16FCE9DDC7BA182;

void Call(uint64_t hash) {
    nativeInit(hash);
    nativeCall();
}

void ScriptMain() {
    const char* fault = std::getenv("SKYLOOM_ROGUE");
    scriptWait(100);
    if (fault != nullptr && std::strcmp(fault, "unknown") == 0) Call(0x0123456789ABCDEF);
    if (fault != nullptr && std::strcmp(fault, "thread") == 0) std::thread([] { Call(kIsScreenFadedOut); }).join();
    for (;;) scriptWait(0);
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH)
        scriptRegister(instance, ScriptMain);
    else if (reason == DLL_PROCESS_DETACH)
        scriptUnregister(instance);
    return TRUE;
}
