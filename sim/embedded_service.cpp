// The embedded weather service's answers.
#include "embedded_service.h"

#include <algorithm>
#include <cctype>

namespace sim {
namespace {

// Clear sky to blizzard, one game type each: EXTRASUNNY, CLOUDS, OVERCAST,
// RAIN, THUNDER, FOGGY, SMOG, SNOWLIGHT, SNOW, BLIZZARD.
constexpr int kCycle[] = {800, 801, 804, 500, 211, 741, 721, 600, 601, 602};
constexpr char kWeatherPath[] = "/data/2.5/weather";

std::string CityOf(const std::string& location) { return location.substr(0, location.find(',')); }

std::string Folded(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool IsUnknown(const std::string& location, const std::vector<std::string>& unknown) {
    if (std::none_of(location.begin(), location.end(), [](unsigned char c) { return std::isalpha(c); })) return true;
    std::string city = Folded(CityOf(location));
    return std::any_of(unknown.begin(), unknown.end(),
                       [&](const std::string& name) { return Folded(CityOf(name)) == city; });
}

bool IsWellFormedKey(const std::string& key) {
    return key.size() == 32 && std::all_of(key.begin(), key.end(), [](unsigned char c) { return std::isxdigit(c); });
}

weather_service::Reply Refuse(int status, std::string body, const char* why, ServiceAnswer* answer) {
    answer->status = status;
    answer->refusal = why;
    weather_service::Reply reply;
    reply.status = status;
    reply.body = std::move(body);
    return reply;
}

}  // namespace

int ConditionCodeAt(uint64_t gameMs) {
    constexpr uint64_t count = sizeof kCycle / sizeof kCycle[0];
    return kCycle[(gameMs / kConditionPeriodMs) % count];
}

weather_service::Reply AnswerRequest(const weather_service::Request& request, uint64_t gameMs,
                                     const std::vector<std::string>& unknown, ServiceAnswer* answer) {
    answer->location = request.location;
    if (request.path != kWeatherPath)
        return Refuse(404, "404 page not found: skyloom-sim's weather service answers " + std::string(kWeatherPath),
                      "no such page", answer);
    // The real service looks at the key before anything else.
    if (!IsWellFormedKey(request.appId))
        return Refuse(401, weather_service::InvalidKeyReply(), "invalid API key", answer);
    if (IsUnknown(request.location, unknown))
        return Refuse(404, weather_service::CityNotFoundReply(), "city not found", answer);
    if (request.mode != "xml")
        return Refuse(400, "skyloom-sim's weather service answers mode=xml only", "not XML mode", answer);
    int code = ConditionCodeAt(gameMs);
    answer->status = 200;
    answer->conditionCode = code;
    answer->description = weather_service::ConditionDescription(code);
    weather_service::Reply reply;
    reply.body = weather_service::CurrentWeatherXml(code, CityOf(request.location));
    return reply;
}

EmbeddedService::EmbeddedService(const GameClock& clock, std::vector<std::string> unknownLocations)
    : clock_(clock), unknown_(std::move(unknownLocations)) {
    server_ = std::make_unique<weather_service::Server>([this](const weather_service::Request& request) {
        ServiceAnswer answer;
        weather_service::Reply reply = AnswerRequest(request, clock_.Now(), unknown_, &answer);
        std::lock_guard<std::mutex> lock(answersMutex_);
        answers_.push_back(std::move(answer));
        return reply;
    });
}

EmbeddedService::~EmbeddedService() { server_.reset(); }

std::string EmbeddedService::ProxyUrl() const { return server_->ProxyUrl(); }

std::vector<ServiceAnswer> EmbeddedService::TakeAnswers() {
    std::lock_guard<std::mutex> lock(answersMutex_);
    std::vector<ServiceAnswer> taken;
    taken.swap(answers_);
    return taken;
}

}  // namespace sim
