// skyloom-sim's command line: what to run, for how long, what the player and
// the game do meanwhile, and where the weather comes from.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace sim {

// The build the options are read for: the Windows one has no virtual time,
// no injected keys and no embedded weather service.
enum class Target { Linux, Windows };

enum class ServiceMode {
    Embedded,  // a weather service inside skyloom-sim, reached as the HTTP proxy
    Live,      // the network as the environment has it
    Proxy,     // every request through the HTTP proxy at Options::proxyUrl
};

// A key pressed or released at a moment of game time.
struct KeyEvent {
    uint64_t atMs = 0;
    int vKey = 0;
    bool down = false;
};

// The game leaving the applied weather for another at a moment of game time.
struct GameWeatherEvent {
    uint64_t atMs = 0;
    std::string name;
};

struct Options {
    std::filesystem::path dir = ".";  // the game's working directory
    std::filesystem::path plugin;     // empty: the build beside the program
    bool diagnostic = false;          // that build's diagnostic variant
    std::optional<uint64_t> seconds;  // game time to run; none: until interrupted
    uint32_t frameMs = 16;
    uint32_t startTick = 600000;
    bool realtime = false;
    std::vector<KeyEvent> keys;                 // in time order
    std::vector<GameWeatherEvent> gameWeather;  // in time order
    std::optional<int32_t> playerHandle;
    std::optional<int32_t> screenFadedOut;
    ServiceMode service = ServiceMode::Embedded;
    std::string proxyUrl;
    std::vector<std::string> unknownLocations;
    std::filesystem::path trace;  // empty: no trace
    bool sampleSettings = false;
    bool help = false;
};

// The chord of the sample settings (Ctrl+W), pressed at 5 s and 10 s.
std::vector<KeyEvent> DemoToggles();

// Reads args (without the program name). On a mistake returns nothing and
// says what is wrong in *error.
std::optional<Options> ParseOptions(const std::vector<std::string>& args, Target target, std::string* error);

std::string Usage(Target target);

}  // namespace sim
