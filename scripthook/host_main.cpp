// skyloom-host: loads one plug-in into the stand-in script hook, runs some
// frames in real time and reports what the simulated game saw. Exits 0 when
// the plug-in registered one script, that script ran every frame, and no
// native was called off the script fiber.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "host_api.h"
#ifndef _WIN32
#include "os_control.h"
#endif

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: skyloom-host PLUGIN [FRAMES]\n");
        return 2;
    }
    int frames = argc > 2 ? std::atoi(argv[2]) : 60;
    std::string error;
    if (!hook::LoadPlugin(argv[1], &error)) {
        std::printf("could not load %s: %s\n", argv[1], error.c_str());
        return 1;
    }
    size_t registered = hook::RegisteredScripts();
    std::printf("loaded %s, scripts registered: %zu\n", argv[1], registered);
    for (int i = 0; i < frames; ++i) {
        hook::RunFrame();
        std::this_thread::sleep_for(std::chrono::milliseconds(16));
    }
    uint64_t resumes = hook::ScriptResumes();
    size_t live = hook::LiveScripts();
    std::printf("frames run: %d, script resumes: %llu, scripts still running: %zu\n", frames,
                static_cast<unsigned long long>(resumes), live);
    std::printf("native calls: %zu, off the script fiber: %zu, errors: %zu\n", hook::Calls().size(),
                hook::Violations().size(), hook::Errors().size());
    for (const auto& text : hook::Errors()) std::printf("error: %s\n", text.c_str());
    for (const auto& post : hook::Feed()) std::printf("feed (%d): %s\n", post.flag ? 1 : 0, post.text.c_str());
    hook::UnloadPlugin();
#ifndef _WIN32
    // Windows ends other threads before a process exits; POSIX leaves them
    // running through the exit, so let the fetch workers finish first.
    SkyloomOsWaitForThreads(10000);
#endif
    size_t after = hook::RegisteredScripts();
    std::printf("scripts registered after unload: %zu\n", after);
    bool ok = registered == 1 && resumes == static_cast<uint64_t>(frames) && live == 1 && hook::Violations().empty() &&
              hook::Errors().empty() && after == 0;
    std::printf("%s\n", ok ? "host check passed" : "host check FAILED");
    return ok ? 0 : 1;
}
