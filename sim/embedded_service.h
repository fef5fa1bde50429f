// The weather service inside skyloom-sim: answers the plug-in's current
// weather request on loopback, as its HTTP proxy, with weather that moves
// through the game's types as game time passes.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "game_clock.h"
#include "service_answer.h"
#include "weather_service.h"

namespace sim {

// How long each condition lasts, in game time.
constexpr uint64_t kConditionPeriodMs = 120000;

// The condition code the service reports at that game time: a fixed cycle
// that visits every weather type the plug-in maps to.
int ConditionCodeAt(uint64_t gameMs);

// The reply to one request at that game time. A place is unknown when its
// name has no letter or when its name (before any comma) is one of unknown,
// whatever the case; an API key that is not 32 hexadecimal digits is refused
// as the real service refuses it.
weather_service::Reply AnswerRequest(const weather_service::Request& request, uint64_t gameMs,
                                     const std::vector<std::string>& unknown, ServiceAnswer* answer);

class EmbeddedService {
public:
    EmbeddedService(const GameClock& clock, std::vector<std::string> unknownLocations);
    ~EmbeddedService();
    EmbeddedService(const EmbeddedService&) = delete;
    EmbeddedService& operator=(const EmbeddedService&) = delete;

    // For http_proxy.
    std::string ProxyUrl() const;
    // The answers given since the last call, oldest first.
    std::vector<ServiceAnswer> TakeAnswers();

private:
    const GameClock& clock_;
    const std::vector<std::string> unknown_;
    std::mutex answersMutex_;
    std::vector<ServiceAnswer> answers_;
    // Last, so it stops serving before the members its handler uses go.
    std::unique_ptr<weather_service::Server> server_;
};

}  // namespace sim
