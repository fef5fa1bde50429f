// The Linux build: the POSIX stand-ins of the Windows API do what the host says.
#include <unistd.h>

#include <cstdlib>

#include "host_os.h"
#include "os_control.h"

namespace sim::os {

std::filesystem::path ProgramDirectory() {
    std::error_code error;
    auto program = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::current_path() : program.parent_path();
}

std::string PluginFileName(bool diagnostic) { return diagnostic ? "Skyloom-diag.so" : "Skyloom.so"; }

void SetTick(uint32_t tick) { SkyloomOsSetTick(tick); }
void UseRealTime() { SkyloomOsUseRealTime(); }
void SetKey(int vKey, bool down) { SkyloomOsSetKey(vKey, down); }
void ReleaseAllKeys() { SkyloomOsReleaseAllKeys(); }

std::optional<WorkerCount> CountWorkers() {
    return WorkerCount{SkyloomOsStartedThreads(), static_cast<uint64_t>(SkyloomOsRunningThreads())};
}

bool WaitForWorkers(uint32_t timeoutMs) { return SkyloomOsWaitForThreads(timeoutMs); }

void RouteHttpThrough(const std::string& url) {
    setenv("http_proxy", url.c_str(), 1);
    // A bypass list from the user's environment would send the requests past the proxy.
    unsetenv("no_proxy");
    unsetenv("NO_PROXY");
}

}  // namespace sim::os
