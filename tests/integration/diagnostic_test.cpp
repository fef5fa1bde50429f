// The diagnostic build's checkpoint records, in the simulated game with a
// local weather service; and their absence from the plain build.
#include <fstream>
#include <iterator>

#include "host/native_hashes.h"
#include "service_harness.h"

namespace {

using Lines = std::vector<std::string>;

const Lines kFetched = {"205", "208", "255", "257", "260", "358", "360"};

class DiagnosticTest : public ServicePluginTest {
protected:
    void SetUp() override {
        ServicePluginTest::SetUp();
        // Every switch off: the records do not depend on them.
        settings_.holdKey = "-1";
        settings_.pressKey = "0x57";
        settings_.logWhenGetSetWeather = "0";
        settings_.logUrlAndResponse = "0";
        settings_.notifyWhenSetWeather = "0";
    }

    // The log lines since the last call.
    Lines NewLines() {
        Lines all = LogMessages();
        Lines fresh(all.begin() + static_cast<std::ptrdiff_t>(std::min(seen_, all.size())), all.end());
        seen_ = all.size();
        return fresh;
    }

    static Lines Applied(const std::string& player = "1", const std::string& screen = "0") {
        return {"425", "428", "434. pNN=" + player + ", sFO=" + screen, "443"};
    }

    static Lines Join(Lines first, const Lines& second) {
        first.insert(first.end(), second.begin(), second.end());
        return first;
    }

private:
    size_t seen_ = 0;
};

TEST_F(DiagnosticTest, StartFetchAndApplyWriteTheirRecordsWithEverySwitchOff) {
    Answer(500);
    Start(100000, SKYLOOM_DIAG_PLUGIN_PATH);
    // The run's first line is the first record; the fetch began in the same pass.
    auto log = ReadFile("Skyloom.log");
    EXPECT_EQ(log.substr(0, 37), "\r\n" + std::string(33, '-') + "\r\n");
    EXPECT_EQ(NewLines(), Join({"372", "374", "383. hk=-1, pk=87"}, kFetched));

    Pass(now_ + 16);
    EXPECT_EQ(hook::GetWorld().persistentWeather, "RAIN");
    EXPECT_EQ(NewLines(), Applied());

    // Passes that apply nothing write nothing.
    for (int i = 0; i < 5; ++i) Pass(now_ + 16);
    EXPECT_TRUE(NewLines().empty());

    // The game leaves the weather: applied again, records again.
    hook::EditWorld([](hook::World& world) { world.nextWeather = "CLEAR"; });
    Pass(now_ + 16);
    EXPECT_EQ(NewLines(), Applied());
}

TEST_F(DiagnosticTest, SwitchedOnMessagesFallBetweenTheRecords) {
    settings_.logWhenGetSetWeather = "1";
    settings_.logUrlAndResponse = "1";
    Answer(Reply{200, "<current><weather number=\"804\"/></current>"});
    Start(100000, SKYLOOM_DIAG_PLUGIN_PATH);
    Pass(now_ + 16);
    EXPECT_EQ(NewLines(), (Lines{"372", "374", "383. hk=-1, pk=87", "205", "208",
                                 "http://api.openweathermap.org/data/2.5/weather?q=London&mode=xml&APPID="
                                 "0123456789abcdef0123456789abcdef",
                                 "<current><weather number=\"804\"/></current>", "255", "257", "260", "358", "360",
                                 "Successfully retrieved and parsed weather: OVERCAST", "425", "428",
                                 "434. pNN=1, sFO=0", "443", "Set weather to OVERCAST"}));
}

TEST_F(DiagnosticTest, FetchesThatGoWrongStopTheirRecordsWhereTheyEnd) {
    struct Row {
        const char* name;
        Reply reply;
        Lines records;
    } rows[] = {
        {"failed download", Reply{200, std::string(3000, 'x')}, {"205", "208"}},
        {"error reply",
         Reply{404, weather_service::CityNotFoundReply()},
         {"205", "208", "openweathermap.org error 404"}},
        {"code outside the table", Reply{200, weather_service::CurrentWeatherXml(999)}, kFetched},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Answer(row.reply);
        Start(100000, SKYLOOM_DIAG_PLUGIN_PATH);
        Pass(now_ + 16);
        EXPECT_EQ(NewLines(), Join({"372", "374", "383. hk=-1, pk=87"}, row.records));
        EXPECT_TRUE(hook::GetWorld().persistentWeather.empty());
        Unload();
        ASSERT_TRUE(SkyloomOsWaitForThreads(10000));
    }
}

TEST_F(DiagnosticTest, PlayerAndScreenAreRecordedAsTheGameAnswers) {
    struct Row {
        int32_t player;
        int32_t faded;
        Lines records;
        bool entityAsked;
    } rows[] = {
        {0, 1, Applied("0", "1"), false},
        {7, -3, Applied("1", "-3"), true},  // a handle the game knows
        {9, 2, Applied("0", "2"), true},    // a handle of nobody
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.player);
        hook::EditWorld([&](hook::World& world) {
            world.playerHandle = row.player;
            world.entities = {7};
            world.screenFadedOut = row.faded;
        });
        Start(100000, SKYLOOM_DIAG_PLUGIN_PATH);
        NewLines();
        hook::ResetRecords();
        Pass(now_ + 16);
        EXPECT_EQ(NewLines(), row.records);
        bool asked = false;
        for (const auto& call : hook::Calls()) {
            if (call.hash != native::kDoesEntityExist) continue;
            asked = true;
            EXPECT_EQ(call.raw, std::vector<uint64_t>{static_cast<uint32_t>(row.player)});
        }
        EXPECT_EQ(asked, row.entityAsked);
        Unload();
        ASSERT_TRUE(SkyloomOsWaitForThreads(10000));
    }
}

TEST_F(DiagnosticTest, AFailedConversionEndsTheRecordsAt374) {
    settings_.holdKey = "Ctrl";
    Start(100000, SKYLOOM_DIAG_PLUGIN_PATH);
    EXPECT_EQ(NewLines(), (Lines{"372", "374", "invalid stoi argument"}));
}

TEST_F(DiagnosticTest, ThePlainBuildHasNoneOfIt) {
    Answer(500);
    Start(100000);
    Pass(now_ + 16);
    EXPECT_EQ(hook::GetWorld().persistentWeather, "RAIN");
    EXPECT_TRUE(NewLines().empty());
    for (const auto& call : hook::Calls())
        EXPECT_TRUE(call.hash != native::kPlayerHandle && call.hash != native::kIsScreenFadedOut) << call.name;

    // Not even the record texts are in the plain binary.
    auto contains = [](const char* path, const std::string& text) {
        std::ifstream file(path, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        return bytes.find(text) != std::string::npos;
    };
    for (const char* text : {"383. hk=", "434. pNN="}) {
        EXPECT_FALSE(contains(SKYLOOM_PLUGIN_PATH, text)) << text;
        EXPECT_TRUE(contains(SKYLOOM_DIAG_PLUGIN_PATH, text)) << text;
    }
}

}  // namespace
