// The frames of a run: game time, the player's keys and the game's own
// weather changes, one script hook frame after another.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

#include "game_clock.h"
#include "options.h"
#include "player_view.h"

namespace sim {

struct LoopEnd {
    uint64_t gameMs = 0;  // game time of the last frame
    uint64_t frames = 0;
    bool interrupted = false;
    std::optional<std::string> fault;  // what the plug-in did wrong, when that ended the run
};

// The tick counter's value now, virtual or real as the options say.
uint32_t TickAt(const Options& options, uint64_t gameMs);

// Runs frames until the game time is up, the run is interrupted, the
// plug-in's script has ended or the plug-in has misused the script hook.
LoopEnd RunFrames(const Options& options, PlayerView& view, GameClock& clock, const std::atomic<bool>& interrupted);

}  // namespace sim
