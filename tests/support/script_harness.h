// Runs test code on a script fiber of the stand-in script hook, as the
// plug-in's own script would run, with virtual time and keys.
#pragma once

#include <deque>
#include <functional>
#include <memory>

#include "host/script_thread.h"
#include "host_api.h"
#include "os_control.h"

class ScriptHarness {
public:
    ScriptHarness() {
        hook::ResetRecords();
        hook::ResetWorld();
        SkyloomOsReleaseAllKeys();
        module_ = hook::RegisterScript([jobs = jobs_] {
            MarkScriptThread();
            for (;;) {
                while (!jobs->empty()) {
                    auto job = std::move(jobs->front());
                    jobs->pop_front();
                    job();
                }
                scriptWait(0);
            }
        });
    }
    ~ScriptHarness() { scriptUnregister(module_); }

    // Runs job on the script fiber within the next frame, at tick.
    void RunAt(uint32_t tick, std::function<void()> job) {
        SkyloomOsSetTick(tick);
        jobs_->push_back(std::move(job));
        hook::RunFrame();
    }

private:
    // Shared with the script's body, which may outlive the harness while parked.
    std::shared_ptr<std::deque<std::function<void()>>> jobs_ = std::make_shared<std::deque<std::function<void()>>>();
    HMODULE module_;
};
