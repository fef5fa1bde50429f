// The Linux WinInet stand-in against the local weather service: what a
// synchronous WinInet caller sees of bodies, statuses, redirects, the
// preconfigured proxy, URL escaping, failures, and a reader that pulls.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "weather_service.h"
#include "win_api.h"

namespace {

using weather_service::Reply;
using weather_service::Request;
using weather_service::Server;

// Sets or removes one environment variable for a scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) previous_ = old;
        if (value != nullptr)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~ScopedEnv() {
        if (previous_)
            setenv(name_.c_str(), previous_->c_str(), 1);
        else
            unsetenv(name_.c_str());
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::optional<std::string> previous_;
};

std::string RandomBytes(size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    // Every fourth byte a NUL, so a reader that stops at one is caught.
    for (size_t i = 0; i < size; ++i) bytes[i] = i % 4 == 0 ? '\0' : static_cast<char>(random());
    return bytes;
}

Reply Body(std::string body) {
    Reply reply;
    reply.body = std::move(body);
    return reply;
}

struct Download {
    std::string body;
    bool failed = false;
    std::vector<DWORD> readSizes;
};

// Reads to the end of the body (a read of 0) or the first failed read.
Download ReadAll(HINTERNET request, DWORD chunk) {
    Download download;
    std::vector<char> buffer(chunk);
    for (;;) {
        DWORD read = 0xDEAD;
        if (!InternetReadFile(request, buffer.data(), chunk, &read)) {
            download.failed = true;
            return download;
        }
        if (read == 0) return download;
        download.readSizes.push_back(read);
        download.body.append(buffer.data(), read);
    }
}

class WinInetTest : public ::testing::Test {
protected:
    void SetUp() override {
        session_ = InternetOpenA(kAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
        ASSERT_NE(session_, nullptr);
    }
    void TearDown() override { EXPECT_TRUE(InternetCloseHandle(session_)); }

    void Serve(weather_service::Handler handler) { server_ = std::make_unique<Server>(std::move(handler)); }
    std::string Local(const std::string& pathAndQuery) const {
        return "http://127.0.0.1:" + std::to_string(server_->Port()) + pathAndQuery;
    }
    HINTERNET Open(const std::string& url) const {
        return InternetOpenUrlA(session_, url.c_str(), nullptr, 0, INTERNET_FLAG_RESYNCHRONIZE, 0);
    }
    // The whole body of url read in chunks of that size; fails the test when
    // the request cannot be made.
    Download Fetch(const std::string& url, DWORD chunk = 4096) const {
        HINTERNET request = Open(url);
        EXPECT_NE(request, nullptr) << url;
        if (request == nullptr) return {};
        Download download = ReadAll(request, chunk);
        EXPECT_TRUE(InternetCloseHandle(request));
        return download;
    }

    static constexpr const char* kAgent = "Skyloom test agent";
    // No proxy from the machine's environment unless a test sets one.
    ScopedEnv httpProxy_{"http_proxy", nullptr}, allProxy_{"all_proxy", nullptr}, allProxyUpper_{"ALL_PROXY", nullptr};
    ScopedEnv noProxy_{"no_proxy", nullptr}, noProxyUpper_{"NO_PROXY", nullptr};
    HINTERNET session_ = nullptr;
    std::unique_ptr<Server> server_;
};

TEST_F(WinInetTest, BodyIsDeliveredWhateverTheStatus) {
    struct Row {
        int status;
        std::string body;
    };
    const std::vector<Row> rows = {
        {200, weather_service::CurrentWeatherXml(500)},
        {401, weather_service::InvalidKeyReply()},
        {404, weather_service::CityNotFoundReply()},
        {500, "internal trouble"},
    };
    Serve([rows](const Request& request) {
        Reply reply = Body(rows.at(std::stoul(request.path.substr(1))).body);
        reply.status = rows.at(std::stoul(request.path.substr(1))).status;
        return reply;
    });
    for (size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(rows[i].status);
        Download download = Fetch(Local("/" + std::to_string(i)));
        EXPECT_FALSE(download.failed);
        EXPECT_EQ(download.body, rows[i].body);
    }
}

TEST_F(WinInetTest, EmptyBodyEndsAtTheFirstReadAndStaysEnded) {
    Serve([](const Request&) { return Body(""); });
    HINTERNET request = Open(Local("/empty"));
    ASSERT_NE(request, nullptr);
    char buffer[16];
    for (int i = 0; i < 2; ++i) {
        DWORD read = 0xDEAD;
        EXPECT_TRUE(InternetReadFile(request, buffer, sizeof buffer, &read));
        EXPECT_EQ(read, 0u);
    }
    EXPECT_TRUE(InternetCloseHandle(request));
}

TEST_F(WinInetTest, ReadsOfAnySizeReassembleTheBodyExactly) {
    // Several of curl's 16 KiB pieces, so reads split pieces and pieces split reads.
    const std::string body = RandomBytes(70001, 7);
    Serve([body](const Request&) { return Body(body); });
    for (DWORD chunk : {1u, 3u, 1000u, 16384u, 16385u, 1u << 20}) {
        SCOPED_TRACE(chunk);
        Download download = Fetch(Local("/bytes"), chunk);
        EXPECT_FALSE(download.failed);
        EXPECT_TRUE(download.body == body) << "got " << download.body.size() << " bytes";
        for (DWORD size : download.readSizes) EXPECT_LE(size, chunk);
    }
}

TEST_F(WinInetTest, RedirectIsFollowed) {
    Serve([this](const Request& request) {
        Reply reply = Body("moved here");
        if (request.path == "/old") reply.location = Local("/new");
        return reply;
    });
    EXPECT_EQ(Fetch(Local("/old")).body, "moved here");
    auto requests = server_->Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].path, "/old");
    EXPECT_EQ(requests[1].path, "/new");
}

TEST_F(WinInetTest, PreconfiguredProxyFromHttpProxyGetsTheAbsoluteUrlAndAgent) {
    const std::string xml = weather_service::CurrentWeatherXml(500);
    Serve([xml](const Request&) { return Body(xml); });
    const std::string url = "http://api.openweathermap.org/data/2.5/weather?q=London&mode=xml&APPID=0123abcd";
    // The host does not resolve here, so only the proxy can have answered.
    for (const std::string& proxy : {server_->ProxyUrl(), "127.0.0.1:" + std::to_string(server_->Port())}) {
        SCOPED_TRACE(proxy);
        ScopedEnv httpProxy("http_proxy", proxy.c_str());
        EXPECT_EQ(Fetch(url).body, xml);
    }
    auto requests = server_->Requests();
    ASSERT_EQ(requests.size(), 2u);
    for (const Request& seen : requests) {
        EXPECT_EQ(seen.target, url);
        EXPECT_EQ(seen.host, "api.openweathermap.org");
        EXPECT_EQ(seen.userAgent, kAgent);
        EXPECT_EQ(seen.path, "/data/2.5/weather");
        EXPECT_EQ(seen.location, "London");
        EXPECT_EQ(seen.mode, "xml");
        EXPECT_EQ(seen.appId, "0123abcd");
    }
}

TEST_F(WinInetTest, RequestCarriesNoHeadersOfItsOwnBeyondTheAgent) {
    Serve([](const Request&) { return Body("ok"); });
    auto headerNames = [this] {
        std::vector<std::string> names;
        const Request last = server_->Requests().back();
        for (const auto& header : last.headers) names.push_back(header.first);
        return names;
    };
    EXPECT_EQ(Fetch(Local("/direct")).body, "ok");
    EXPECT_EQ(headerNames(), (std::vector<std::string>{"Host", "User-Agent", "Accept"}));
    ScopedEnv httpProxy("http_proxy", server_->ProxyUrl().c_str());
    EXPECT_EQ(Fetch("http://api.openweathermap.org/data/2.5/weather?q=London").body, "ok");
    EXPECT_EQ(headerNames(), (std::vector<std::string>{"Host", "User-Agent", "Accept", "Proxy-Connection"}));
}

TEST_F(WinInetTest, NoProxyIsHonouredAsCurlReadsIt) {
    Serve([](const Request&) { return Body("via proxy"); });
    ScopedEnv httpProxy("http_proxy", server_->ProxyUrl().c_str());
    // A .invalid name never resolves, so a request that bypasses the proxy fails.
    struct Row {
        const char* variable;
        const char* value;
        bool proxied;
    } rows[] = {
        {"no_proxy", "weather.invalid", false},
        {"NO_PROXY", "weather.invalid", false},
        {"no_proxy", "*", false},
        {"no_proxy", "example.com,localhost", true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.variable) + "=" + row.value);
        ScopedEnv noProxy(row.variable, row.value);
        HINTERNET request = Open("http://weather.invalid/data/2.5/weather?q=London");
        EXPECT_EQ(request != nullptr, row.proxied);
        if (request == nullptr) continue;
        EXPECT_EQ(ReadAll(request, 64).body, "via proxy");
        EXPECT_TRUE(InternetCloseHandle(request));
    }
}

TEST_F(WinInetTest, SpacesInPathAndQueryAreSentAsPercent20) {
    Serve([](const Request&) { return Body("ok"); });
    EXPECT_EQ(Fetch(Local("/data/2.5/weather?q=New York&mode=xml")).body, "ok");
    EXPECT_EQ(Fetch(Local("/two words/weather?q=Rio de Janeiro")).body, "ok");
    auto requests = server_->Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].target, "/data/2.5/weather?q=New%20York&mode=xml");
    EXPECT_EQ(requests[0].location, "New York");
    EXPECT_EQ(requests[1].target, "/two%20words/weather?q=Rio%20de%20Janeiro");
}

TEST_F(WinInetTest, OpenFailsWhenTheRequestCannotBeMade) {
    Serve([](const Request&) { return Body("unused"); });
    const std::string refused = Local("/gone");
    server_.reset();
    // Redirects are followed within the open, so their failures show there too.
    Serve([refused](const Request&) {
        Reply reply;
        reply.location = refused;
        return reply;
    });
    for (const std::string& url : {refused, Local("/to-gone"), std::string("not a url"), std::string(""),
                                   std::string("http://weather.invalid/data/2.5/weather")}) {
        SCOPED_TRACE(url);
        EXPECT_EQ(Open(url), nullptr);
    }
    EXPECT_EQ(InternetOpenUrlA(session_, nullptr, nullptr, 0, 0, 0), nullptr);
}

TEST_F(WinInetTest, OpenFailsWhenTheServerClosesBeforeReplying) {
    Serve([](const Request&) {
        Reply reply = Body("too late");
        reply.delayMs = 10 * 60 * 1000;
        return reply;
    });
    HINTERNET request = reinterpret_cast<HINTERNET>(1);
    std::thread opener([&] { request = Open(Local("/slow")); });
    while (server_->Requests().empty()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    // Stopping interrupts the delay rather than waiting it out.
    server_.reset();
    opener.join();
    EXPECT_EQ(request, nullptr);
}

TEST_F(WinInetTest, ReadFailsWhenTheBodyIsCutShort) {
    for (size_t size : {size_t{10}, size_t{100000}}) {
        SCOPED_TRACE(size);
        const std::string body = RandomBytes(size, 3);
        Serve([body](const Request&) {
            Reply reply = Body(body);
            reply.cutShort = true;
            return reply;
        });
        HINTERNET request = Open(Local("/cut"));
        ASSERT_NE(request, nullptr);
        Download download = ReadAll(request, 4096);
        EXPECT_TRUE(download.failed);
        EXPECT_TRUE(download.body == body.substr(0, size / 2)) << "got " << download.body.size() << " bytes";
        char byte;
        DWORD read = 0xDEAD;
        EXPECT_FALSE(InternetReadFile(request, &byte, 1, &read));
        EXPECT_EQ(read, 0u);
        EXPECT_TRUE(InternetCloseHandle(request));
    }
}

TEST_F(WinInetTest, ClosingMidBodyAbortsTheTransferWhichWasNotReadAhead) {
    // Far more than the loopback socket buffers hold: the server can only
    // have sent it all if the stand-in read ahead of its caller.
    const std::string body(32 << 20, 'x');
    Serve([&body](const Request&) { return Body(body); });
    HINTERNET request = Open(Local("/big"));
    ASSERT_NE(request, nullptr);
    char buffer[4096];
    DWORD read = 0;
    ASSERT_TRUE(InternetReadFile(request, buffer, sizeof buffer, &read));
    EXPECT_GT(read, 0u);
    EXPECT_TRUE(InternetCloseHandle(request));
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (server_->AbandonedReplies() == 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(server_->AbandonedReplies(), 1u);
    // The session goes on serving.
    EXPECT_EQ(Fetch(Local("/big"), 1 << 20).body.size(), body.size());
}

TEST_F(WinInetTest, ThreadsDownloadAtOnceEachWithItsOwnSession) {
    const std::string bodies[] = {RandomBytes(300000, 1), RandomBytes(250000, 2)};
    Serve([&bodies](const Request& request) { return Body(bodies[request.path == "/1"]); });
    const std::string urls[] = {Local("/0"), Local("/1")};
    std::string got[2][3];
    std::vector<std::thread> threads;
    for (int t = 0; t < 2; ++t) {
        threads.emplace_back([&, t] {
            HINTERNET session = InternetOpenA(kAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
            if (session == nullptr) return;
            for (auto& result : got[t]) {
                HINTERNET request = InternetOpenUrlA(session, urls[t].c_str(), nullptr, 0, 0, 0);
                if (request == nullptr) continue;
                result = ReadAll(request, 1000).body;
                InternetCloseHandle(request);
            }
            InternetCloseHandle(session);
        });
    }
    for (auto& thread : threads) thread.join();
    for (int t = 0; t < 2; ++t)
        for (const auto& result : got[t]) EXPECT_TRUE(result == bodies[t]) << "thread " << t << ": " << result.size();
    EXPECT_EQ(server_->Requests().size(), 6u);
}

TEST_F(WinInetTest, CallsOnTheWrongKindOfHandleFail) {
    char buffer[8];
    DWORD read = 0xDEAD;
    EXPECT_FALSE(InternetReadFile(session_, buffer, sizeof buffer, &read));
    EXPECT_EQ(read, 0u);
    EXPECT_FALSE(InternetReadFile(nullptr, buffer, sizeof buffer, &read));
    EXPECT_FALSE(InternetCloseHandle(nullptr));
    EXPECT_EQ(InternetOpenUrlA(nullptr, "http://127.0.0.1:1/", nullptr, 0, 0, 0), nullptr);
}

}  // namespace
