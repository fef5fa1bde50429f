// The weather service inside skyloom-sim: what it answers to which request,
// and weather that moves through every type the plug-in knows.
#include "embedded_service.h"

#include <gtest/gtest.h>

#include <set>

#include "weather/condition_codes.h"

namespace {

constexpr char kKey[] = "0123456789abcdefABCDEF0123456789";

weather_service::Request WeatherRequest(const std::string& location, const std::string& key = kKey) {
    weather_service::Request request;
    request.method = "GET";
    request.path = "/data/2.5/weather";
    request.location = location;
    request.mode = "xml";
    request.appId = key;
    return request;
}

TEST(EmbeddedServiceTest, WeatherVisitsEveryGameTypeAndHoldsEachForTwoMinutes) {
    std::set<std::string> types;
    for (uint64_t ms = 0; ms < 10 * sim::kConditionPeriodMs; ms += sim::kConditionPeriodMs) {
        WeatherName name = MapConditionCode(sim::ConditionCodeAt(ms));
        ASSERT_NE(name, kWeatherError) << "at " << ms;
        types.insert(name);
        EXPECT_EQ(sim::ConditionCodeAt(ms + sim::kConditionPeriodMs - 1), sim::ConditionCodeAt(ms));
        EXPECT_NE(sim::ConditionCodeAt(ms + sim::kConditionPeriodMs), sim::ConditionCodeAt(ms));
    }
    EXPECT_EQ(types.size(), 10u);
    EXPECT_EQ(sim::ConditionCodeAt(10 * sim::kConditionPeriodMs), sim::ConditionCodeAt(0)) << "and round again";
}

TEST(EmbeddedServiceTest, AnswersByKeyPlaceAndGameTime) {
    const std::vector<std::string> unknown = {"Atlantis", "el dorado,XX"};
    struct Row {
        const char* name;
        weather_service::Request request;
        uint64_t gameMs;
        int status;
        int code;
        std::string body;  // expected in the body
    } rows[] = {
        {"weather now", WeatherRequest("London"), 0, 200, 800, weather_service::CurrentWeatherXml(800, "London")},
        {"weather later", WeatherRequest("Paris,FR"), 3 * sim::kConditionPeriodMs, 200, 500,
         weather_service::CurrentWeatherXml(500, "Paris")},
        {"short key", WeatherRequest("London", "0123456789abcdef"), 0, 401, 0, weather_service::InvalidKeyReply()},
        {"key not hex", WeatherRequest("London", "0123456789abcdef0123456789abcdeg"), 0, 401, 0,
         weather_service::InvalidKeyReply()},
        {"no key", WeatherRequest("London", ""), 0, 401, 0, weather_service::InvalidKeyReply()},
        {"key before place", WeatherRequest("Atlantis", "bad"), 0, 401, 0, weather_service::InvalidKeyReply()},
        {"unknown place", WeatherRequest("atlantis"), 0, 404, 0, weather_service::CityNotFoundReply()},
        {"unknown with country", WeatherRequest("Atlantis,GR"), 0, 404, 0, weather_service::CityNotFoundReply()},
        {"unknown city part", WeatherRequest("El Dorado"), 0, 404, 0, weather_service::CityNotFoundReply()},
        {"no letter", WeatherRequest("12345"), 0, 404, 0, weather_service::CityNotFoundReply()},
        {"empty", WeatherRequest(""), 0, 404, 0, weather_service::CityNotFoundReply()},
        {"a known neighbour", WeatherRequest("Atlanta"), 0, 200, 800, "Atlanta"},
    };
    for (auto& row : rows) {
        SCOPED_TRACE(row.name);
        sim::ServiceAnswer answer;
        weather_service::Reply reply = sim::AnswerRequest(row.request, row.gameMs, unknown, &answer);
        EXPECT_EQ(reply.status, row.status);
        EXPECT_NE(reply.body.find(row.body), std::string::npos) << reply.body;
        EXPECT_EQ(answer.status, row.status);
        EXPECT_EQ(answer.conditionCode, row.code);
        EXPECT_EQ(answer.location, row.request.location);
        EXPECT_EQ(answer.refusal.empty(), row.status == 200);
    }
}

TEST(EmbeddedServiceTest, OtherRequestsAreNotWeather) {
    auto json = WeatherRequest("London");
    json.mode = "";
    auto elsewhere = WeatherRequest("London");
    elsewhere.path = "/data/2.5/forecast";
    for (const auto& request : {json, elsewhere}) {
        sim::ServiceAnswer answer;
        auto reply = sim::AnswerRequest(request, 0, {}, &answer);
        EXPECT_GE(reply.status, 400);
        EXPECT_EQ(reply.body.find("<current>"), std::string::npos);
        EXPECT_EQ(answer.conditionCode, 0);
    }
}

}  // namespace
