// The local weather service seen from a raw socket: how it reads requests,
// the bytes of its replies, and the shape of its current-weather XML.
#include "weather_service.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <tinyxml2.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace {

using weather_service::Reply;
using weather_service::Request;
using weather_service::Server;

// Sends bytes to the server and returns all it answers until it closes.
std::string Exchange(const Server& server, const std::string& bytes) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(server.Port());
    EXPECT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    EXPECT_EQ(send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL), static_cast<ssize_t>(bytes.size()));
    std::string answer;
    char buffer[4096];
    ssize_t got;
    while ((got = recv(fd, buffer, sizeof buffer, 0)) > 0) answer.append(buffer, static_cast<size_t>(got));
    close(fd);
    return answer;
}

TEST(WeatherServiceTest, RequestsAreReadInAbsoluteAndOriginForm) {
    struct Row {
        std::string requestLine;
        std::string path, query, location, mode, appId;
    } rows[] = {
        {"GET http://api.openweathermap.org/data/2.5/weather?q=S%C3%A3o%20Paulo&mode=xml&APPID=k%2B1 HTTP/1.1",
         "/data/2.5/weather", "q=S%C3%A3o%20Paulo&mode=xml&APPID=k%2B1", "S\xC3\xA3o Paulo", "xml", "k+1"},
        {"GET /data/2.5/weather?appid=abc&q=New+York HTTP/1.1", "/data/2.5/weather", "appid=abc&q=New+York", "New York",
         "", "abc"},
        {"GET http://api.openweathermap.org:80?q=Oslo HTTP/1.1", "/", "q=Oslo", "Oslo", "", ""},
        // The first of repeated keys; stray percent signs stay as they are.
        {"GET /w?q=a&q=b&mode=100%&APPID=%zz HTTP/1.1", "/w", "q=a&q=b&mode=100%&APPID=%zz", "a", "100%", "%zz"},
        {"GET /plain HTTP/1.0", "/plain", "", "", "", ""},
    };
    Server server([](const Request&) { return Reply{}; });
    for (const auto& row : rows) {
        SCOPED_TRACE(row.requestLine);
        std::string answer =
            Exchange(server, row.requestLine + "\r\nHost: api.openweathermap.org\r\nuser-agent:  Agent 1.0 \r\n\r\n");
        EXPECT_EQ(answer.substr(0, 15), "HTTP/1.1 200 OK");
        const Request seen = server.Requests().back();
        EXPECT_EQ(seen.method, "GET");
        EXPECT_EQ(seen.target, row.requestLine.substr(4, row.requestLine.rfind(' ') - 4));
        EXPECT_EQ(seen.host, "api.openweathermap.org");
        EXPECT_EQ(seen.userAgent, "Agent 1.0");
        EXPECT_EQ(seen.headers, (std::vector<std::pair<std::string, std::string>>{{"Host", "api.openweathermap.org"},
                                                                                  {"user-agent", "Agent 1.0"}}));
        EXPECT_EQ(seen.path, row.path);
        EXPECT_EQ(seen.query, row.query);
        EXPECT_EQ(seen.location, row.location);
        EXPECT_EQ(seen.mode, row.mode);
        EXPECT_EQ(seen.appId, row.appId);
    }
    EXPECT_EQ(server.Requests().size(), std::size(rows));
}

TEST(WeatherServiceTest, RepliesCarryStatusReasonLengthAndClose) {
    auto reply = [](int status, std::string body, std::string contentType) {
        Reply made;
        made.status = status;
        made.body = std::move(body);
        made.contentType = std::move(contentType);
        return made;
    };
    Reply cut = reply(200, "0123456789", "text/plain");
    cut.cutShort = true;
    Reply moved = reply(200, "ignored", "text/plain");
    moved.location = "http://elsewhere/x";
    const std::string invalidKey = weather_service::InvalidKeyReply();
    struct Row {
        Reply reply;
        std::string expected;
    } rows[] = {
        {reply(200, "<current/>", "application/xml; charset=utf-8"),
         "HTTP/1.1 200 OK\r\nContent-Type: application/xml; charset=utf-8\r\nContent-Length: 10\r\n"
         "Connection: close\r\n\r\n<current/>"},
        {reply(401, invalidKey, "application/json; charset=utf-8"),
         "HTTP/1.1 401 Unauthorized\r\nContent-Type: application/json; charset=utf-8\r\nContent-Length: " +
             std::to_string(invalidKey.size()) + "\r\nConnection: close\r\n\r\n" + invalidKey},
        {reply(404, "", "text/plain"),
         "HTTP/1.1 404 Not Found\r\nContent-Type: text/plain\r\nContent-Length: 0\r\nConnection: close\r\n\r\n"},
        {cut, "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 10\r\nConnection: close\r\n\r\n01234"},
        {moved,
         "HTTP/1.1 302 Found\r\nContent-Type: text/plain\r\nContent-Length: 0\r\nLocation: http://elsewhere/x\r\n"
         "Connection: close\r\n\r\n"},
    };
    for (const auto& row : rows) {
        Server server([&row](const Request&) { return row.reply; });
        EXPECT_EQ(Exchange(server, "GET / HTTP/1.1\r\nHost: x\r\n\r\n"), row.expected);
    }
}

TEST(WeatherServiceTest, MalformedRequestGetsA400AndReachesNoHandler) {
    int calls = 0;
    Server server([&calls](const Request&) {
        ++calls;
        return Reply{};
    });
    for (const char* bytes : {"NONSENSE\r\n\r\n", "GET /only-two-words\r\n\r\n", "GET / FTP/1.0\r\n\r\n"}) {
        SCOPED_TRACE(bytes);
        EXPECT_EQ(Exchange(server, bytes).substr(0, 24), "HTTP/1.1 400 Bad Request");
    }
    EXPECT_EQ(calls, 0);
    EXPECT_TRUE(server.Requests().empty());
}

TEST(WeatherServiceTest, CurrentWeatherXmlHasTheServiceShape) {
    struct Row {
        int code;
        const char* description;
        const char* icon;
    } rows[] = {
        {500, "light rain", "10d"},
        {211, "thunderstorm", "11d"},
        {301, "drizzle", "09d"},
        {601, "snow", "13d"},
        {741, "fog", "50d"},
        {800, "clear sky", "01d"},
        {804, "overcast clouds", "04d"},
        {999, "unknown weather", "04d"},
    };
    const char* const children[] = {"city",   "temperature", "feels_like",    "humidity", "pressure",  "wind",
                                    "clouds", "visibility",  "precipitation", "weather",  "lastupdate"};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.code);
        const std::string xml = weather_service::CurrentWeatherXml(row.code, "Fish & Chips");
        EXPECT_EQ(xml.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>", 0), 0u);
        EXPECT_NE(xml.find("<current>"), std::string::npos);
        tinyxml2::XMLDocument document;
        ASSERT_EQ(document.Parse(xml.c_str()), tinyxml2::XML_SUCCESS);
        const tinyxml2::XMLElement* current = document.RootElement();
        ASSERT_NE(current, nullptr);
        EXPECT_STREQ(current->Name(), "current");
        EXPECT_EQ(current->FirstAttribute(), nullptr);
        std::vector<std::string> names;
        for (auto* child = current->FirstChildElement(); child; child = child->NextSiblingElement())
            names.push_back(child->Name());
        EXPECT_EQ(names, std::vector<std::string>(std::begin(children), std::end(children)));

        const tinyxml2::XMLElement* city = current->FirstChildElement("city");
        ASSERT_NE(city, nullptr);
        EXPECT_STREQ(city->Attribute("name"), "Fish & Chips");
        EXPECT_GT(city->IntAttribute("id"), 0);
        for (const char* part : {"coord", "country", "timezone", "sun"})
            EXPECT_NE(city->FirstChildElement(part), nullptr) << part;
        for (const char* part : {"speed", "gusts", "direction"})
            EXPECT_NE(current->FirstChildElement("wind")->FirstChildElement(part), nullptr) << part;

        const tinyxml2::XMLElement* weather = current->FirstChildElement("weather");
        ASSERT_NE(weather, nullptr);
        EXPECT_EQ(weather->IntAttribute("number"), row.code);
        EXPECT_STREQ(weather->Attribute("value"), row.description);
        EXPECT_STREQ(weather->Attribute("icon"), row.icon);
    }
}

}  // namespace
