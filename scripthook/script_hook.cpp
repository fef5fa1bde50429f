// The six script hook functions and the frame loop of the stand-in host.
#include <atomic>
#include <memory>
#include <mutex>

#include "internal.h"

namespace hook {
namespace {

std::mutex scriptsMutex;
// Never erased, nor destroyed at exit: a dropped script's parked stack may
// still refer to it.
std::vector<std::unique_ptr<Script>>& scripts = *new std::vector<std::unique_ptr<Script>>;
std::atomic<uint64_t> frameNumber{0};
std::atomic<uint64_t> resumes{0};
uintptr_t nextTestModule = 0x7000'0000;

// A native call being built; per thread, so that a call from another
// thread never mixes with the script's.
struct PendingCall {
    bool open = false;
    uint64_t hash = 0;
    std::vector<uint64_t> args;
};
thread_local PendingCall pending;
thread_local uint64_t result;

std::vector<Script*> LiveSnapshot() {
    std::lock_guard<std::mutex> lock(scriptsMutex);
    std::vector<Script*> live;
    for (auto& script : scripts)
        if (!script->ended && !script->dropped) live.push_back(script.get());
    return live;
}

}  // namespace

HMODULE RegisterScript(std::function<void()> body) {
    HMODULE module;
    {
        std::lock_guard<std::mutex> lock(scriptsMutex);
        module = reinterpret_cast<HMODULE>(nextTestModule += 0x1000);
        auto script = std::make_unique<Script>();
        script->module = module;
        script->body = std::move(body);
        scripts.push_back(std::move(script));
    }
    return module;
}

void RunFrame() {
    frameNumber.fetch_add(1);
    ClearFrameText();
    for (Script* script : LiveSnapshot()) {
        // Elapsed time in unsigned arithmetic: right across the tick's wrap.
        if (GetTickCount() - script->waitStart < script->waitMs) continue;
        {
            std::lock_guard<std::mutex> lock(scriptsMutex);
            if (script->dropped) continue;
        }
        resumes.fetch_add(1);
        RunnerResume(*script);
    }
}

uint64_t FrameNumber() { return frameNumber.load(); }
uint64_t ScriptResumes() { return resumes.load(); }

size_t RegisteredScripts() {
    std::lock_guard<std::mutex> lock(scriptsMutex);
    size_t count = 0;
    for (auto& script : scripts) count += script->dropped ? 0 : 1;
    return count;
}

size_t LiveScripts() { return LiveSnapshot().size(); }

}  // namespace hook

using namespace hook;

void scriptRegister(HMODULE module, void (*scriptMain)()) {
    if (scriptMain == nullptr) {
        RecordError("scriptRegister without a script function");
        return;
    }
    auto script = std::make_unique<Script>();
    script->module = module;
    script->body = scriptMain;
    std::lock_guard<std::mutex> lock(scriptsMutex);
    scripts.push_back(std::move(script));
}

void scriptUnregister(HMODULE module) {
    std::lock_guard<std::mutex> lock(scriptsMutex);
    for (auto& script : scripts) {
        if (script->module != module || script->dropped) continue;
        script->dropped = true;
        RunnerAbandon(*script);
    }
}

void scriptWait(DWORD ms) {
    Script* script = RunnerCurrentScript();
    if (script == nullptr) {
        RecordError("scriptWait called off a script fiber");
        return;
    }
    script->waitStart = GetTickCount();
    script->waitMs = ms;
    RunnerYield(*script);
}

void nativeInit(uint64_t hash) {
    if (pending.open) RecordError("nativeInit before the previous call was made");
    pending.open = true;
    pending.hash = hash;
    pending.args.clear();
}

void nativePush64(uint64_t value) {
    if (!pending.open) {
        RecordError("nativePush64 without nativeInit");
        return;
    }
    pending.args.push_back(value);
}

uint64_t* nativeCall() {
    if (!pending.open) {
        RecordError("nativeCall without nativeInit");
        result = 0;
        return &result;
    }
    pending.open = false;
    result = DispatchNative(pending.hash, pending.args, RunnerCurrentScript() != nullptr);
    return &result;
}
