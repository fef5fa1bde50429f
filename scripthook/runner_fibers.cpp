// Scripts on Windows: each on a fiber of its own, switched to from the
// host's thread, as the real script hook does.
#include <atomic>

#include "internal.h"

namespace hook {

struct RunnerState {
    LPVOID fiber = nullptr;
};

namespace {
LPVOID hostFiber = nullptr;
DWORD hostThread = 0;
std::atomic<Script*> runningScript{nullptr};

void WINAPI FiberMain(LPVOID parameter) {
    Script* script = static_cast<Script*>(parameter);
    script->body();
    script->ended = true;
    // Returning from a fiber's function would end the whole thread.
    for (;;) SwitchToFiber(hostFiber);
}
}  // namespace

void RunnerResume(Script& script) {
    if (hostFiber == nullptr) {
        hostFiber = ConvertThreadToFiber(nullptr);
        hostThread = GetCurrentThreadId();
    }
    if (script.runner == nullptr) {
        script.runner = new RunnerState;
        script.runner->fiber = CreateFiber(0, FiberMain, &script);
        if (script.runner->fiber == nullptr) {
            RecordError("CreateFiber failed");
            script.ended = true;
            return;
        }
    }
    runningScript.store(&script);
    SwitchToFiber(script.runner->fiber);
    runningScript.store(nullptr);
    if (script.ended) {
        DeleteFiber(script.runner->fiber);
        delete script.runner;
        script.runner = nullptr;
    }
}

void RunnerYield(Script&) { SwitchToFiber(hostFiber); }

Script* RunnerCurrentScript() {
    if (hostThread == 0 || GetCurrentThreadId() != hostThread) return nullptr;
    Script* script = runningScript.load();
    return script != nullptr && GetCurrentFiber() == script->runner->fiber ? script : nullptr;
}

void RunnerAbandon(Script& script) {
    if (script.runner != nullptr && script.runner->fiber != nullptr) {
        DeleteFiber(script.runner->fiber);
        script.runner->fiber = nullptr;
    }
}

}  // namespace hook
