// The stand-in script hook as a host program or a test drives it: load a
// plug-in, run frames, and read what the simulated game saw.
#pragma once

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "script_hook.h"

namespace hook {

// One native call as the game received it.
struct NativeCall {
    uint64_t hash = 0;
    std::string name;            // the native's role, or "unknown"
    std::vector<uint64_t> raw;   // the pushed 64-bit values, first to last
    std::string args;            // decoded by the native's signature, e.g. 0.55, 0.55 or "STRING"
    std::string signature;       // one letter an argument: i integer, b boolean, f float, s string
    // Each argument decoded alone, strings without quotes.
    std::vector<std::string> values;
    uint64_t frame = 0;          // frame number during which it ran
    uint32_t tick = 0;           // GetTickCount() when it ran
    bool onScriptFiber = false;  // false: called from another thread, a fault in the real game
};

struct DrawnText {
    std::string text;
    float x = 0, y = 0;
    float scaleX = 0, scaleY = 0;
    int red = 0, green = 0, blue = 0, alpha = 0;
    int font = 0;
    bool centre = false;
};

struct FeedPost {
    std::string text;
    bool flag = false;  // the first argument of the post native
};

// The simulated game world behind the natives.
struct World {
    std::string persistentWeather;      // empty: none set
    std::string overrideWeather;        // empty: none
    std::string nextWeather = "CLEAR";  // the weather type the game is heading for
    int32_t playerHandle = 1;
    std::set<int32_t> entities{1};
    int32_t screenFadedOut = 0;
};

// Loads a plug-in library; its entry registers its scripts. On failure
// returns false and describes why in *error.
SCRIPTHOOK_API bool LoadPlugin(const std::string& path, std::string* error = nullptr);
// Unloads the plug-in loaded last; its entry unregisters its scripts.
SCRIPTHOOK_API void UnloadPlugin();
// The address of an exported symbol of the plug-in loaded last, or null.
SCRIPTHOOK_API void* PluginSymbol(const std::string& name);

// Registers body as a script of a module of its own, as a plug-in would;
// returns that module handle.
SCRIPTHOOK_API HMODULE RegisterScript(std::function<void()> body);

// One game frame: each live script whose wait has passed runs until it
// calls scriptWait or returns.
SCRIPTHOOK_API void RunFrame();
SCRIPTHOOK_API uint64_t FrameNumber();

// Scripts registered and not unregistered, ended ones included.
SCRIPTHOOK_API size_t RegisteredScripts();
// Registered scripts whose function has not returned.
SCRIPTHOOK_API size_t LiveScripts();
// How many times any script was resumed.
SCRIPTHOOK_API uint64_t ScriptResumes();

SCRIPTHOOK_API std::vector<NativeCall> Calls();
// The calls recorded so far, which are then forgotten: a host that runs for
// hours reads them frame by frame instead of copying an ever longer list.
SCRIPTHOOK_API std::vector<NativeCall> TakeCalls();
// Native calls that did not run on a script fiber.
SCRIPTHOOK_API std::vector<NativeCall> Violations();
// Unknown hashes, malformed calls, scriptWait off a fiber.
SCRIPTHOOK_API std::vector<std::string> Errors();
SCRIPTHOOK_API std::vector<DrawnText> DrawnThisFrame();
SCRIPTHOOK_API std::vector<FeedPost> Feed();

SCRIPTHOOK_API World GetWorld();
SCRIPTHOOK_API void EditWorld(const std::function<void(World&)>& edit);
// Puts the world back as a new game starts it.
SCRIPTHOOK_API void ResetWorld();

// Forgets recorded calls, errors, text and feed. The world, scripts and
// loaded plug-ins stay.
SCRIPTHOOK_API void ResetRecords();

}  // namespace hook
