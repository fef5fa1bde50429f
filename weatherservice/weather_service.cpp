// The local weather service: a small HTTP/1.1 server over POSIX sockets,
// one request per connection, and the replies the real service sends.
#include "weather_service.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <list>
#include <system_error>
#include <thread>

namespace weather_service {

namespace {

// Generous for a GET; anything larger is not a request of ours.
constexpr size_t kMaxHeaderBytes = 64 * 1024;

const char* ReasonPhrase(int status) {
    switch (status) {
        case 200:
            return "OK";
        case 204:
            return "No Content";
        case 301:
            return "Moved Permanently";
        case 302:
            return "Found";
        case 307:
            return "Temporary Redirect";
        case 400:
            return "Bad Request";
        case 401:
            return "Unauthorized";
        case 403:
            return "Forbidden";
        case 404:
            return "Not Found";
        case 429:
            return "Too Many Requests";
        case 500:
            return "Internal Server Error";
        case 502:
            return "Bad Gateway";
        case 503:
            return "Service Unavailable";
        case 504:
            return "Gateway Timeout";
        default:
            return "Unknown";
    }
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// As a query string is decoded: %XX is a byte, '+' a space, and a '%' that
// starts no escape stays as it is.
std::string PercentDecode(const std::string& text) {
    std::string decoded;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '+') {
            decoded += ' ';
        } else if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
            decoded += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            i += 2;
        } else {
            decoded += text[i];
        }
    }
    return decoded;
}

std::string Trim(const std::string& text) {
    size_t begin = text.find_first_not_of(" \t");
    if (begin == std::string::npos) return "";
    return text.substr(begin, text.find_last_not_of(" \t") - begin + 1);
}

// The first value given for key, decoded; empty when absent.
std::string QueryValue(const std::string& query, const std::string& key, bool ignoreCase) {
    size_t from = 0;
    while (from <= query.size()) {
        size_t end = query.find('&', from);
        if (end == std::string::npos) end = query.size();
        std::string pair = query.substr(from, end - from);
        size_t equals = pair.find('=');
        std::string name = PercentDecode(pair.substr(0, equals));
        bool match = ignoreCase ? strcasecmp(name.c_str(), key.c_str()) == 0 : name == key;
        if (match) return equals == std::string::npos ? "" : PercentDecode(pair.substr(equals + 1));
        from = end + 1;
    }
    return "";
}

Reply PlainReply(int status) {
    Reply reply;
    reply.status = status;
    reply.contentType = "text/plain";
    return reply;
}

// Parses the request line and headers (without the blank line that ends them).
bool ParseRequest(const std::string& head, Request& request) {
    size_t lineEnd = head.find("\r\n");
    std::string line = head.substr(0, lineEnd);
    size_t firstSpace = line.find(' ');
    size_t lastSpace = line.rfind(' ');
    if (firstSpace == std::string::npos || lastSpace == firstSpace) return false;
    request.method = line.substr(0, firstSpace);
    request.target = line.substr(firstSpace + 1, lastSpace - firstSpace - 1);
    if (line.compare(lastSpace + 1, 5, "HTTP/") != 0 || request.method.empty() || request.target.empty()) return false;

    while (lineEnd != std::string::npos) {
        size_t start = lineEnd + 2;
        lineEnd = head.find("\r\n", start);
        std::string header = head.substr(start, lineEnd == std::string::npos ? std::string::npos : lineEnd - start);
        size_t colon = header.find(':');
        if (colon == std::string::npos) continue;
        std::string name = header.substr(0, colon);
        request.headers.emplace_back(name, Trim(header.substr(colon + 1)));
        if (strcasecmp(name.c_str(), "Host") == 0) request.host = Trim(header.substr(colon + 1));
        if (strcasecmp(name.c_str(), "User-Agent") == 0) request.userAgent = Trim(header.substr(colon + 1));
    }

    // Through a proxy the target is the absolute URL; directly, only its path.
    std::string pathAndQuery = request.target;
    size_t scheme = pathAndQuery.find("://");
    if (pathAndQuery[0] != '/' && scheme != std::string::npos) {
        size_t pathStart = pathAndQuery.find_first_of("/?", scheme + 3);
        pathAndQuery = pathStart == std::string::npos ? "/" : pathAndQuery.substr(pathStart);
        if (pathAndQuery[0] == '?') pathAndQuery = "/" + pathAndQuery;
    }
    size_t question = pathAndQuery.find('?');
    request.path = pathAndQuery.substr(0, question);
    request.query = question == std::string::npos ? "" : pathAndQuery.substr(question + 1);
    request.location = QueryValue(request.query, "q", false);
    request.mode = QueryValue(request.query, "mode", false);
    // The service takes the key's name in any case ("appid" in its own examples).
    request.appId = QueryValue(request.query, "APPID", true);
    return true;
}

}  // namespace

struct Server::State {
    Handler handler;
    int listener = -1;
    // Written once by the destructor and never read: from then on every wait
    // below sees it readable and gives up.
    int wakeRead = -1, wakeWrite = -1;
    uint16_t port = 0;
    std::thread acceptor;

    struct Connection {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> finished;
    };
    // Only the acceptor touches this until the destructor has joined it.
    std::list<Connection> connections;

    mutable std::mutex mutex;
    std::vector<Request> requests;
    size_t abandoned = 0;

    enum class Wait { kReady, kTimedOut, kStopping };

    // Waits for events on fd (or only for time to pass when fd is -1), and
    // returns early when the server stops.
    Wait WaitFor(int fd, short events, int timeoutMs) const {
        pollfd fds[2] = {{wakeRead, POLLIN, 0}, {fd, events, 0}};
        for (;;) {
            int ready = poll(fds, fd >= 0 ? 2 : 1, timeoutMs);
            if (ready < 0 && errno == EINTR) continue;
            if (ready < 0 || fds[0].revents != 0) return Wait::kStopping;
            return ready == 0 ? Wait::kTimedOut : Wait::kReady;
        }
    }

    void AcceptLoop() {
        while (WaitFor(listener, POLLIN, -1) == Wait::kReady) {
            int client = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0) continue;
            // Finished connections are joined as new ones come, so a long run
            // does not collect threads.
            connections.remove_if([](Connection& connection) {
                if (!connection.finished->load()) return false;
                connection.thread.join();
                return true;
            });
            auto finished = std::make_shared<std::atomic<bool>>(false);
            connections.push_back({std::thread([this, client, finished] {
                                       Serve(client);
                                       close(client);
                                       finished->store(true);
                                   }),
                                   finished});
        }
    }

    // Reads up to the blank line after the headers; false when the client
    // went away first or the server stops.
    bool ReadHead(int client, std::string& head) const {
        char buffer[4096];
        while (head.find("\r\n\r\n") == std::string::npos) {
            if (head.size() > kMaxHeaderBytes || WaitFor(client, POLLIN, -1) != Wait::kReady) return false;
            ssize_t got = recv(client, buffer, sizeof buffer, 0);
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) return false;
            head.append(buffer, static_cast<size_t>(got));
        }
        head.resize(head.find("\r\n\r\n"));
        return true;
    }

    enum class Sent { kAll, kAbandoned, kStopping };

    Sent SendAll(int client, const std::string& bytes) const {
        size_t sent = 0;
        while (sent < bytes.size()) {
            if (WaitFor(client, POLLOUT, -1) != Wait::kReady) return Sent::kStopping;
            ssize_t wrote = send(client, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
            if (wrote < 0 && (errno == EINTR || errno == EAGAIN)) continue;
            if (wrote < 0) return Sent::kAbandoned;
            sent += static_cast<size_t>(wrote);
        }
        return Sent::kAll;
    }

    void Serve(int client) {
        std::string head;
        if (!ReadHead(client, head)) return;
        Request request;
        Reply reply;
        if (ParseRequest(head, request)) {
            {
                // Recorded before the handler runs, so a test can see a
                // request whose reply is still delayed.
                std::lock_guard<std::mutex> lock(mutex);
                requests.push_back(request);
            }
            try {
                reply = handler(request);
            } catch (...) {
                reply = PlainReply(500);
            }
        } else {
            reply = PlainReply(400);
        }
        if (reply.delayMs > 0 && WaitFor(-1, 0, reply.delayMs) == Wait::kStopping) return;

        bool redirect = !reply.location.empty();
        int status = redirect ? 302 : reply.status;
        std::string body = redirect ? "" : reply.body;
        std::string response = "HTTP/1.1 " + std::to_string(status) + " " + ReasonPhrase(status) + "\r\n";
        response += "Content-Type: " + reply.contentType + "\r\n";
        response += "Content-Length: " + std::to_string(body.size()) + "\r\n";
        if (redirect) response += "Location: " + reply.location + "\r\n";
        response += "Connection: close\r\n\r\n";
        response += reply.cutShort ? body.substr(0, body.size() / 2) : body;

        Sent sent = SendAll(client, response);
        if (sent == Sent::kAbandoned) {
            std::lock_guard<std::mutex> lock(mutex);
            ++abandoned;
        }
        if (sent != Sent::kAll) return;
        // Closing while the client's bytes sit unread would reset the
        // connection and could drop the reply's tail; so the client closes
        // first, as Connection: close asks it to.
        shutdown(client, SHUT_WR);
        char sink[1024];
        while (WaitFor(client, POLLIN, -1) == Wait::kReady) {
            ssize_t got = recv(client, sink, sizeof sink, 0);
            if (got == 0 || (got < 0 && errno != EINTR)) break;
        }
    }
};

Server::Server(Handler handler) : state_(std::make_unique<State>()) {
    state_->handler = std::move(handler);
    int wake[2];
    if (pipe2(wake, O_CLOEXEC) != 0) throw std::system_error(errno, std::generic_category(), "pipe2");
    state_->wakeRead = wake[0];
    state_->wakeWrite = wake[1];

    state_->listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (state_->listener < 0 || bind(state_->listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(state_->listener, 64) != 0 ||
        getsockname(state_->listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        int error = errno;
        if (state_->listener >= 0) close(state_->listener);
        close(state_->wakeRead);
        close(state_->wakeWrite);
        throw std::system_error(error, std::generic_category(), "weather service listen");
    }
    state_->port = ntohs(address.sin_port);
    state_->acceptor = std::thread([state = state_.get()] { state->AcceptLoop(); });
}

Server::~Server() {
    char stop = 1;
    while (write(state_->wakeWrite, &stop, 1) < 0 && errno == EINTR) {
    }
    state_->acceptor.join();
    for (auto& connection : state_->connections) connection.thread.join();
    close(state_->listener);
    close(state_->wakeRead);
    close(state_->wakeWrite);
}

uint16_t Server::Port() const { return state_->port; }

std::string Server::ProxyUrl() const { return "http://127.0.0.1:" + std::to_string(state_->port); }

std::vector<Request> Server::Requests() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->requests;
}

size_t Server::AbandonedReplies() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->abandoned;
}

namespace {

struct Condition {
    int code;
    const char* description;
};

// The service's own texts for its condition codes.
constexpr Condition kConditions[] = {
    {200, "thunderstorm with light rain"},
    {201, "thunderstorm with rain"},
    {202, "thunderstorm with heavy rain"},
    {210, "light thunderstorm"},
    {211, "thunderstorm"},
    {212, "heavy thunderstorm"},
    {221, "ragged thunderstorm"},
    {230, "thunderstorm with light drizzle"},
    {231, "thunderstorm with drizzle"},
    {232, "thunderstorm with heavy drizzle"},
    {300, "light intensity drizzle"},
    {301, "drizzle"},
    {302, "heavy intensity drizzle"},
    {310, "light intensity drizzle rain"},
    {311, "drizzle rain"},
    {312, "heavy intensity drizzle rain"},
    {313, "shower rain and drizzle"},
    {314, "heavy shower rain and drizzle"},
    {321, "shower drizzle"},
    {500, "light rain"},
    {501, "moderate rain"},
    {502, "heavy intensity rain"},
    {503, "very heavy rain"},
    {504, "extreme rain"},
    {511, "freezing rain"},
    {520, "light intensity shower rain"},
    {521, "shower rain"},
    {522, "heavy intensity shower rain"},
    {531, "ragged shower rain"},
    {600, "light snow"},
    {601, "snow"},
    {602, "heavy snow"},
    {611, "sleet"},
    {612, "light shower sleet"},
    {613, "shower sleet"},
    {615, "light rain and snow"},
    {616, "rain and snow"},
    {620, "light shower snow"},
    {621, "shower snow"},
    {622, "heavy shower snow"},
    {701, "mist"},
    {711, "smoke"},
    {721, "haze"},
    {731, "sand/dust whirls"},
    {741, "fog"},
    {751, "sand"},
    {761, "dust"},
    {762, "volcanic ash"},
    {771, "squalls"},
    {781, "tornado"},
    {800, "clear sky"},
    {801, "few clouds"},
    {802, "scattered clouds"},
    {803, "broken clouds"},
    {804, "overcast clouds"},
};

struct City {
    const char* name;
    long id;
    const char* lon;
    const char* lat;
    const char* country;
    int timezone;
};

constexpr City kCities[] = {
    {"London", 2643743, "-0.1257", "51.5085", "GB", 0},
    {"Los Angeles", 5368361, "-118.2437", "34.0522", "US", -28800},
    {"New York", 5128581, "-74.006", "40.7143", "US", -18000},
    {"Tokyo", 1850147, "139.6917", "35.6895", "JP", 32400},
};

std::string EscapeXml(const std::string& text) {
    std::string escaped;
    for (char c : text) {
        switch (c) {
            case '&':
                escaped += "&amp;";
                break;
            case '<':
                escaped += "&lt;";
                break;
            case '>':
                escaped += "&gt;";
                break;
            case '"':
                escaped += "&quot;";
                break;
            case '\'':
                escaped += "&apos;";
                break;
            default:
                escaped += c;
        }
    }
    return escaped;
}

std::string UtcStamp(std::time_t time) {
    std::tm utc{};
    gmtime_r(&time, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &utc);
    return text;
}

}  // namespace

std::string ConditionDescription(int conditionCode) {
    for (const auto& condition : kConditions)
        if (condition.code == conditionCode) return condition.description;
    return "unknown weather";
}

std::string CurrentWeatherXml(int conditionCode, const std::string& city) {
    // A city the table does not know still gets an id of its own.
    City place{nullptr, 0, "0", "0", "", 0};
    for (const auto& known : kCities)
        if (city == known.name) place = known;
    if (place.name == nullptr) {
        unsigned long hash = 2166136261u;
        for (unsigned char c : city) hash = (hash ^ c) * 16777619u % 4294967296u;
        place.id = static_cast<long>(1000000 + hash % 9000000);
    }

    int group = conditionCode / 100;
    const char* icon = "04d";
    int clouds = 90;
    std::string cloudName = "overcast clouds";
    std::string precipitation = R"(<precipitation mode="no"/>)";
    if (group == 2) icon = "11d";
    if (group == 3 || (conditionCode >= 520 && conditionCode < 600)) icon = "09d";
    if (group == 5 && conditionCode < 520) icon = conditionCode == 511 ? "13d" : "10d";
    if (group == 6) icon = "13d";
    if (group == 7) icon = "50d";
    if (group == 2 || group == 3 || group == 5)
        precipitation = R"(<precipitation value="0.51" mode="rain" unit="1h"/>)";
    if (group == 6) precipitation = R"(<precipitation value="0.3" mode="snow" unit="1h"/>)";
    if (conditionCode >= 800 && conditionCode <= 804) {
        static const char* const icons[] = {"01d", "02d", "03d", "04d", "04d"};
        static const int cover[] = {0, 20, 40, 75, 100};
        icon = icons[conditionCode - 800];
        clouds = cover[conditionCode - 800];
        cloudName = ConditionDescription(conditionCode);
    }
    double kelvin = group == 6 ? 271.4 : 288.6;
    int visibility = group == 7 ? 1500 : 10000;

    std::time_t now = std::time(nullptr);
    std::time_t midnight = now - now % 86400;
    char numbers[512];
    std::snprintf(numbers, sizeof numbers,
                  R"(<temperature value="%.2f" min="%.2f" max="%.2f" unit="kelvin"/>)"
                  R"(<feels_like value="%.2f" unit="kelvin"/>)"
                  R"(<humidity value="81" unit="%%"/>)"
                  R"(<pressure value="1012" unit="hPa"/>)"
                  R"(<wind><speed value="4.63" unit="m/s" name="Gentle Breeze"/><gusts value="7.2"/>)"
                  R"(<direction value="240" code="WSW" name="West-southwest"/></wind>)"
                  R"(<clouds value="%d" name="%s"/>)"
                  R"(<visibility value="%d"/>)",
                  kelvin, kelvin - 1.5, kelvin + 1.3, kelvin - 2.1, clouds, cloudName.c_str(), visibility);

    std::string xml = R"(<?xml version="1.0" encoding="UTF-8"?>)";
    xml += "\n<current>";
    xml += "<city id=\"" + std::to_string(place.id) + "\" name=\"" + EscapeXml(city) + "\">";
    xml += "<coord lon=\"" + std::string(place.lon) + "\" lat=\"" + place.lat + "\"/>";
    xml += "<country>" + std::string(place.country) + "</country>";
    xml += "<timezone>" + std::to_string(place.timezone) + "</timezone>";
    xml += "<sun rise=\"" + UtcStamp(midnight + 6 * 3600 - place.timezone) + "\" set=\"" +
           UtcStamp(midnight + 18 * 3600 - place.timezone) + "\"/>";
    xml += "</city>";
    xml += numbers;
    xml += precipitation;
    xml += "<weather number=\"" + std::to_string(conditionCode) + "\" value=\"" +
           EscapeXml(ConditionDescription(conditionCode)) + "\" icon=\"" + icon + "\"/>";
    xml += "<lastupdate value=\"" + UtcStamp(now) + "\"/>";
    xml += "</current>";
    return xml;
}

std::string InvalidKeyReply() {
    return R"({"cod":401, "message": "Invalid API key. Please see https://openweathermap.org/faq#error401 for more info."})";
}

std::string CityNotFoundReply() { return R"({"cod":"404","message":"city not found"})"; }

}  // namespace weather_service
