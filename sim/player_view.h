// What a player would see, as lines on the console and events in the trace:
// the game's weather, the status text, the feed and Skyloom.log; with the
// weather service's answers and the plug-in's fetch workers beside them.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "host_api.h"
#include "options.h"
#include "service_answer.h"
#include "trace.h"

namespace sim {

// The answers a weather service inside skyloom-sim gave since the last call.
using AnswerSource = std::function<std::vector<ServiceAnswer>()>;

// A moment of the run: game time, the script hook's frame, the tick counter.
struct Moment {
    uint64_t ms = 0;
    uint64_t frame = 0;
    uint32_t tick = 0;
};

// "m:ss.mmm" of game time.
std::string GameClockText(uint64_t ms);

class PlayerView {
public:
    // answers may be empty: no service inside skyloom-sim in this run.
    PlayerView(FILE* out, TraceWriter& trace, AnswerSource answers);

    // The game as it is before the first frame; Skyloom.log is followed from its present end.
    void Begin(const Moment& now);
    void Key(const Moment& now, const KeyEvent& key);
    void GameMovesOn(const Moment& now, const std::string& weather);
    void Note(const Moment& now, const std::string& text);
    // Reports everything new since the last call. Returns what the plug-in
    // did wrong, if anything: a native unknown to the game or called off the
    // script fiber, or another misuse of the script hook.
    std::optional<std::string> Observe(const Moment& now);

    uint64_t NativeCalls() const { return nativeCalls_; }
    // Nothing where the fetch workers cannot be counted.
    std::optional<uint64_t> FetchesStarted() const;

private:
    void Line(const Moment& now, const char* what, const std::string& text);
    std::optional<std::string> ObserveCalls(const Moment& now);
    void ObserveScreen(const Moment& now);
    void ObserveWorld(const Moment& now);
    void TraceWorld(const Moment& now);
    void ObserveWorkers(const Moment& now);
    void ObserveService(const Moment& now);
    void ObserveLog(const Moment& now);

    FILE* out_;
    TraceWriter& trace_;
    AnswerSource answers_;
    std::string status_;
    size_t feedSeen_ = 0;
    size_t errorsSeen_ = 0;
    hook::World world_;
    uint64_t workersStarted_ = 0, workersEnded_ = 0;
    uint64_t nativeCalls_ = 0, fetchesStarted_ = 0;
    bool countsWorkers_ = false;
    uint64_t logOffset_ = 0;
    std::string logPartial_;
};

}  // namespace sim
