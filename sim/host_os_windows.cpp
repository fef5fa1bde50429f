// The Windows build: the system's own clock, keyboard and threads.
#include <windows.h>

#include <cstdlib>

#include "host_os.h"

namespace sim::os {

std::filesystem::path ProgramDirectory() {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length == MAX_PATH) return std::filesystem::current_path();
    return std::filesystem::path(std::string(path, length)).parent_path();
}

std::string PluginFileName(bool diagnostic) { return diagnostic ? "Skyloom-diag.asi" : "Skyloom.asi"; }

// The options that need these are refused on Windows, so they are never called.
void SetTick(uint32_t) {}
void UseRealTime() {}
void SetKey(int, bool) {}
void ReleaseAllKeys() {}

std::optional<WorkerCount> CountWorkers() { return std::nullopt; }
bool WaitForWorkers(uint32_t) { return true; }

void RouteHttpThrough(const std::string& url) {
    // The C runtime's copy of the environment and the process's own are
    // separate; a WinInet proxy setting may be read from either.
    _putenv(("http_proxy=" + url).c_str());
    SetEnvironmentVariableA("http_proxy", url.c_str());
    _putenv("no_proxy=");
    SetEnvironmentVariableA("no_proxy", nullptr);
}

}  // namespace sim::os
