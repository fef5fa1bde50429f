// Scripts on POSIX: each on a thread of its own, handed control in turn, so
// exactly one of host and scripts runs at a time. Friendlier to the
// sanitizers than swapping stacks by hand, and the same to the plug-in.
#include <condition_variable>
#include <mutex>
#include <thread>

#include "internal.h"

namespace hook {

struct RunnerState {
    std::mutex mutex;
    std::condition_variable turnChanged;
    bool scriptsTurn = false;
    std::thread thread;
};

namespace {
thread_local Script* currentScript = nullptr;

// The caller holds the runner's lock.
void HandBack(RunnerState& runner) {
    runner.scriptsTurn = false;
    runner.turnChanged.notify_all();
}
}  // namespace

void RunnerResume(Script& script) {
    if (script.runner == nullptr) {
        script.runner = new RunnerState;
        RunnerState* runner = script.runner;
        Script* target = &script;
        runner->thread = std::thread([runner, target] {
            {
                std::unique_lock<std::mutex> lock(runner->mutex);
                runner->turnChanged.wait(lock, [runner] { return runner->scriptsTurn; });
            }
            currentScript = target;
            target->body();
            std::unique_lock<std::mutex> lock(runner->mutex);
            target->ended = true;
            HandBack(*runner);
        });
    }
    RunnerState& runner = *script.runner;
    std::unique_lock<std::mutex> lock(runner.mutex);
    runner.scriptsTurn = true;
    runner.turnChanged.notify_all();
    runner.turnChanged.wait(lock, [&runner] { return !runner.scriptsTurn; });
    if (script.ended) {
        lock.unlock();
        runner.thread.join();
        delete script.runner;
        script.runner = nullptr;
    }
}

void RunnerYield(Script& script) {
    RunnerState& runner = *script.runner;
    std::unique_lock<std::mutex> lock(runner.mutex);
    HandBack(runner);
    runner.turnChanged.wait(lock, [&runner] { return runner.scriptsTurn; });
}

Script* RunnerCurrentScript() { return currentScript; }

void RunnerAbandon(Script& script) {
    // A script parked in scriptWait can't be unwound without running its
    // handlers, so its thread and runner are left parked for good, as a
    // deleted fiber's stack would be.
    if (script.runner != nullptr && script.runner->thread.joinable()) script.runner->thread.detach();
}

}  // namespace hook
