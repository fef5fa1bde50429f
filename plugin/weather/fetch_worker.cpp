// One fetch of the current weather, on a thread of its own.
#include "weather/fetch_worker.h"

#include <tinyxml2.h>

#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>
#include <string>

#include "common/join_strings.h"
#include "common/weather_names.h"
#include "control/feed_notification.h"
#include "log/checkpoint.h"
#include "log/log.h"
#include "settings/settings.h"
#include "settings/string_to_int.h"
#include "weather/condition_codes.h"
#include "weather/http_download.h"

std::atomic<bool> UrlLogPending{true};

namespace {

constexpr char kEndpointPrefix[] = "http://api.openweathermap.org/data/2.5/weather?q=";
constexpr char kServiceDomain[] = "openweathermap.org";
constexpr char kAccountPage[] = "home.openweathermap.org/api_keys";

struct FreeDeleter {
    void operator()(char* block) const { std::free(block); }
};
using ReplyBuffer = std::unique_ptr<char, FreeDeleter>;

void Report(const std::string& message) {
    LogLine(message);
    ShowFeedNotification(message.c_str(), true);
}

// The service's refusals, recognised by their texts; the first marker found wins.
std::string ErrorReplyMessage(const char* reply) {
    const std::string domain = kServiceDomain;
    if (std::strstr(reply, "Invalid API key"))
        return "Invalid API key, if you entered your own check to make sure it's correct, otherwise add your own or "
               "contact the author of the mod (Brannoch).";
    if (std::strstr(reply, "Error: Not found city"))
        return domain + " did not find the desired city, please check for spelling errors";
    if (std::strstr(reply, "404")) return domain + " error 404";
    if (std::strstr(reply, "500 /proxy/data/2.5/")) return domain + " internal server error 500";
    if (std::strstr(reply, "401"))
        return "Too many requests to API key, please sign up at " + domain + ", go to " + kAccountPage +
               ", copy the API key, and then paste it into Skyloom.xml between <API_KEY> and </API_KEY>";
    return domain + " did not return weather data. Returned string: " + reply;
}

// A reply that claims to be weather data but has no readable code is
// reported like a refusal, and the weather stays as it is.
void ReadWeatherReply(ReplyBuffer reply) {
    CHECKPOINT("255");
    tinyxml2::XMLDocument document;
    document.Parse(reply.get());
    CHECKPOINT("257");
    const char* number = nullptr;
    if (const tinyxml2::XMLElement* current = document.FirstChildElement("current"))
        if (const tinyxml2::XMLElement* weather = current->FirstChildElement("weather"))
            number = weather->Attribute("number");
    if (number == nullptr) {
        Report(std::string(kServiceDomain) +
               " returned weather data without a condition code. Returned string: " + reply.get());
        return;
    }
    int32_t code = 0;
    try {
        code = StringToInt(number, 10);
    } catch (const std::exception& error) {
        Report(std::string(kServiceDomain) + " returned the condition code \"" + number +
               "\", which is not a usable number (" + error.what() + ")");
        return;
    }
    CHECKPOINT("260");
    WeatherName name = MapConditionCode(code);
    LatestWeather.store(name, std::memory_order_release);
    CHECKPOINT("358");
    reply.reset();
    CHECKPOINT("360");
    if (WeatherSettings.logWhenGetSetWeather && name != kWeatherError)
        LogLine(std::string("Successfully retrieved and parsed weather: ") + name);
}

void Fetch() {
    auto withLocation = JoinStrings(kEndpointPrefix, WeatherSettings.location);
    auto url = JoinStrings(withLocation.get(), WeatherSettings.apiQuerySuffix);
    CHECKPOINT("205");
    uint64_t length = 0;
    ReplyBuffer reply(HttpDownload(url.get(), &length));
    CHECKPOINT("208");
    // A failed download is not reported: the next scheduled fetch retries.
    if (!reply) return;
    if (WeatherSettings.logUrlAndResponse) {
        if (UrlLogPending.exchange(false)) LogLine(url.get());
        LogLine(reply.get());
    }
    if (std::strstr(reply.get(), "<current>") != nullptr)
        ReadWeatherReply(std::move(reply));
    else
        Report(ErrorReplyMessage(reply.get()));
}

}  // namespace

unsigned __stdcall FetchWorker(void*) {
    // Nothing may escape a worker thread: it would end the game.
    try {
        Fetch();
    } catch (const std::exception& error) {
        Report(std::string("The weather fetch failed: ") + error.what());
    } catch (...) {
        Report("The weather fetch failed for an unknown reason");
    }
    return 0;
}
