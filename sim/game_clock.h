// The game time of a run, set by the frame loop and read from other threads
// (the embedded weather service's).
#pragma once

#include <atomic>
#include <cstdint>

namespace sim {

class GameClock {
public:
    void Set(uint64_t ms) { ms_.store(ms, std::memory_order_release); }
    uint64_t Now() const { return ms_.load(std::memory_order_acquire); }

private:
    std::atomic<uint64_t> ms_{0};
};

}  // namespace sim
