// What the parts of the stand-in script hook share among themselves.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "host_api.h"

namespace hook {

struct RunnerState;

struct Script {
    HMODULE module = nullptr;
    std::function<void()> body;
    uint32_t waitStart = 0;  // tick of its last scriptWait
    uint32_t waitMs = 0;
    bool ended = false;    // its function returned
    bool dropped = false;  // unregistered; never run again
    RunnerState* runner = nullptr;
};

// How a script gets its own stack: a thread handed control in turn on
// POSIX, a fiber on Windows. One runs at a time either way.
void RunnerResume(Script& script);   // host side: runs script until it yields or ends;
                                     // an ended script's runner is released
void RunnerYield(Script& script);    // script side: back to the host
Script* RunnerCurrentScript();       // the script whose stack we are on, or null
void RunnerAbandon(Script& script);  // the script is never resumed again

// Native dispatch into the simulated game. Returns the 64-bit result.
uint64_t DispatchNative(uint64_t hash, const std::vector<uint64_t>& args, bool onScriptFiber);
void ClearFrameText();
void RecordError(const std::string& error);

}  // namespace hook
