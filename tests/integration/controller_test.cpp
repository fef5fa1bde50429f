// The controller in the simulated game: settings errors, the toggle chord,
// the status text, applying the fetched weather, and the tick's wrap.
#include "host/native_hashes.h"
#include "plugin_harness.h"
#include "settings_file.h"

namespace {

constexpr int kControl = 0x11, kW = 0x57;

std::string Settings(const std::string& enabled = "1", const std::string& holdKey = "17",
                     const std::string& logSet = "1", const std::string& notifySet = "1") {
    SettingsFile file;
    file.enabled = enabled;
    file.holdKey = holdKey;
    file.logWhenGetSetWeather = logSet;
    file.notifyWhenSetWeather = notifySet;
    return file.Text();
}

class ControllerTest : public PluginTest {
protected:
    // Loads with settings and runs the first frame at tick.
    void Start(const std::string& settings, uint32_t tick = 100000) {
        WriteFile("Skyloom.xml", settings);
        Load();
        now_ = tick;
        Frame(now_);
    }

    // Frames of 16 ms, each one polled.
    void Frames(int count) {
        for (int i = 0; i < count; ++i) Frame(now_ += 16);
    }

    // Press and release the chord's keys, a frame after each change.
    void Chord(bool withHold = true) {
        if (withHold) Key(kControl, true);
        Key(kW, true);
        Frames(1);
        Key(kW, false);
        Frames(1);
        if (withHold) Key(kControl, false);
        Frames(1);
    }

    std::string StatusShown() {
        auto drawn = hook::DrawnThisFrame();
        return drawn.empty() ? "" : drawn.back().text;
    }

    static std::vector<std::string> WeatherCalls() {
        std::vector<std::string> calls;
        for (const auto& call : hook::Calls())
            if (call.hash == native::kIsNextWeatherType || call.hash == native::kClearPersistentWeather ||
                call.hash == native::kClearOverrideWeather || call.hash == native::kSetPersistentWeather)
                calls.push_back(call.name + (call.args.empty() ? "" : " " + call.args));
        return calls;
    }

    uint32_t now_ = 0;
};

TEST_F(ControllerTest, BrokenSettingsEndTheControllerWithAMessage) {
    struct Row {
        const char* name;
        std::string file;  // empty: no file at all
        const char* message;
    } rows[] = {
        {"missing file", "", "Skyloom.xml could not be read"},
        {"not XML", "<SETTINGS><ENABLED", "Skyloom.xml is not well-formed XML"},
        {"no SETTINGS", "<OPTIONS/>", "Skyloom.xml has no SETTINGS element"},
        {"flag as a word", Settings("true"), "invalid stoi argument"},
        {"key out of range", Settings("1", "2147483648"), "stoi argument out of range"},
        {"missing element", "<SETTINGS><ENABLED_ON_STARTUP>1</ENABLED_ON_STARTUP></SETTINGS>", "HOLD_KEY"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        hook::ResetRecords();
        std::filesystem::remove("Skyloom.log");
        std::filesystem::remove("Skyloom.xml");
        if (!row.file.empty()) WriteFile("Skyloom.xml", row.file);
        Load();
        Frames(3);
        auto log = LogMessages();
        ASSERT_EQ(log.size(), 1u);
        EXPECT_NE(log[0].find(row.message), std::string::npos) << log[0];
        auto feed = hook::Feed();
        ASSERT_EQ(feed.size(), 1u);
        EXPECT_EQ(feed[0].text, log[0]);
        EXPECT_TRUE(feed[0].flag);
        // Three feed natives and nothing else: no status text, no weather.
        EXPECT_EQ(hook::Calls().size(), 3u);
        EXPECT_EQ(hook::LiveScripts(), 0u);
        Unload();
    }
}

TEST_F(ControllerTest, ChordTogglesAndShowsTheNewStateFor2500Ms) {
    Start(Settings("1"));
    Frames(5);
    EXPECT_EQ(StatusShown(), "") << "no status text before the first toggle";
    Chord();
    EXPECT_EQ(StatusShown(), "Skyloom disabled");
    uint32_t toggledAt = now_ - 16;  // the release was seen a frame ago
    while (now_ + 16 < toggledAt + 2500) {
        Frames(1);
        ASSERT_EQ(StatusShown(), "Skyloom disabled") << "at " << now_ - toggledAt << " ms";
    }
    Frames(1);
    EXPECT_EQ(StatusShown(), "");
    Chord();
    EXPECT_EQ(StatusShown(), "Skyloom enabled");
}

TEST_F(ControllerTest, ChordFiresOnlyOnReleaseWithTheHoldKeyHeld) {
    Start(Settings("0"));
    // Holding the press key does nothing.
    Key(kW, true);
    Frames(10);
    EXPECT_EQ(StatusShown(), "");
    // Press first, hold key after, release press: fires.
    Key(kControl, true);
    Frames(1);
    Key(kW, false);
    Frames(1);
    EXPECT_EQ(StatusShown(), "Skyloom enabled");
    Key(kControl, false);
    Frames(200);

    // Hold key let go before the press key: no toggle, and the latch is gone.
    Key(kControl, true);
    Key(kW, true);
    Frames(1);
    Key(kControl, false);
    Frames(1);
    Key(kW, false);
    Frames(1);
    Key(kControl, true);
    Frames(3);
    EXPECT_EQ(StatusShown(), "");
    Key(kControl, false);

    // A press and release both between two polls are not seen.
    Frame(now_ += 16);
    Key(kW, true);
    Frame(now_ += 2);  // throttled: no poll
    Key(kW, false);
    Frames(3);
    EXPECT_EQ(StatusShown(), "");
}

TEST_F(ControllerTest, WithoutHoldKeyEveryReleaseToggles) {
    Start(Settings("1", "-1"));
    const char* expected[] = {"Skyloom disabled", "Skyloom enabled", "Skyloom disabled"};
    for (const char* status : expected) {
        Chord(false);
        EXPECT_EQ(StatusShown(), status);
    }
}

TEST_F(ControllerTest, NewWeatherIsAppliedClearingFirst) {
    Start(Settings());
    Frames(3);
    EXPECT_TRUE(WeatherCalls().empty()) << "nothing to apply before a fetch";
    StoreLatestWeather("kWeatherRain");
    Frames(1);
    std::vector<std::string> expected = {"clear persistent weather", "clear override weather",
                                         "set persistent weather \"RAIN\""};
    EXPECT_EQ(WeatherCalls(), expected);
    EXPECT_EQ(hook::GetWorld().persistentWeather, "RAIN");
    EXPECT_EQ(LogMessages(), std::vector<std::string>{"Set weather to RAIN"});
    auto feed = hook::Feed();
    ASSERT_EQ(feed.size(), 1u);
    EXPECT_EQ(feed[0].text, "Set weather to RAIN");
    EXPECT_FALSE(feed[0].flag);

    // While the game heads for it: only the query, nothing logged or posted.
    hook::ResetRecords();
    hook::EditWorld([](hook::World& world) { world.nextWeather = "RAIN"; });
    Frames(20);
    for (const auto& call : WeatherCalls()) EXPECT_EQ(call, "is next weather type \"RAIN\"");
    EXPECT_EQ(WeatherCalls().size(), 20u);
    EXPECT_TRUE(hook::Feed().empty());
    EXPECT_EQ(LogMessages().size(), 1u);

    // The game leaves it: applied again, and said again.
    hook::EditWorld([](hook::World& world) { world.nextWeather = "CLEAR"; });
    hook::ResetRecords();
    Frames(1);
    expected.insert(expected.begin(), "is next weather type \"RAIN\"");
    EXPECT_EQ(WeatherCalls(), expected);
    EXPECT_EQ(LogMessages().size(), 2u);
    EXPECT_EQ(hook::Feed().size(), 1u);

    // A new name replaces it.
    hook::ResetRecords();
    StoreLatestWeather("kWeatherSnow");
    Frames(1);
    EXPECT_EQ(hook::GetWorld().persistentWeather, "SNOW");
    EXPECT_EQ(LogMessages().back(), "Set weather to SNOW");
}

TEST_F(ControllerTest, SentinelStopsReapplyingButKeepsTheWeather) {
    Start(Settings());
    StoreLatestWeather("kWeatherClouds");
    Frames(1);
    StoreLatestWeather("kWeatherError");
    hook::EditWorld([](hook::World& world) { world.nextWeather = "CLEAR"; });
    hook::ResetRecords();
    Frames(10);
    EXPECT_TRUE(WeatherCalls().empty());
    EXPECT_EQ(LogMessages().size(), 1u);
}

TEST_F(ControllerTest, SwitchesOffMeanSilentApplies) {
    Start(Settings("1", "17", "0", "0"));
    StoreLatestWeather("kWeatherFoggy");
    Frames(1);
    EXPECT_EQ(hook::GetWorld().persistentWeather, "FOGGY");
    EXPECT_FALSE(std::filesystem::exists("Skyloom.log"));
    EXPECT_TRUE(hook::Feed().empty());
}

TEST_F(ControllerTest, DisabledAppliesNothingUntilEnabled) {
    Start(Settings("0"));
    StoreLatestWeather("kWeatherThunder");
    Frames(10);
    EXPECT_TRUE(WeatherCalls().empty());
    Chord();
    EXPECT_EQ(hook::GetWorld().persistentWeather, "THUNDER");
    // Disabling leaves the game's weather as it is.
    Chord();
    hook::EditWorld([](hook::World& world) { world.nextWeather = "CLEAR"; });
    hook::ResetRecords();
    Frames(10);
    EXPECT_TRUE(WeatherCalls().empty());
    EXPECT_EQ(hook::GetWorld().persistentWeather, "THUNDER");
}

TEST_F(ControllerTest, ThrottlePollsAtMostOnceIn5Ms) {
    Start(Settings());
    StoreLatestWeather("kWeatherRain");
    hook::EditWorld([](hook::World& world) { world.nextWeather = "RAIN"; });
    Frame(now_ += 16);
    hook::ResetRecords();
    // Frames 1 ms apart: one poll (one weather query) every 5 ms.
    for (int i = 0; i < 20; ++i) Frame(now_ += 1);
    EXPECT_EQ(WeatherCalls().size(), 4u);
    // Throttled frames still draw the status text.
    Chord();
    hook::ResetRecords();
    Frame(now_ + 1);
    EXPECT_EQ(StatusShown(), "Skyloom disabled");
}

TEST_F(ControllerTest, PollingAndApplyingGoOnAcrossTheTickWrap) {
    Start(Settings("1"), 0xFFFFFF00u);
    Frames(20);  // crosses 2^32
    ASSERT_LT(now_, 0x1000u);
    StoreLatestWeather("kWeatherSmog");
    Frames(1);
    EXPECT_EQ(hook::GetWorld().persistentWeather, "SMOG");
    Chord();
    EXPECT_EQ(StatusShown(), "Skyloom disabled");
}

}  // namespace
