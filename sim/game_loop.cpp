// The frame loop, in virtual or real time.
#include "game_loop.h"

#include <chrono>
#include <thread>

#include "game_clock.h"
#include "host_api.h"
#include "host_os.h"
#include "win_api.h"

namespace sim {
namespace {

// How long a frame waits in virtual time for a fetch to finish; a service
// that does not answer must not stop the game.
constexpr uint32_t kWorkerWaitMs = 5000;

class Events {
public:
    explicit Events(const Options& options) : options_(options) {}

    // Everything due by gameMs, before the frame at that time runs.
    void ApplyDue(const Moment& now, PlayerView& view) {
        for (; nextKey_ < options_.keys.size() && options_.keys[nextKey_].atMs <= now.ms; ++nextKey_) {
            const KeyEvent& key = options_.keys[nextKey_];
            os::SetKey(key.vKey, key.down);
            view.Key(now, key);
        }
        for (; nextWeather_ < options_.gameWeather.size() && options_.gameWeather[nextWeather_].atMs <= now.ms;
             ++nextWeather_) {
            const std::string& name = options_.gameWeather[nextWeather_].name;
            hook::EditWorld([&](hook::World& world) { world.nextWeather = name; });
            view.GameMovesOn(now, name);
        }
    }

private:
    const Options& options_;
    size_t nextKey_ = 0, nextWeather_ = 0;
};

}  // namespace

uint32_t TickAt(const Options& options, uint64_t gameMs) {
    // The counter wraps as the real one does.
    return options.realtime ? GetTickCount() : static_cast<uint32_t>(options.startTick + gameMs);
}

LoopEnd RunFrames(const Options& options, PlayerView& view, GameClock& clock, const std::atomic<bool>& interrupted) {
    using Clock = std::chrono::steady_clock;
    const auto begin = Clock::now();
    Events events(options);
    LoopEnd end;
    bool gaveUpWaiting = false;
    for (uint64_t frame = 0;; ++frame) {
        uint64_t ms = frame * options.frameMs;
        if (options.realtime) {
            std::this_thread::sleep_until(begin + std::chrono::milliseconds(ms));
            ms = static_cast<uint64_t>(
                std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - begin).count());
        }
        if (options.seconds && ms > *options.seconds * 1000) break;
        if (interrupted.load()) {
            end.interrupted = true;
            break;
        }
        clock.Set(ms);
        const uint32_t tick = TickAt(options, ms);
        if (!options.realtime) os::SetTick(tick);
        events.ApplyDue({ms, hook::FrameNumber() + 1, tick}, view);
        hook::RunFrame();
        Moment now{ms, hook::FrameNumber(), tick};
        end.gameMs = ms;
        ++end.frames;
        if (!options.realtime) {
            // Virtual time stands still until the fetch has its answer, and
            // only then is the frame looked at: every run with the same
            // options sees the same game, in the same order. A fetch that
            // outlasts the wait is waited for no more until it has ended, so
            // a silent service cannot hold up the game.
            auto count = os::CountWorkers();
            if (gaveUpWaiting && count && count->running == 0) gaveUpWaiting = false;
            if (!gaveUpWaiting && !os::WaitForWorkers(kWorkerWaitMs)) {
                gaveUpWaiting = true;
                view.Note(now, "a weather fetch is still running after 5 s; the game goes on without it");
            }
        }
        auto fault = view.Observe(now);
        if (fault) {
            end.fault = fault;
            break;
        }
        if (hook::LiveScripts() == 0) {
            view.Note(now, "the plug-in's script has ended; nothing more will happen");
            break;
        }
        if (options.realtime) std::fflush(stdout);
    }
    return end;
}

}  // namespace sim
