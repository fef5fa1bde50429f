// The log file's bytes: separator once per run, the time stamp, CR LF line
// ends, silence on failure, and whole lines when many threads log at once.
#include "log/log.h"

#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "temp_workdir.h"

namespace {

namespace fs = std::filesystem;

const std::string kSeparatorBytes = "\r\n" + std::string(33, '-') + "\r\n";
const std::regex kStamp(R"(\d\d-\d\d-\d{4} (0[1-9]|1[0-2]):[0-5]\d:[0-5]\d: )");

class LogTest : public ::testing::Test {
protected:
    void SetUp() override { SeparatorPending = true; }

    static std::string ReadLog() { return TempWorkingDirectory::Read("Skyloom.log"); }

    static std::string StampNow() {
        std::time_t now = std::time(nullptr);
        char buffer[80];
        FormatLogTimeStamp(*std::localtime(&now), buffer);
        return buffer;
    }

    TempWorkingDirectory workdir_{"skyloom-log"};
};

TEST_F(LogTest, FirstLineOfARunCreatesTheFileWithTheSeparator) {
    std::string before = StampNow();
    LogLine("Set weather to RAIN");
    std::string after = StampNow();
    std::string bytes = ReadLog();
    ASSERT_EQ(bytes.size(), kSeparatorBytes.size() + 21 + 19 + 2);
    EXPECT_EQ(bytes.substr(0, kSeparatorBytes.size()), kSeparatorBytes);
    std::string stamp = bytes.substr(kSeparatorBytes.size(), 21);
    EXPECT_TRUE(stamp == before || stamp == after) << stamp;
    EXPECT_TRUE(std::regex_match(stamp, kStamp)) << stamp;
    EXPECT_EQ(bytes.substr(kSeparatorBytes.size() + 21), "Set weather to RAIN\r\n");
}

TEST_F(LogTest, ExistingContentStaysAndLaterLinesHaveNoSeparator) {
    TempWorkingDirectory::Write("Skyloom.log", "old line\r\n");
    LogLine("first");
    LogLine("second");
    std::string bytes = ReadLog();
    ASSERT_EQ(bytes.substr(0, 10), "old line\r\n");
    std::string rest = bytes.substr(10);
    ASSERT_EQ(rest.substr(0, kSeparatorBytes.size()), kSeparatorBytes);
    rest = rest.substr(kSeparatorBytes.size());
    ASSERT_EQ(rest.size(), 2 * 21 + 5 + 6 + 4);
    EXPECT_EQ(rest.substr(21, 7), "first\r\n");
    EXPECT_TRUE(std::regex_match(rest.substr(28, 21), kStamp));
    EXPECT_EQ(rest.substr(49), "second\r\n");
}

TEST_F(LogTest, MessageBytesAreStoredInTextMode) {
    struct Row {
        std::string message, stored;
    } rows[] = {
        {"", ""},
        {"two\nlines", "two\r\nlines"},
        {"crlf\r\ninside", "crlf\r\r\ninside"},
        {"lone\rcr", "lone\rcr"},
        {"\xC3\xA9t\xC3\xA9", "\xC3\xA9t\xC3\xA9"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.message);
        fs::remove("Skyloom.log");
        SeparatorPending = false;
        LogLine(row.message);
        std::string bytes = ReadLog();
        ASSERT_GE(bytes.size(), 21u);
        EXPECT_TRUE(std::regex_match(bytes.substr(0, 21), kStamp));
        EXPECT_EQ(bytes.substr(21), row.stored + "\r\n");
    }
}

TEST_F(LogTest, TimeStampIsTwelveHourWithoutMarker) {
    struct Row {
        int year, month, day, hour, minute, second;
        const char* stamp;
    } rows[] = {
        {2016, 3, 7, 21, 5, 12, "03-07-2016 09:05:12: "}, {2016, 3, 7, 13, 5, 9, "03-07-2016 01:05:09: "},
        {2016, 3, 7, 1, 5, 9, "03-07-2016 01:05:09: "},   {2020, 12, 31, 0, 30, 0, "12-31-2020 12:30:00: "},
        {2021, 1, 1, 12, 0, 0, "01-01-2021 12:00:00: "},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.stamp);
        std::tm local{};
        local.tm_year = row.year - 1900;
        local.tm_mon = row.month - 1;
        local.tm_mday = row.day;
        local.tm_hour = row.hour;
        local.tm_min = row.minute;
        local.tm_sec = row.second;
        char buffer[80];
        EXPECT_EQ(FormatLogTimeStamp(local, buffer), 21u);
        EXPECT_STREQ(buffer, row.stamp);
    }
}

TEST_F(LogTest, UnopenableLogIsSilentAndSpendsTheSeparator) {
    // A directory where the file should be: the open fails.
    fs::create_directory("Skyloom.log");
    LogLine("lost");
    EXPECT_FALSE(SeparatorPending);
    fs::remove("Skyloom.log");
    LogLine("kept");
    std::string bytes = ReadLog();
    ASSERT_EQ(bytes.size(), 21u + 6u);
    EXPECT_EQ(bytes.substr(21), "kept\r\n");
}

TEST_F(LogTest, ManyThreadsLeaveWholeLinesAndOneSeparator) {
    constexpr int kThreads = 8, kLines = 200;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < kLines; ++i)
                LogLine("thread " + std::to_string(t) + " line " + std::to_string(i) + " " + std::string(t * 10, 'x'));
        });
    for (auto& thread : threads) thread.join();

    std::string bytes = ReadLog();
    ASSERT_EQ(bytes.substr(0, kSeparatorBytes.size()), kSeparatorBytes);
    std::string body = bytes.substr(kSeparatorBytes.size());
    EXPECT_EQ(body.find(std::string(33, '-')), std::string::npos);
    const std::regex line(R"(\d\d-\d\d-\d{4} \d\d:\d\d:\d\d: thread (\d) line (\d+) (x*)\r)");
    std::set<std::string> seen;
    std::istringstream lines(body);
    std::string text;
    while (std::getline(lines, text)) {
        std::smatch match;
        ASSERT_TRUE(std::regex_match(text, match, line)) << "torn line: " << text;
        EXPECT_EQ(match[3].length(), std::stoi(match[1]) * 10);
        EXPECT_TRUE(seen.insert(match[1].str() + "/" + match[2].str()).second);
    }
    EXPECT_EQ(seen.size(), static_cast<size_t>(kThreads * kLines));
}

}  // namespace
