// skyloom-sim's command line: what it makes of good options, and what it
// says about bad ones on each build.
#include "options.h"

#include <gtest/gtest.h>

namespace {

using sim::Options;
using sim::ParseOptions;
using sim::Target;

std::optional<Options> Parse(std::vector<std::string> args, Target target = Target::Linux,
                             std::string* error = nullptr) {
    std::string ignored;
    return ParseOptions(args, target, error != nullptr ? error : &ignored);
}

TEST(OptionsTest, ReadsEveryOptionAndKeepsEventsInTimeOrder) {
    auto options = Parse({"--dir",
                          "game",
                          "--plugin",
                          "x.so",
                          "--seconds",
                          "90",
                          "--frame-ms",
                          "33",
                          "--start-tick",
                          "0xFFFFF000",
                          "--key",
                          "700:0x57:up",
                          "--key",
                          "500:17:down",
                          "--game-weather",
                          "900:clear",
                          "--game-weather",
                          "100:XMAS",
                          "--player-handle",
                          "-5",
                          "--screen-faded",
                          "0x10",
                          "--weather-service",
                          "http://127.0.0.1:8080",
                          "--trace",
                          "t.jsonl",
                          "--sample-settings"});
    ASSERT_TRUE(options);
    EXPECT_EQ(options->dir, "game");
    EXPECT_EQ(options->plugin, "x.so");
    EXPECT_EQ(options->seconds, 90u);
    EXPECT_EQ(options->frameMs, 33u);
    EXPECT_EQ(options->startTick, 0xFFFFF000u);
    ASSERT_EQ(options->keys.size(), 2u);
    EXPECT_EQ(options->keys[0].atMs, 500u);
    EXPECT_EQ(options->keys[0].vKey, 17);
    EXPECT_TRUE(options->keys[0].down);
    EXPECT_EQ(options->keys[1].vKey, 0x57);
    EXPECT_FALSE(options->keys[1].down);
    ASSERT_EQ(options->gameWeather.size(), 2u);
    EXPECT_EQ(options->gameWeather[0].name, "XMAS");
    EXPECT_EQ(options->gameWeather[1].atMs, 900u);
    EXPECT_EQ(options->gameWeather[1].name, "CLEAR");
    EXPECT_EQ(options->playerHandle, -5);
    EXPECT_EQ(options->screenFadedOut, 16);
    EXPECT_EQ(options->service, sim::ServiceMode::Proxy);
    EXPECT_EQ(options->proxyUrl, "http://127.0.0.1:8080");
    EXPECT_EQ(options->trace, "t.jsonl");
    EXPECT_TRUE(options->sampleSettings);
    EXPECT_FALSE(options->realtime);
}

TEST(OptionsTest, DefaultsDifferByBuildAndALaterValueWins) {
    auto onLinux = Parse({});
    ASSERT_TRUE(onLinux);
    EXPECT_EQ(onLinux->dir, ".");
    EXPECT_FALSE(onLinux->seconds);
    EXPECT_EQ(onLinux->frameMs, 16u);
    EXPECT_EQ(onLinux->startTick, 600000u);
    EXPECT_FALSE(onLinux->realtime);
    EXPECT_EQ(onLinux->service, sim::ServiceMode::Embedded);
    EXPECT_TRUE(onLinux->keys.empty()) << "no key is pressed unless asked for";

    auto windows = Parse({"--realtime"}, Target::Windows);
    ASSERT_TRUE(windows);
    EXPECT_TRUE(windows->realtime);
    EXPECT_EQ(windows->service, sim::ServiceMode::Live);
    ASSERT_TRUE(Parse({}, Target::Windows));
    EXPECT_TRUE(Parse({}, Target::Windows)->realtime);

    auto twice =
        Parse({"--seconds", "5", "--seconds", "7", "--weather-service", "live", "--weather-service", "embedded"});
    ASSERT_TRUE(twice);
    EXPECT_EQ(twice->seconds, 7u);
    EXPECT_EQ(twice->service, sim::ServiceMode::Embedded);
}

TEST(OptionsTest, DemoTogglesPressAndReleaseTheSampleChordTwice) {
    auto options = Parse({"--demo-toggles", "--key", "7000:0x41:down"});
    ASSERT_TRUE(options);
    std::vector<std::string> seen;
    for (const auto& key : options->keys)
        seen.push_back(std::to_string(key.atMs) + " " + std::to_string(key.vKey) + (key.down ? " down" : " up"));
    std::vector<std::string> expected = {"5000 17 down",  "5000 87 down",  "5100 87 up",  "5200 17 up", "7000 65 down",
                                         "10000 17 down", "10000 87 down", "10100 87 up", "10200 17 up"};
    EXPECT_EQ(seen, expected);
}

TEST(OptionsTest, MistakesAreNamed) {
    struct Row {
        std::vector<std::string> args;
        Target target;
        const char* message;
    } rows[] = {
        {{"--bogus"}, Target::Linux, "unknown option --bogus"},
        {{"stray"}, Target::Linux, "unexpected argument \"stray\""},
        {{"--dir"}, Target::Linux, "--dir needs a value"},
        {{"--seconds", "0"}, Target::Linux, "--seconds wants whole seconds"},
        {{"--seconds", "1.5"}, Target::Linux, "--seconds wants whole seconds"},
        {{"--seconds", "0x10"}, Target::Linux, "--seconds wants"},
        {{"--frame-ms", "1001"}, Target::Linux, "--frame-ms wants milliseconds from 1 to 1000"},
        {{"--frame-ms", "-16"}, Target::Linux, "--frame-ms wants"},
        {{"--start-tick", "0x100000000"}, Target::Linux, "--start-tick wants a tick"},
        {{"--start-tick", "0x"}, Target::Linux, "--start-tick wants"},
        {{"--key", "5000:0x57"}, Target::Linux, "--key wants TIME_MS:VK:down"},
        {{"--key", "5000:0x57:sideways"}, Target::Linux, "\"5000:0x57:sideways\""},
        {{"--key", "5000:256:down"}, Target::Linux, "VK from 1 to 255"},
        {{"--key", "-1:0x57:down"}, Target::Linux, "--key wants"},
        {{"--game-weather", "CLEAR"}, Target::Linux, "--game-weather wants TIME_MS:NAME"},
        {{"--game-weather", "100:"}, Target::Linux, "--game-weather wants"},
        {{"--game-weather", "100:EXTRA SUNNY"}, Target::Linux, "--game-weather wants"},
        {{"--player-handle", "2147483648"}, Target::Linux, "--player-handle wants a 32-bit handle"},
        {{"--weather-service", "ftp://host"}, Target::Linux, "--weather-service wants embedded, live or an HTTP proxy"},
        {{"--weather-service", "http://"}, Target::Linux, "--weather-service wants"},
        {{"--unknown-location", ""}, Target::Linux, "--unknown-location needs a place name"},
        {{"--unknown-location", "Atlantis", "--weather-service", "live"},
         Target::Linux,
         "--unknown-location configures the embedded weather service"},
        {{"--realtime", "--start-tick", "5"}, Target::Linux, "with --realtime the tick counter is the system's"},
        {{"--weather-service", "embedded"}, Target::Windows, "--weather-service embedded is not available on Windows"},
        {{"--key", "5000:0x57:down"}, Target::Windows, "--key is not available on Windows"},
        {{"--demo-toggles"}, Target::Windows, "--demo-toggles is not available on Windows"},
        {{"--start-tick", "5"}, Target::Windows, "--start-tick is not available on Windows"},
        {{"--unknown-location", "Atlantis"}, Target::Windows, "--unknown-location is not available on Windows"},
    };
    for (const auto& row : rows) {
        std::string joined;
        for (const auto& arg : row.args) joined += arg + " ";
        SCOPED_TRACE(joined);
        std::string error;
        EXPECT_FALSE(Parse(row.args, row.target, &error));
        EXPECT_NE(error.find(row.message), std::string::npos) << error;
    }
}

}  // namespace
