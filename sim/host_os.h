// What skyloom-sim asks of the operating system. On Linux the plug-in's
// Windows calls are our stand-ins, so time and keys are ours to drive and the
// fetch workers can be counted; on Windows they are the system's own.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace sim::os {

// The folder skyloom-sim was started from, where the plug-in builds are.
std::filesystem::path ProgramDirectory();
// The plug-in's file name in this build: Skyloom.so or Skyloom.asi.
std::string PluginFileName(bool diagnostic);

// Virtual time and injected keys; Linux only (the options are refused elsewhere).
void SetTick(uint32_t tick);
void UseRealTime();
void SetKey(int vKey, bool down);
void ReleaseAllKeys();

// Fetch workers: threads the plug-in started through _beginthreadex.
// Nothing on Windows, where they cannot be told from the system's threads.
struct WorkerCount {
    uint64_t started = 0;
    uint64_t running = 0;
};
std::optional<WorkerCount> CountWorkers();
// Waits until no worker runs; false when timeoutMs passed first.
bool WaitForWorkers(uint32_t timeoutMs);

// Sends the plug-in's HTTP requests through the proxy at url, for the
// plug-in and anything it loads later.
void RouteHttpThrough(const std::string& url);

}  // namespace sim::os
