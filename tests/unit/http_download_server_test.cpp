// The download through the WinInet stand-in against the local weather
// service: what a real HTTP exchange brings back.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "weather/http_download.h"
#include "weather_service.h"

namespace {

// Straight to the local server, whatever proxy this machine has.
class HttpDownloadServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"http_proxy", "all_proxy", "ALL_PROXY"}) unsetenv(name);
    }
};

TEST_F(HttpDownloadServerTest, BodiesComeBackWholeWhateverTheStatusAndUpTo2000Bytes) {
    std::string withNul("<current>\0tail", 14);
    struct Row {
        const char* name;
        weather_service::Reply reply;
        bool ok;
    } rows[] = {
        {"empty", {200, ""}, true},
        {"exactly 2000", {200, std::string(2000, 'a')}, true},
        {"2001", {200, std::string(2001, 'a')}, false},
        {"far too long", {200, std::string(100000, 'a')}, false},
        {"404 with a body", {404, "{\"cod\":\"404\",\"message\":\"city not found\"}"}, true},
        {"500 with a body", {500, "Internal error"}, true},
        {"NUL bytes", {200, withNul}, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        weather_service::Server server([&](const weather_service::Request&) { return row.reply; });
        std::string url = "http://127.0.0.1:" + std::to_string(server.Port()) + "/data/2.5/weather?q=London";
        uint64_t length = 99;
        char* body = HttpDownload(url.c_str(), &length);
        ASSERT_EQ(body != nullptr, row.ok);
        if (body == nullptr) {
            EXPECT_EQ(length, 0u);
            continue;
        }
        EXPECT_EQ(length, row.reply.body.size());
        EXPECT_EQ(std::string(body, length + 1), row.reply.body + '\0');
        std::free(body);
        ASSERT_EQ(server.Requests().size(), 1u);
        EXPECT_EQ(server.Requests()[0].userAgent, "VORTEL Downloader");
    }
}

TEST_F(HttpDownloadServerTest, NoServerNoBody) {
    uint64_t length = 99;
    // Port 9 (discard): nothing listens there.
    EXPECT_EQ(HttpDownload("http://127.0.0.1:9/data/2.5/weather?q=London", &length), nullptr);
    EXPECT_EQ(length, 0u);
}

}  // namespace
