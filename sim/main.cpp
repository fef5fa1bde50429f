// skyloom-sim: runs the plug-in inside the simulated game and shows what a
// player would see. See Usage() in options.cpp for the command line.
#include <atomic>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "game_clock.h"
#include "game_loop.h"
#include "host_api.h"
#include "host_os.h"
#include "options.h"
#include "player_view.h"
#include "trace.h"

#ifndef _WIN32
#include "embedded_service.h"
#endif

namespace fs = std::filesystem;

namespace {

#ifdef _WIN32
constexpr sim::Target kTarget = sim::Target::Windows;
#else
constexpr sim::Target kTarget = sim::Target::Linux;
#endif

// When a worker has not ended by then, the process ends without it.
constexpr uint32_t kUnloadWaitMs = 5000;

std::atomic<bool> interrupted{false};

extern "C" void OnInterrupt(int) {
    interrupted.store(true);
    // A second Ctrl-C ends the program at once.
    std::signal(SIGINT, SIG_DFL);
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "skyloom-sim: %s\n", message.c_str());
    return 1;
}

fs::path Absolute(const fs::path& path) { return path.empty() ? path : fs::absolute(path).lexically_normal(); }

// The folder holds a Skyloom.xml afterwards, or the reason it does not is returned.
std::string PrepareGameFolder(const sim::Options& options) {
    const fs::path sample = SKYLOOM_SAMPLE_SETTINGS;
    const fs::path dir = Absolute(options.dir);
    std::error_code error;
    if (!fs::is_directory(dir, error)) {
        if (!options.sampleSettings) return "the game folder " + dir.string() + " does not exist";
        if (!fs::create_directories(dir, error) && error) return "cannot make " + dir.string() + ": " + error.message();
    }
    if (fs::exists(dir / "Skyloom.xml", error)) return "";
    if (!options.sampleSettings)
        return "there is no Skyloom.xml in " + dir.string() + ", so the plug-in would have no settings.\n" +
               "The sample settings are " + sample.string() +
               ": copy that file there, or run again with --sample-settings.";
    if (!fs::copy_file(sample, dir / "Skyloom.xml", error))
        return "cannot copy the sample settings " + sample.string() + " into " + dir.string() + ": " + error.message();
    std::printf("skyloom-sim: copied the sample settings %s into the game folder\n", sample.string().c_str());
    return "";
}

std::string ServiceDescription(const sim::Options& options, const std::string& embeddedUrl) {
    switch (options.service) {
        case sim::ServiceMode::Embedded:
            return "inside skyloom-sim at " + embeddedUrl +
                   "; every place's weather changes every 2 minutes of game time";
        case sim::ServiceMode::Proxy:
            return "through the HTTP proxy " + options.proxyUrl;
        case sim::ServiceMode::Live:
            break;
    }
    return "the real one, over the network";
}

// Game time for a sentence rather than a column.
std::string Duration(uint64_t ms) {
    std::string text = sim::GameClockText(ms);
    return text.substr(text.find_first_not_of(' '));
}

int Run(sim::Options options) {
    if (options.plugin.empty())
        options.plugin = sim::os::ProgramDirectory() / sim::os::PluginFileName(options.diagnostic);
    options.plugin = Absolute(options.plugin);
    options.trace = Absolute(options.trace);
    if (!fs::exists(options.plugin)) return Fail("there is no plug-in at " + options.plugin.string());
    if (std::string problem = PrepareGameFolder(options); !problem.empty()) return Fail(problem);
    fs::current_path(options.dir);
    std::printf("skyloom-sim: game folder %s\n", fs::current_path().string().c_str());

    sim::TraceWriter trace;
    std::string error;
    if (!options.trace.empty() && !trace.Open(options.trace, &error)) return Fail(error);

    sim::GameClock clock;
    sim::AnswerSource answers;
    std::string embeddedUrl;
#ifndef _WIN32
    std::unique_ptr<sim::EmbeddedService> service;
    if (options.service == sim::ServiceMode::Embedded) {
        service = std::make_unique<sim::EmbeddedService>(clock, options.unknownLocations);
        embeddedUrl = service->ProxyUrl();
        sim::os::RouteHttpThrough(embeddedUrl);
        answers = [&service] { return service->TakeAnswers(); };
    }
#endif
    if (options.service == sim::ServiceMode::Proxy) sim::os::RouteHttpThrough(options.proxyUrl);
    std::printf("skyloom-sim: weather service %s\n", ServiceDescription(options, embeddedUrl).c_str());

    if (options.realtime)
        sim::os::UseRealTime();
    else
        sim::os::SetTick(options.startTick);
    hook::EditWorld([&](hook::World& world) {
        if (options.playerHandle) {
            // The player's character is the one entity the game knows.
            world.playerHandle = *options.playerHandle;
            world.entities.clear();
            if (*options.playerHandle != 0) world.entities.insert(*options.playerHandle);
        }
        if (options.screenFadedOut) world.screenFadedOut = *options.screenFadedOut;
    });

    sim::PlayerView view(stdout, trace, answers);
    sim::Moment start{0, hook::FrameNumber(), sim::TickAt(options, 0)};
    if (!hook::LoadPlugin(options.plugin.string(), &error))
        return Fail("the plug-in " + options.plugin.string() + " did not load: " + error);
    std::string length = options.seconds ? std::to_string(*options.seconds) + " s of game time" : "until Ctrl-C";
    std::string time = options.realtime ? "real time" : "virtual time from tick " + std::to_string(options.startTick);
    std::printf("skyloom-sim: loaded %s; %s, frames of %u ms, %s\n", options.plugin.string().c_str(), time.c_str(),
                options.frameMs, length.c_str());
    std::signal(SIGINT, OnInterrupt);

    view.Begin(start);
    sim::LoopEnd end = sim::RunFrames(options, view, clock, interrupted);
    hook::UnloadPlugin();
    sim::os::ReleaseAllKeys();
    bool workersEnded = sim::os::WaitForWorkers(kUnloadWaitMs);
    sim::Moment last{end.gameMs, hook::FrameNumber(), sim::TickAt(options, end.gameMs)};
    if (auto fault = view.Observe(last); fault && !end.fault) end.fault = fault;
    std::fflush(stdout);

    if (end.interrupted) std::printf("skyloom-sim: interrupted\n");
    std::string fetches;
    if (auto started = view.FetchesStarted()) fetches = "weather fetches: " + std::to_string(*started) + ", ";
    std::printf("skyloom-sim: ran %s of game time in %llu frames; %snative calls: %llu\n", Duration(end.gameMs).c_str(),
                static_cast<unsigned long long>(end.frames), fetches.c_str(),
                static_cast<unsigned long long>(view.NativeCalls()));
    if (!workersEnded) std::printf("skyloom-sim: a weather fetch was still running when the program ended\n");
    std::printf("skyloom-sim: unloaded the plug-in; its log is %s\n",
                (fs::current_path() / "Skyloom.log").string().c_str());
    std::fflush(stdout);
    if (end.fault) {
        std::fprintf(stderr, "skyloom-sim: %s (at %s of game time, frame %llu)\n", end.fault->c_str(),
                     Duration(end.gameMs).c_str(), static_cast<unsigned long long>(last.frame));
        return 3;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // Each line as it happens, for whoever follows the output.
    std::setvbuf(stdout, nullptr, _IOLBF, BUFSIZ);
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string error;
    auto options = sim::ParseOptions(args, kTarget, &error);
    if (!options) {
        std::fprintf(stderr, "skyloom-sim: %s\nskyloom-sim --help lists the options.\n", error.c_str());
        return 2;
    }
    if (options->help) {
        std::fputs(sim::Usage(kTarget).c_str(), stdout);
        return 0;
    }
    return Run(*options);
}
