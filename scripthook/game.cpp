// The simulated game behind the natives: decodes each call by the native's
// signature, records it, and acts on a small world.
#include <cstdio>
#include <cstring>
#include <mutex>
#include <unordered_map>

#include "internal.h"

namespace hook {
namespace {

struct TextStyle {
    int font = 0;
    float scaleX = 0, scaleY = 0;
    int red = 0, green = 0, blue = 0, alpha = 0;
    bool centre = false;
};

// One lock for everything the game records: natives may arrive from any thread.
std::mutex gameMutex;
World world;
TextStyle style;
std::vector<NativeCall> calls;
std::vector<std::string> errors;
std::vector<DrawnText> drawn;
std::vector<FeedPost> feed;
// What the last begin-text native started: "text" or "feed", and its components.
std::string entryKind;
std::string entryText;

float AsFloat(uint64_t value) {
    uint32_t bits = static_cast<uint32_t>(value);
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}
int32_t AsInt(uint64_t value) { return static_cast<int32_t>(static_cast<uint32_t>(value)); }
std::string AsString(uint64_t value) {
    const char* text = reinterpret_cast<const char*>(static_cast<uintptr_t>(value));
    return text != nullptr ? text : "";
}

using Args = std::vector<uint64_t>;
using Handler = uint64_t (*)(const Args&);

struct Native {
    const char* name;
    const char* signature;  // one letter an argument: i integer, b boolean, f float, s string
    Handler act;
};

uint64_t Nothing(const Args&) { return 0; }

const std::unordered_map<uint64_t, Native>& Natives() {
    static const std::unordered_map<uint64_t, Native> table = {
        {0x66E0276CC5F6B9DA, {"text font", "i", [](const Args& a) -> uint64_t { style.font = AsInt(a[0]); return 0; }}},
        {0x07C837F9A01C34C9, {"text scale", "ff", [](const Args& a) -> uint64_t {
             style.scaleX = AsFloat(a[0]);
             style.scaleY = AsFloat(a[1]);
             return 0;
         }}},
        {0xBE6B23FFA53FB442, {"text colour", "iiii", [](const Args& a) -> uint64_t {
             style.red = AsInt(a[0]);
             style.green = AsInt(a[1]);
             style.blue = AsInt(a[2]);
             style.alpha = AsInt(a[3]);
             return 0;
         }}},
        {0x63145D9C883A1A70, {"text wrap", "ff", Nothing}},
        {0xC02F4DBFB51D988B, {"centre text", "b", [](const Args& a) -> uint64_t { style.centre = AsInt(a[0]) != 0; return 0; }}},
        {0x465C84BC39F1C351, {"text drop shadow", "iiiii", Nothing}},
        {0x441603240D202FA6, {"text edge", "iiiii", Nothing}},
        {0x25FBB336DF1804CB, {"begin screen text", "s", [](const Args&) -> uint64_t {
             entryKind = "text";
             entryText.clear();
             return 0;
         }}},
        {0x6C188BE134E074AA, {"add string component", "s", [](const Args& a) -> uint64_t {
             entryText += AsString(a[0]);
             return 0;
         }}},
        {0xCD015E5BB0D96A57, {"draw screen text", "ff", [](const Args& a) -> uint64_t {
             if (entryKind != "text") errors.push_back("draw screen text without a begun text");
             DrawnText text{entryText, AsFloat(a[0]), AsFloat(a[1]), style.scaleX, style.scaleY,
                            style.red, style.green, style.blue, style.alpha, style.font, style.centre};
             drawn.push_back(text);
             // The game forgets the style once the text is drawn.
             style = TextStyle{};
             entryKind.clear();
             return 0;
         }}},
        {0x202709F4C58A0424, {"begin feed post", "s", [](const Args&) -> uint64_t {
             entryKind = "feed";
             entryText.clear();
             return 0;
         }}},
        {0x2ED7843F8F801023, {"post to feed", "bb", [](const Args& a) -> uint64_t {
             if (entryKind != "feed") errors.push_back("feed post without a begun post");
             feed.push_back({entryText, AsInt(a[0]) != 0});
             entryKind.clear();
             return feed.size();
         }}},
        {0x2FAA3A30BEC0F25D, {"is next weather type", "s", [](const Args& a) -> uint64_t { return world.nextWeather == AsString(a[0]); }}},
        {0xCCC39339BEF76CF5, {"clear persistent weather", "", [](const Args&) -> uint64_t { world.persistentWeather.clear(); return 0; }}},
        {0x338D2E3477711050, {"clear override weather", "", [](const Args&) -> uint64_t { world.overrideWeather.clear(); return 0; }}},
        {0xED712CA327900C8A, {"set persistent weather", "s", [](const Args& a) -> uint64_t {
             world.persistentWeather = AsString(a[0]);
             world.nextWeather = world.persistentWeather;
             return 0;
         }}},
        {0xD80958FC74E988A6, {"player handle", "", [](const Args&) -> uint64_t { return static_cast<uint32_t>(world.playerHandle); }}},
        {0x7239B21A38F536BA, {"does entity exist", "i", [](const Args& a) -> uint64_t { return world.entities.count(AsInt(a[0])) ? 1 : 0; }}},
        {0xB16FCE9DDC7BA182, {"is screen faded out", "", [](const Args&) -> uint64_t { return static_cast<uint32_t>(world.screenFadedOut); }}},
    };
    return table;
}

// Each argument as text, read now: a string's bytes may be gone once the call returns.
std::vector<std::string> Decode(const char* signature, const Args& args) {
    std::vector<std::string> values;
    for (size_t i = 0; i < args.size(); ++i) {
        char buffer[64];
        switch (signature[i]) {
            case 'f': std::snprintf(buffer, sizeof buffer, "%g", AsFloat(args[i])); values.push_back(buffer); break;
            case 's': values.push_back(AsString(args[i])); break;
            default: values.push_back(std::to_string(AsInt(args[i]))); break;
        }
    }
    return values;
}

std::string JoinValues(const char* signature, const std::vector<std::string>& values) {
    std::string text;
    for (size_t i = 0; i < values.size(); ++i) {
        if (i > 0) text += ", ";
        text += signature[i] == 's' ? '"' + values[i] + '"' : values[i];
    }
    return text;
}

}  // namespace

uint64_t DispatchNative(uint64_t hash, const Args& args, bool onScriptFiber) {
    std::lock_guard<std::mutex> lock(gameMutex);
    NativeCall call;
    call.hash = hash;
    call.raw = args;
    call.frame = FrameNumber();
    call.tick = GetTickCount();
    call.onScriptFiber = onScriptFiber;
    auto found = Natives().find(hash);
    if (found == Natives().end()) {
        char text[64];
        std::snprintf(text, sizeof text, "unknown native 0x%016llX", static_cast<unsigned long long>(hash));
        errors.push_back(text);
        call.name = "unknown";
        calls.push_back(call);
        return 0;
    }
    const Native& native = found->second;
    call.name = native.name;
    if (args.size() != std::strlen(native.signature)) {
        errors.push_back(std::string(native.name) + ": wrong number of arguments");
        calls.push_back(call);
        return 0;
    }
    call.signature = native.signature;
    call.values = Decode(native.signature, args);
    call.args = JoinValues(native.signature, call.values);
    calls.push_back(call);
    // The game leaves the upper half of a 32-bit result undefined; so does the simulation.
    return 0xDEADBEEF00000000ull | static_cast<uint32_t>(native.act(args));
}

void ClearFrameText() {
    std::lock_guard<std::mutex> lock(gameMutex);
    drawn.clear();
}

void RecordError(const std::string& error) {
    std::lock_guard<std::mutex> lock(gameMutex);
    errors.push_back(error);
}

std::vector<NativeCall> Calls() {
    std::lock_guard<std::mutex> lock(gameMutex);
    return calls;
}

std::vector<NativeCall> TakeCalls() {
    std::lock_guard<std::mutex> lock(gameMutex);
    std::vector<NativeCall> taken;
    taken.swap(calls);
    return taken;
}

std::vector<NativeCall> Violations() {
    std::lock_guard<std::mutex> lock(gameMutex);
    std::vector<NativeCall> offFiber;
    for (const auto& call : calls)
        if (!call.onScriptFiber) offFiber.push_back(call);
    return offFiber;
}

std::vector<std::string> Errors() {
    std::lock_guard<std::mutex> lock(gameMutex);
    return errors;
}

std::vector<DrawnText> DrawnThisFrame() {
    std::lock_guard<std::mutex> lock(gameMutex);
    return drawn;
}

std::vector<FeedPost> Feed() {
    std::lock_guard<std::mutex> lock(gameMutex);
    return feed;
}

World GetWorld() {
    std::lock_guard<std::mutex> lock(gameMutex);
    return world;
}

void EditWorld(const std::function<void(World&)>& edit) {
    std::lock_guard<std::mutex> lock(gameMutex);
    edit(world);
}

void ResetWorld() {
    std::lock_guard<std::mutex> lock(gameMutex);
    world = World{};
}

void ResetRecords() {
    std::lock_guard<std::mutex> lock(gameMutex);
    style = TextStyle{};
    calls.clear();
    errors.clear();
    drawn.clear();
    feed.clear();
    entryKind.clear();
    entryText.clear();
}

}  // namespace hook
