// One fetch from URL to LatestWeather, against a scripted WinInet: the
// request URL, what is logged, the refusals recognised by their texts, and
// replies that cannot be read.
#include "weather/fetch_worker.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/weather_names.h"
#include "control/feed_notification.h"
#include "fake_wininet.h"
#include "log_messages.h"
#include "script_harness.h"
#include "settings/settings.h"
#include "temp_workdir.h"
#include "weather/condition_codes.h"

namespace {

std::string Current(const std::string& number) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><current><city id=\"2643743\" name=\"London\"/>"
           "<weather number=\"" +
           number + "\" value=\"light rain\" icon=\"10d\"/></current>";
}

const char kInvalidKey[] =
    "Invalid API key, if you entered your own check to make sure it's correct, otherwise add your own or contact the "
    "author of the mod (Brannoch).";

class FetchWorkerTest : public ::testing::Test {
protected:
    void SetUp() override {
        WeatherSettings = {};
        WeatherSettings.enabled = true;
        WeatherSettings.location = "London";
        WeatherSettings.apiQuerySuffix = "&mode=xml&APPID=0123456789abcdef";
        WeatherSettings.logWhenGetSetWeather = true;
        LatestWeather.store(kWeatherError);
        UrlLogPending.store(true);
    }

    // Runs one worker to its end, then lets the script fiber deliver what it posted.
    void Fetch() {
        EXPECT_EQ(FetchWorker(nullptr), 0u);
        hook::ResetRecords();
        script_.RunAt(1000, [] { DeliverQueuedNotifications(); });
    }

    static std::vector<std::string> FeedTexts() {
        std::vector<std::string> texts;
        for (const auto& post : hook::Feed()) {
            EXPECT_TRUE(post.flag) << "fetch errors are posted with the flag 1";
            texts.push_back(post.text);
        }
        return texts;
    }

    TempWorkingDirectory workdir_{"skyloom-fetch"};
    ScriptHarness script_;
};

TEST_F(FetchWorkerTest, RequestsTheCurrentWeatherForTheLocation) {
    fake_wininet::SetBody(Current("500"));
    Fetch();
    EXPECT_EQ(fake_wininet::Recorded().url,
              "http://api.openweathermap.org/data/2.5/weather?q=London&mode=xml&APPID=0123456789abcdef");
    EXPECT_EQ(LatestWeather.load(), kWeatherRain);
    EXPECT_EQ(LogMessages(), std::vector<std::string>{"Successfully retrieved and parsed weather: RAIN"});
    EXPECT_TRUE(FeedTexts().empty());
}

TEST_F(FetchWorkerTest, ConditionCodeTextsAreReadAsDecimalPrefixes) {
    struct Row {
        const char* number;
        WeatherName stored;
        bool successLine;
    } rows[] = {
        {"800", kWeatherExtraSunny, true},   {"800 and more", kWeatherExtraSunny, true},
        {"  800", kWeatherExtraSunny, true}, {"+804", kWeatherOvercast, true},
        {"0x1F4", kWeatherError, false},  // base 10: reads the 0 only
        {"999", kWeatherError, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.number);
        TempWorkingDirectory::Write("Skyloom.log", "");
        LatestWeather.store(kWeatherSnow);
        fake_wininet::SetBody(Current(row.number));
        Fetch();
        EXPECT_EQ(LatestWeather.load(), row.stored);
        auto log = LogMessages();
        if (row.successLine)
            EXPECT_EQ(
                log, std::vector<std::string>{std::string("Successfully retrieved and parsed weather: ") + row.stored});
        else
            EXPECT_TRUE(log.empty());
    }
}

TEST_F(FetchWorkerTest, RefusalsAreRecognisedByTheFirstMarkerFound) {
    std::string withNul("abc\0<current>", 13);
    struct Row {
        std::string reply;
        std::string message;
    } rows[] = {
        {"{\"cod\":401, \"message\": \"Invalid API key. Please see https://openweathermap.org/faq#error401\"}",
         kInvalidKey},
        {"Error: Not found city 404",
         "openweathermap.org did not find the desired city, please check for spelling errors"},
        {"{\"cod\":\"404\",\"message\":\"city not found\"}", "openweathermap.org error 404"},
        {"502 Bad Gateway: 500 /proxy/data/2.5/weather 401", "openweathermap.org internal server error 500"},
        {"{\"cod\":401}",
         "Too many requests to API key, please sign up at openweathermap.org, go to home.openweathermap.org/api_keys, "
         "copy the API key, and then paste it into Skyloom.xml between <API_KEY> and </API_KEY>"},
        {"Service Unavailable", "openweathermap.org did not return weather data. Returned string: Service Unavailable"},
        {"", "openweathermap.org did not return weather data. Returned string: "},
        {"<current id=\"1\"><weather number=\"500\"/></current>",
         "openweathermap.org did not return weather data. Returned string: <current id=\"1\"><weather "
         "number=\"500\"/></current>"},
        {withNul, "openweathermap.org did not return weather data. Returned string: abc"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.reply);
        TempWorkingDirectory::Write("Skyloom.log", "");
        LatestWeather.store(kWeatherClouds);
        fake_wininet::SetBody(row.reply);
        Fetch();
        EXPECT_EQ(LatestWeather.load(), kWeatherClouds);
        EXPECT_EQ(LogMessages(), std::vector<std::string>{row.message});
        EXPECT_EQ(FeedTexts(), std::vector<std::string>{row.message});
    }
}

TEST_F(FetchWorkerTest, AWeatherReplyIsNeverSearchedForMarkers) {
    fake_wininet::SetBody(Current("500") + "<!-- Invalid API key 401 -->");
    Fetch();
    EXPECT_EQ(LatestWeather.load(), kWeatherRain);
    EXPECT_TRUE(FeedTexts().empty());
}

TEST_F(FetchWorkerTest, UnreadableWeatherRepliesAreReportedAndChangeNothing) {
    struct Row {
        std::string reply;
        std::string messageStart;
    } rows[] = {
        {"<?xml version=\"1.0\"?><other><current></current></other>",
         "openweathermap.org returned weather data without a condition code"},
        {"<current><city/></current>", "openweathermap.org returned weather data without a condition code"},
        {"<current><weather value=\"rain\"/></current>",
         "openweathermap.org returned weather data without a condition code"},
        {"<current><weather number=\"x\"/></current>",
         "openweathermap.org returned the condition code \"x\", which is not a usable number (invalid stoi argument)"},
        {Current("99999999999"),
         "openweathermap.org returned the condition code \"99999999999\", which is not a usable number (stoi argument "
         "out of range)"},
        {"<current><weather number=\"500\"", "openweathermap.org returned weather data without a condition code"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.reply);
        TempWorkingDirectory::Write("Skyloom.log", "");
        LatestWeather.store(kWeatherFoggy);
        fake_wininet::SetBody(row.reply);
        Fetch();
        EXPECT_EQ(LatestWeather.load(), kWeatherFoggy);
        auto log = LogMessages();
        ASSERT_EQ(log.size(), 1u);
        EXPECT_EQ(log[0].rfind(row.messageStart, 0), 0u) << log[0];
        EXPECT_EQ(FeedTexts(), log);
    }
}

TEST_F(FetchWorkerTest, UrlIsLoggedOnceAfterTheFirstReplyAndEveryReplyIsLogged) {
    WeatherSettings.logUrlAndResponse = true;
    WeatherSettings.logWhenGetSetWeather = false;
    const std::string url = "http://api.openweathermap.org/data/2.5/weather?q=London&mode=xml&APPID=0123456789abcdef";

    // A failed download logs nothing and leaves the URL line for later.
    fake_wininet::Set({false, true, {}});
    Fetch();
    EXPECT_TRUE(LogMessages().empty());
    EXPECT_TRUE(UrlLogPending.load());

    fake_wininet::SetBody(Current("801"));
    Fetch();
    fake_wininet::SetBody("{\"cod\":\"404\"}");
    Fetch();
    EXPECT_EQ(LogMessages(),
              (std::vector<std::string>{url, Current("801"), "{\"cod\":\"404\"}", "openweathermap.org error 404"}));
    EXPECT_EQ(LatestWeather.load(), kWeatherClouds);
}

}  // namespace
