// Following the weather end to end in the simulated game: the plug-in's
// workers reach a local weather service through http_proxy, with the
// request URL unchanged, and the controller applies what they fetched.
#include "service_harness.h"

namespace {

using FetchTest = ServicePluginTest;

constexpr char kUrl[] =
    "http://api.openweathermap.org/data/2.5/weather?q=London&mode=xml&APPID=0123456789abcdef0123456789abcdef";

TEST_F(FetchTest, TheGameFollowsTheServiceWithMessagesAsConfigured) {
    Answer(500);
    Start(100000);
    ASSERT_EQ(Requests(), 1);
    auto requests = service_.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].target, kUrl);
    EXPECT_EQ(requests[0].userAgent, "VORTEL Downloader");
    EXPECT_TRUE(hook::GetWorld().persistentWeather.empty()) << "applied on the next pass, not in the fetch's own";

    Pass(now_ + 16);
    EXPECT_EQ(hook::GetWorld().persistentWeather, "RAIN");
    ASSERT_EQ(hook::Feed().size(), 1u);
    EXPECT_EQ(hook::Feed()[0].text, "Set weather to RAIN");
    EXPECT_FALSE(hook::Feed()[0].flag);

    Answer(800);
    RunUntil(159984);
    EXPECT_EQ(Requests(), 1);
    RunUntil(160000);
    EXPECT_EQ(Requests(), 2);
    Pass(now_ + 16);
    EXPECT_EQ(hook::GetWorld().persistentWeather, "EXTRASUNNY");

    auto log = LogMessages();
    EXPECT_EQ(Count(log, kUrl), 1) << "the URL is logged once per run";
    EXPECT_EQ(Count(log, "Successfully retrieved and parsed weather: RAIN"), 1);
    EXPECT_EQ(Count(log, "Set weather to RAIN"), 1);
    EXPECT_EQ(Count(log, "Successfully retrieved and parsed weather: EXTRASUNNY"), 1);
    EXPECT_EQ(Count(log, "Set weather to EXTRASUNNY"), 1);
    for (const auto& call : hook::Calls()) EXPECT_TRUE(call.onScriptFiber) << call.name;
}

TEST_F(FetchTest, RefusalsAreLoggedAndPostedOnceAndChangeNothing) {
    struct Row {
        const char* name;
        Reply reply;
        const char* message;
    } rows[] = {
        {"unknown city", Reply{404, weather_service::CityNotFoundReply()}, "openweathermap.org error 404"},
        {"bad key", Reply{401, weather_service::InvalidKeyReply()},
         "Invalid API key, if you entered your own check to make sure it's correct, otherwise add your own or "
         "contact the author of the mod (Brannoch)."},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Answer(row.reply);
        Start(100000);
        Pass(now_ + 16);
        EXPECT_EQ(Count(LogMessages(), row.message), 1);
        ASSERT_EQ(hook::Feed().size(), 1u);
        EXPECT_EQ(hook::Feed()[0].text, row.message);
        EXPECT_TRUE(hook::Feed()[0].flag);
        EXPECT_TRUE(hook::GetWorld().persistentWeather.empty());
        Unload();
        ASSERT_TRUE(SkyloomOsWaitForThreads(10000));
        hook::ResetRecords();
    }
}

Reply CutShort(std::string body) {
    Reply reply(200, std::move(body));
    reply.cutShort = true;
    return reply;
}

TEST_F(FetchTest, FailedDownloadsLeaveNoTraceAndTheUrlLineForLater) {
    struct Row {
        const char* name;
        Reply reply;
    } rows[] = {
        {"connection closed midway", CutShort(weather_service::CurrentWeatherXml(500))},
        {"2001 bytes", Reply{200, std::string(2001, ' ')}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Answer(row.reply);
        Start(100000);
        Pass(now_ + 16);
        EXPECT_GE(Requests(), 1);
        EXPECT_TRUE(LogMessages().empty());
        EXPECT_TRUE(hook::Feed().empty());
        EXPECT_TRUE(hook::GetWorld().persistentWeather.empty());

        // The next fetch that gets a reply is the first to log the URL.
        Answer(801);
        RunUntil(160000);
        auto log = LogMessages();
        ASSERT_FALSE(log.empty());
        EXPECT_EQ(log[0], kUrl);
        Unload();
        ASSERT_TRUE(SkyloomOsWaitForThreads(10000));
        WriteFile("Skyloom.log", "");
    }
}

TEST_F(FetchTest, AWorkerEvery60SecondsWhileEnabledAndAtOnceOnEnabling) {
    // Enabled 20 s after the system booted: the first worker waits for tick 60000.
    Start(20000);
    EXPECT_EQ(Requests(), 0);
    RunUntil(59984, 16);
    EXPECT_EQ(Requests(), 0);
    RunUntil(60000);
    EXPECT_EQ(Requests(), 1);

    // Disabled: none, however long.
    Chord();
    RunUntil(300000, 1000);
    EXPECT_EQ(Requests(), 1);

    // Enabling starts one in that very pass; enabling again a moment later, another.
    Chord();
    EXPECT_EQ(Requests(), 2);
    Chord();
    Chord();
    EXPECT_EQ(Requests(), 3);
    RunUntil(now_ + 59000, 1000);
    EXPECT_EQ(Requests(), 3);
}

TEST_F(FetchTest, AThrottledPassStillStartsADueWorker) {
    Start(100000);
    ASSERT_EQ(Requests(), 1);
    RunUntil(159998, 1000);
    EXPECT_EQ(Requests(), 1);
    // 2 ms after the last poll: throttled, but the worker is due.
    Pass(160000);
    EXPECT_EQ(Requests(), 2);
}

TEST_F(FetchTest, OneWorkerPerMinuteAcrossTheTickWrap) {
    // Started in the last minute before the 32-bit tick wraps.
    Start(0xFFFFFFFFu - 20000);
    ASSERT_EQ(Requests(), 1);
    RunUntil(0xFFFFFFFFu, 500);
    Pass(0);
    RunUntil(39000, 500);
    EXPECT_EQ(Requests(), 1);
    RunUntil(39999, 500);
    EXPECT_EQ(Requests(), 2);
}

TEST_F(FetchTest, SlowFetchesOverlapWithoutHoldingUpTheFrames) {
    Hold();
    Start(100000);
    auto resumes = hook::ScriptResumes();
    for (uint32_t tick = 100016; tick <= 160016; tick += 1000) Pass(tick);
    // Every frame ran while the first fetch waited, and the second started beside it.
    EXPECT_GE(hook::ScriptResumes(), resumes + 61);
    WaitForRequests(2);
    Answer(200);
    Release();
    ASSERT_TRUE(SkyloomOsWaitForThreads(10000));
    Pass(now_ + 16);
    EXPECT_EQ(hook::GetWorld().persistentWeather, "THUNDER");
}

TEST_F(FetchTest, UnloadingWhileAWorkerRunsLeavesTheLibraryToIt) {
    Hold();
    Start(100000);
    WaitForRequests(1);
    Unload();
    // The worker still has code and data to come back to.
    Release();
    ASSERT_TRUE(SkyloomOsWaitForThreads(10000));
    EXPECT_EQ(Count(LogMessages(), "Successfully retrieved and parsed weather: RAIN"), 1);

    // Gone with the worker: a new load starts from scratch.
    Load();
    EXPECT_EQ(hook::RegisteredScripts(), 1u);
    Pass(200000);
    Pass(200016);
    EXPECT_EQ(hook::GetWorld().persistentWeather, "RAIN");
}

}  // namespace
