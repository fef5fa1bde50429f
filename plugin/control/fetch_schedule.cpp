// When the controller starts a fetch worker, and the thread that runs it.
#include "control/fetch_schedule.h"

#include "settings/settings.h"
#include "weather/fetch_worker.h"
#include "win_api.h"

uint32_t lastFetchStart = 0;

namespace {

constexpr uint32_t kFetchPeriodMs = 60000;

// Runs one fetch, then drops the reference on the plug-in that its starter
// took: the library stays loaded, even through an unload by the game, until
// no worker is left inside it.
unsigned __stdcall FetchWorkerThread(void* argument) {
    FetchWorker(argument);
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&FetchWorkerThread), &module);
    FreeLibraryAndExitThread(module, 0);
}

void StartFetchWorker() {
    // Taken here, before the thread exists, so no unload can slip in before it.
    HMODULE module = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCSTR>(&FetchWorkerThread),
                            &module))
        return;
    uintptr_t thread = _beginthreadex(nullptr, 0, FetchWorkerThread, nullptr, 0, nullptr);
    if (thread == 0) {
        FreeLibrary(module);
        return;
    }
    CloseHandle(reinterpret_cast<HANDLE>(thread));
}

}  // namespace

void RunFetchCheck(uint32_t now) {
    if (!WeatherSettings.enabled) return;
    // Elapsed time rather than now < last + period, which misbehaves in the
    // last minute before the 32-bit tick wraps.
    if (now - lastFetchStart < kFetchPeriodMs) return;
    // Counted as a start even when the thread does not start.
    lastFetchStart = now;
    StartFetchWorker();
}
