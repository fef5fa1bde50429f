// skyloom-sim: runs the plug-in inside the simulated game on virtual time,
// plays a player who toggles it with the chord, and prints what the player
// would see (status line, feed, the game's weather) and the log it leaves.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "host_api.h"
#include "os_control.h"

namespace fs = std::filesystem;

namespace {

constexpr uint32_t kFrameMs = 16;
constexpr int kControl = 0x11, kW = 0x57;

struct Options {
    fs::path dir = "sim-run";
    int seconds = 30;
};

Options Parse(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--dir") && i + 1 < argc)
            options.dir = argv[++i];
        else if (!std::strcmp(argv[i], "--seconds") && i + 1 < argc)
            options.seconds = std::atoi(argv[++i]);
        else {
            std::fprintf(stderr, "usage: skyloom-sim [--dir DIR] [--seconds N]\n");
            std::exit(2);
        }
    }
    return options;
}

// Whether the frame starting at ms is the one in which moment falls.
bool InFrame(uint32_t ms, uint32_t moment) { return moment >= ms && moment < ms + kFrameMs; }

std::string Clock(uint32_t ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%3u.%03u s", ms / 1000, ms % 1000);
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    Options options = Parse(argc, argv);
    fs::create_directories(options.dir);
    if (!fs::exists(options.dir / "Skyloom.xml")) fs::copy_file(SKYLOOM_SAMPLE_SETTINGS, options.dir / "Skyloom.xml");
    fs::current_path(options.dir);
    std::printf("game folder: %s\n", fs::current_path().c_str());

    // The machine has been up for ten minutes when the game loads the plug-in.
    const uint32_t boot = 600000;
    SkyloomOsSetTick(boot);
    std::string error;
    if (!hook::LoadPlugin(SKYLOOM_PLUGIN_PATH, &error)) {
        std::printf("could not load the plug-in: %s\n", error.c_str());
        return 1;
    }
    std::printf("plug-in loaded, scripts registered: %zu\n", hook::RegisteredScripts());

    std::string shown;
    size_t feedSeen = 0;
    std::string weather = hook::GetWorld().persistentWeather;
    const uint32_t end = static_cast<uint32_t>(options.seconds) * 1000;
    for (uint32_t ms = 0; ms <= end; ms += kFrameMs) {
        // The player toggles the plug-in off at 5 s and on again at 10 s.
        for (uint32_t at : {5000u, 10000u}) {
            if (InFrame(ms, at)) {
                std::printf("%s  player presses Ctrl+W\n", Clock(ms).c_str());
                SkyloomOsSetKey(kControl, true);
                SkyloomOsSetKey(kW, true);
            }
            if (InFrame(ms, at + 100)) SkyloomOsSetKey(kW, false);
            if (InFrame(ms, at + 200)) SkyloomOsSetKey(kControl, false);
        }
        SkyloomOsSetTick(boot + ms);
        hook::RunFrame();

        auto drawn = hook::DrawnThisFrame();
        std::string now = drawn.empty() ? "" : drawn.back().text;
        if (now != shown) {
            std::printf("%s  status line: %s\n", Clock(ms).c_str(),
                        now.empty() ? "(gone)" : ("\"" + now + "\"").c_str());
            shown = now;
        }
        auto feed = hook::Feed();
        for (; feedSeen < feed.size(); ++feedSeen)
            std::printf("%s  feed: %s\n", Clock(ms).c_str(), feed[feedSeen].text.c_str());
        std::string current = hook::GetWorld().persistentWeather;
        if (current != weather) std::printf("%s  game weather: %s\n", Clock(ms).c_str(), current.c_str());
        weather = current;
        if (hook::LiveScripts() == 0) {
            std::printf("%s  the plug-in's script has ended\n", Clock(ms).c_str());
            break;
        }
    }

    size_t offFiber = hook::Violations().size();
    std::printf("frames: %llu, native calls: %zu, off the script fiber: %zu\n",
                static_cast<unsigned long long>(hook::FrameNumber()), hook::Calls().size(), offFiber);
    hook::UnloadPlugin();

    std::ifstream log("Skyloom.log", std::ios::binary);
    std::stringstream text;
    text << log.rdbuf();
    std::printf("--- Skyloom.log ---\n%s", text.str().c_str());
    return offFiber == 0 && hook::Errors().empty() ? 0 : 1;
}
