// The download against a scripted WinInet: the calls it makes, the size
// limit, and that every failure leaves nothing open or allocated.
#include "weather/http_download.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "fake_wininet.h"

namespace {

using fake_wininet::Read;
using fake_wininet::Script;

struct Result {
    bool ok = false;
    std::string body;  // with the byte past the end, which must be the NUL
    uint64_t length = 99;
};

Result Download() {
    Result result;
    char* buffer = HttpDownload("http://weather.test/data?q=a b", &result.length);
    result.ok = buffer != nullptr;
    if (buffer != nullptr) {
        result.body.assign(buffer, result.length + 1);
        std::free(buffer);
    }
    return result;
}

TEST(HttpDownloadTest, MakesTheFourCallsAsWinInetExpectsThem) {
    fake_wininet::SetBody("<current>hello</current>");
    Result result = Download();
    ASSERT_TRUE(result.ok);
    auto record = fake_wininet::Recorded();
    EXPECT_EQ(record.agent, "VORTEL Downloader");
    EXPECT_EQ(record.accessType, 0u);  // INTERNET_OPEN_TYPE_PRECONFIG
    EXPECT_FALSE(record.proxyGiven);
    EXPECT_FALSE(record.bypassGiven);
    EXPECT_EQ(record.sessionFlags, 0u);
    EXPECT_EQ(record.url, "http://weather.test/data?q=a b");
    EXPECT_FALSE(record.headersGiven);
    EXPECT_EQ(record.headersLength, 0u);
    EXPECT_EQ(record.urlFlags, 0x800u);  // INTERNET_FLAG_RESYNCHRONIZE alone
    EXPECT_EQ(record.context, 0u);
    EXPECT_EQ(record.readSizes, (std::vector<uint32_t>{16384, 16384}));
    EXPECT_EQ(record.closed, (std::vector<std::string>{"request", "session"}));
}

TEST(HttpDownloadTest, BodiesUpToTheLimitComeBackWholeAndTerminated) {
    std::string withNul("ab\0cd", 5);
    struct Row {
        const char* name;
        std::string body;
        size_t chunk;
    } rows[] = {
        {"empty", "", 16384},
        {"one byte", "x", 16384},
        {"NUL bytes kept", withNul, 16384},
        {"exactly 2000 in one read", std::string(2000, 'a'), 16384},
        {"exactly 2000 in reads of 7", std::string(2000, 'b'), 7},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        fake_wininet::SetBody(row.body, row.chunk);
        Result result = Download();
        ASSERT_TRUE(result.ok);
        EXPECT_EQ(result.length, row.body.size());
        EXPECT_EQ(result.body, row.body + '\0');
        EXPECT_EQ(fake_wininet::Recorded().openHandles, 0);
    }
}

// ASan's leak check covers the buffer; the record covers the handles.
TEST(HttpDownloadTest, EveryFailureClosesWhatWasOpenedAndReturnsNothing) {
    struct Row {
        const char* name;
        Script script;
        std::vector<std::string> closed;
    } rows[] = {
        {"session fails", {true, false, {}}, {}},
        {"URL fails", {false, true, {}}, {"session"}},
        {"first read fails", {false, false, {{"", true}}}, {"request", "session"}},
        {"read fails midway", {false, false, {{"<current>", false}, {"", true}}}, {"request", "session"}},
        {"2001 bytes in one read", {false, false, {{std::string(2001, 'x'), false}}}, {"request", "session"}},
        {"2001 bytes, the last read crosses",
         {false, false, {{std::string(1500, 'x'), false}, {std::string(501, 'y'), false}}},
         {"request", "session"}},
        {"2001 bytes, a last read of one byte",
         {false, false, {{std::string(2000, 'x'), false}, {"y", false}}},
         {"request", "session"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        fake_wininet::Set(row.script);
        Result result = Download();
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.length, 0u);
        auto record = fake_wininet::Recorded();
        EXPECT_EQ(record.closed, row.closed);
        EXPECT_EQ(record.openHandles, 0);
    }
}

TEST(HttpDownloadTest, NoLengthOutputIsFine) {
    fake_wininet::SetBody("abc");
    char* buffer = HttpDownload("http://weather.test/", nullptr);
    ASSERT_NE(buffer, nullptr);
    EXPECT_STREQ(buffer, "abc");
    std::free(buffer);
    fake_wininet::Set(Script{true, false, {}});
    EXPECT_EQ(HttpDownload("http://weather.test/", nullptr), nullptr);
}

}  // namespace
