// A local stand-in for the weather service: an HTTP server on loopback that
// the plug-in reaches as its HTTP proxy, with its request URL unchanged.
// Tests and skyloom-sim start and stop it themselves.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace weather_service {

// One request as the server received it.
struct Request {
    std::string method;  // "GET"
    std::string
        target;  // as sent; through a proxy the absolute URL, e.g. http://api.openweathermap.org/data/2.5/weather?q=...
    std::string host;   // the Host header
    std::string path;   // "/data/2.5/weather"
    std::string query;  // everything after '?', undecoded
    std::string userAgent;
    // Every header line as received, in order, name and value unchanged.
    std::vector<std::pair<std::string, std::string>> headers;
    // Query parameters, percent-decoded; empty when absent.
    std::string location;  // q
    std::string mode;      // mode
    std::string appId;     // APPID
};

// What the server sends back.
struct Reply {
    Reply() = default;
    Reply(int status, std::string body) : status(status), body(std::move(body)) {}

    int status = 200;
    std::string body;
    std::string contentType = "application/xml; charset=utf-8";
    int delayMs = 0;        // wait this long before sending anything
    bool cutShort = false;  // announce the full length, send half the body, then close
    std::string location;   // when set: a 302 to this URL instead of the body
};

using Handler = std::function<Reply(const Request&)>;

class Server {
public:
    // Listens on 127.0.0.1 at a free port; every connection is served on a
    // thread of its own, so a slow reply does not hold up the next request.
    explicit Server(Handler handler);
    // Stops listening and waits for the connections being served.
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    uint16_t Port() const;
    // "http://127.0.0.1:PORT", for http_proxy.
    std::string ProxyUrl() const;
    // Every request so far, oldest first.
    std::vector<Request> Requests() const;
    // Replies the client closed its connection on before all was sent.
    size_t AbandonedReplies() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

// Replies shaped as the real service sends them in XML mode.
std::string CurrentWeatherXml(int conditionCode, const std::string& city = "London");
std::string InvalidKeyReply();    // 401: "Invalid API key. Please see ..."
std::string CityNotFoundReply();  // 404: "city not found"
// The service's description of a condition code ("light rain" for 500).
std::string ConditionDescription(int conditionCode);

}  // namespace weather_service
