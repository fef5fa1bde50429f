// Parsing skyloom-sim's command line.
#include "options.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <limits>

namespace sim {
namespace {

constexpr int kControl = 0x11, kW = 0x57;

// A whole number in decimal, or in hexadecimal after 0x when hex is allowed;
// nothing else in the text.
std::optional<int64_t> ParseNumber(const std::string& text, bool hex, int64_t min, int64_t max) {
    const char* first = text.data();
    const char* last = text.data() + text.size();
    int base = 10;
    if (hex && text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        first += 2;
        base = 16;
    }
    // from_chars takes a leading minus; a number may only have one in decimal.
    if (first == last || (base == 16 && *first == '-')) return std::nullopt;
    int64_t value = 0;
    auto [end, failure] = std::from_chars(first, last, value, base);
    if (failure != std::errc() || end != last || value < min || value > max) return std::nullopt;
    return value;
}

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    size_t from = 0;
    for (;;) {
        size_t at = text.find(separator, from);
        parts.push_back(text.substr(from, at - from));
        if (at == std::string::npos) return parts;
        from = at + 1;
    }
}

class Parser {
public:
    Parser(const std::vector<std::string>& args, Target target) : args_(args), target_(target) {}

    std::optional<Options> Run(std::string* error) {
        if (target_ == Target::Windows) {
            options_.realtime = true;
            options_.service = ServiceMode::Live;
        }
        for (index_ = 0; index_ < args_.size() && error_.empty(); ++index_) Option(args_[index_]);
        if (error_.empty()) CheckCombination();
        if (!error_.empty()) {
            *error = error_;
            return std::nullopt;
        }
        auto byTime = [](const auto& a, const auto& b) { return a.atMs < b.atMs; };
        std::stable_sort(options_.keys.begin(), options_.keys.end(), byTime);
        std::stable_sort(options_.gameWeather.begin(), options_.gameWeather.end(), byTime);
        return options_;
    }

private:
    void Option(const std::string& name) {
        if (name == "--help" || name == "-h") {
            options_.help = true;
        } else if (name == "--dir") {
            if (auto value = Value(name)) options_.dir = *value;
        } else if (name == "--plugin") {
            if (auto value = Value(name)) options_.plugin = *value;
        } else if (name == "--diagnostic") {
            options_.diagnostic = true;
        } else if (name == "--sample-settings") {
            options_.sampleSettings = true;
        } else if (name == "--seconds") {
            if (auto value = Number(name, false, 1, std::numeric_limits<uint32_t>::max(), "whole seconds from 1"))
                options_.seconds = static_cast<uint64_t>(*value);
        } else if (name == "--frame-ms") {
            if (auto value = Number(name, false, 1, 1000, "milliseconds from 1 to 1000"))
                options_.frameMs = static_cast<uint32_t>(*value);
        } else if (name == "--start-tick") {
            if (OnlyOnLinux(name, "virtual time runs on Linux only; on Windows the tick counter is the system's"))
                if (auto value =
                        Number(name, true, 0, std::numeric_limits<uint32_t>::max(), "a tick from 0 to 0xFFFFFFFF"))
                    options_.startTick = static_cast<uint32_t>(*value);
            startTickGiven_ = true;
        } else if (name == "--realtime") {
            options_.realtime = true;
        } else if (name == "--key") {
            if (OnlyOnLinux(name, "keys cannot be injected on Windows; press the chord yourself while it runs"))
                if (auto value = Value(name)) Key(*value);
        } else if (name == "--demo-toggles") {
            if (OnlyOnLinux(name, "keys cannot be injected on Windows; press the chord yourself while it runs"))
                for (const KeyEvent& key : DemoToggles()) options_.keys.push_back(key);
        } else if (name == "--game-weather") {
            if (auto value = Value(name)) GameWeather(*value);
        } else if (name == "--player-handle") {
            if (auto value = Number(name, true, INT32_MIN, INT32_MAX, "a 32-bit handle"))
                options_.playerHandle = static_cast<int32_t>(*value);
        } else if (name == "--screen-faded") {
            if (auto value = Number(name, true, INT32_MIN, INT32_MAX, "a 32-bit answer"))
                options_.screenFadedOut = static_cast<int32_t>(*value);
        } else if (name == "--weather-service") {
            if (auto value = Value(name)) Service(*value);
        } else if (name == "--unknown-location") {
            if (OnlyOnLinux(name, "it configures the embedded weather service, which runs on Linux only"))
                if (auto value = Value(name)) UnknownLocation(*value);
        } else if (name == "--trace") {
            if (auto value = Value(name)) options_.trace = *value;
        } else if (name.rfind("-", 0) == 0) {
            Fail("unknown option " + name);
        } else {
            Fail("unexpected argument \"" + name + "\"");
        }
    }

    void CheckCombination() {
        if (options_.realtime && startTickGiven_ && target_ == Target::Linux)
            Fail("--start-tick sets virtual time; with --realtime the tick counter is the system's");
        else if (!options_.unknownLocations.empty() && options_.service != ServiceMode::Embedded)
            Fail("--unknown-location configures the embedded weather service, which this run does not use");
    }

    std::optional<std::string> Value(const std::string& name) {
        if (index_ + 1 >= args_.size()) {
            Fail(name + " needs a value");
            return std::nullopt;
        }
        return args_[++index_];
    }

    std::optional<int64_t> Number(const std::string& name, bool hex, int64_t min, int64_t max, const char* wanted) {
        auto text = Value(name);
        if (!text) return std::nullopt;
        auto value = ParseNumber(*text, hex, min, max);
        if (!value) Fail(name + " wants " + wanted + ", not \"" + *text + "\"");
        return value;
    }

    bool OnlyOnLinux(const std::string& name, const std::string& why) {
        if (target_ == Target::Linux) return true;
        Fail(name + " is not available on Windows: " + why);
        return false;
    }

    // T:VK:down or T:VK:up.
    void Key(const std::string& text) {
        auto parts = Split(text, ':');
        std::optional<int64_t> at, vKey;
        if (parts.size() == 3) {
            at = ParseNumber(parts[0], false, 0, INT64_MAX);
            vKey = ParseNumber(parts[1], true, 1, 255);
        }
        if (!at || !vKey || (parts[2] != "down" && parts[2] != "up")) {
            Fail("--key wants TIME_MS:VK:down or TIME_MS:VK:up with VK from 1 to 255 (e.g. 5000:0x57:down), not \"" +
                 text + "\"");
            return;
        }
        options_.keys.push_back({static_cast<uint64_t>(*at), static_cast<int>(*vKey), parts[2] == "down"});
    }

    // T:NAME, the name as the game's weather types are written.
    void GameWeather(const std::string& text) {
        size_t colon = text.find(':');
        std::optional<int64_t> at;
        std::string name;
        if (colon != std::string::npos) {
            at = ParseNumber(text.substr(0, colon), false, 0, INT64_MAX);
            name = text.substr(colon + 1);
        }
        bool nameOk = !name.empty() && std::all_of(name.begin(), name.end(),
                                                   [](unsigned char c) { return std::isalnum(c) || c == '_'; });
        if (!at || !nameOk) {
            Fail("--game-weather wants TIME_MS:NAME with a weather type such as CLEAR, not \"" + text + "\"");
            return;
        }
        // The game matches weather type names whatever their case.
        for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        options_.gameWeather.push_back({static_cast<uint64_t>(*at), name});
    }

    void Service(const std::string& text) {
        if (text == "embedded") {
            if (OnlyOnLinux("--weather-service embedded",
                            "use --weather-service live, or the URL of an HTTP proxy that answers instead"))
                options_.service = ServiceMode::Embedded;
        } else if (text == "live") {
            options_.service = ServiceMode::Live;
        } else if (text.rfind("http://", 0) == 0 && text.size() > 7) {
            options_.service = ServiceMode::Proxy;
            options_.proxyUrl = text;
        } else {
            Fail("--weather-service wants embedded, live or an HTTP proxy URL such as http://127.0.0.1:8080, not \"" +
                 text + "\"");
        }
    }

    void UnknownLocation(const std::string& text) {
        if (text.empty())
            Fail("--unknown-location needs a place name");
        else
            options_.unknownLocations.push_back(text);
    }

    void Fail(const std::string& message) {
        if (error_.empty()) error_ = message;
    }

    const std::vector<std::string>& args_;
    Target target_;
    size_t index_ = 0;
    Options options_;
    bool startTickGiven_ = false;
    std::string error_;
};

}  // namespace

std::vector<KeyEvent> DemoToggles() {
    std::vector<KeyEvent> keys;
    for (uint64_t at : {5000u, 10000u}) {
        keys.push_back({at, kControl, true});
        keys.push_back({at, kW, true});
        keys.push_back({at + 100, kW, false});
        keys.push_back({at + 200, kControl, false});
    }
    return keys;
}

std::optional<Options> ParseOptions(const std::vector<std::string>& args, Target target, std::string* error) {
    return Parser(args, target).Run(error);
}

std::string Usage(Target target) {
    std::string text =
        "usage: skyloom-sim [options]\n"
        "Runs the Skyloom plug-in inside a simulated game and shows what a player sees:\n"
        "the game's weather, the status text, the feed, and the lines of Skyloom.log.\n"
        "\n"
        "  --dir DIR                the game's working directory, with Skyloom.xml (default: .)\n"
        "  --sample-settings        copy the sample Skyloom.xml into DIR when it has none\n"
        "  --plugin PATH            the plug-in to load (default: the plain build beside skyloom-sim)\n"
        "  --diagnostic             load the diagnostic build beside skyloom-sim instead\n"
        "  --seconds S              run S seconds of game time, then unload and end\n"
        "                           (default: until Ctrl-C)\n"
        "  --frame-ms N             game time per frame (default: 16)\n"
        "  --game-weather T:NAME    at T ms the game moves on to weather type NAME by itself\n"
        "  --player-handle H        the player character's handle (default: 1)\n"
        "  --screen-faded N         what the game answers when asked if the screen is faded out\n"
        "  --trace FILE             write every event as one JSON object a line\n";
    if (target == Target::Linux)
        text +=
            "  --start-tick T           the tick counter when the game starts (default: 600000)\n"
            "  --realtime               frames follow the wall clock; without it game time is\n"
            "                           virtual: frames run as fast as they can and each waits\n"
            "                           for the plug-in's weather fetch to finish\n"
            "  --key T:VK:down|up       press or release virtual-key code VK at T ms of game time\n"
            "                           (decimal or 0x hex; repeatable)\n"
            "  --demo-toggles           press Ctrl+W, the sample settings' chord, at 5 s and 10 s\n"
            "  --weather-service embedded|live|URL\n"
            "                           embedded (default): a weather service inside skyloom-sim\n"
            "                           whose weather moves through the game's types, one every 2\n"
            "                           game minutes; live: the real service; URL: through that\n"
            "                           HTTP proxy\n"
            "  --unknown-location NAME  the embedded service does not know NAME (repeatable);\n"
            "                           it never knows a place without a letter in its name.\n"
            "                           It refuses an API key that is not 32 hexadecimal digits.\n";
    else
        text +=
            "  --realtime               accepted; the Windows build always runs in real time\n"
            "  --weather-service live|URL\n"
            "                           live (default): the real service; URL: through that HTTP\n"
            "                           proxy. Press the chord yourself to toggle the plug-in.\n";
    text +=
        "\n"
        "Exit status: 0 after a normal run, 1 when it cannot run (no Skyloom.xml, the plug-in\n"
        "does not load), 2 for a mistake in the options, 3 when the plug-in calls an unknown\n"
        "native, calls a native off its script fiber or otherwise misuses the script hook.\n";
    return text;
}

}  // namespace sim
