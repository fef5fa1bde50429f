// The plug-in in the simulated game with a local weather service behind
// http_proxy: the request URL stays the real service's, as on a player's
// machine behind a proxy. Replies can be set and held per test.
#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "plugin_harness.h"
#include "settings_file.h"
#include "weather_service.h"

using weather_service::Reply;
using weather_service::Request;

class ServicePluginTest : public PluginTest {
protected:
    void SetUp() override {
        PluginTest::SetUp();
        setenv("http_proxy", service_.ProxyUrl().c_str(), 1);
        settings_.apiKey = "0123456789abcdef0123456789abcdef";
        settings_.logUrlAndResponse = "1";
    }

    void TearDown() override {
        Release();
        PluginTest::TearDown();
    }

    // The reply to every following request.
    void Answer(Reply reply) {
        std::lock_guard<std::mutex> lock(mutex_);
        reply_ = std::move(reply);
    }
    void Answer(int code) { Answer(Reply{200, weather_service::CurrentWeatherXml(code)}); }

    // Requests wait in the service until released.
    void Hold() {
        std::lock_guard<std::mutex> lock(mutex_);
        held_ = true;
    }
    void Release() {
        std::lock_guard<std::mutex> lock(mutex_);
        held_ = false;
        released_.notify_all();
    }

    int Requests() const { return requests_.load(); }

    // Workers reach the service in their own time while requests are held.
    void WaitForRequests(int count) {
        for (int i = 0; i < 1000 && Requests() < count; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ASSERT_EQ(Requests(), count);
    }

    void Start(uint32_t tick = 100000, const char* plugin = SKYLOOM_PLUGIN_PATH) {
        WriteFile("Skyloom.xml", settings_.Text());
        Load(plugin);
        Pass(tick);
    }

    // One frame at tick; then, unless requests are held, the workers it
    // started finish before the test goes on.
    void Pass(uint32_t tick) {
        now_ = tick;
        Frame(tick);
        if (!held_) {
            ASSERT_TRUE(SkyloomOsWaitForThreads(10000));
        }
    }

    // Frames step ms apart up to and including tick.
    void RunUntil(uint32_t tick, uint32_t step = 250) {
        while (now_ != tick) Pass(tick - now_ < step ? tick : now_ + step);
    }

    void Chord() {
        constexpr int kControl = 0x11, kW = 0x57;
        Key(kControl, true);
        Key(kW, true);
        Pass(now_ + 16);
        Key(kW, false);
        Pass(now_ + 16);
        Key(kControl, false);
    }

    static int Count(const std::vector<std::string>& lines, const std::string& line) {
        return static_cast<int>(std::count(lines.begin(), lines.end(), line));
    }

    SettingsFile settings_;
    uint32_t now_ = 0;

    Reply Handle(const Request&) {
        ++requests_;
        std::unique_lock<std::mutex> lock(mutex_);
        released_.wait(lock, [this] { return !held_; });
        return reply_;
    }

    std::mutex mutex_;
    std::condition_variable released_;
    bool held_ = false;
    Reply reply_{200, weather_service::CurrentWeatherXml(500)};
    std::atomic<int> requests_{0};
    weather_service::Server service_{[this](const Request& request) { return Handle(request); }};
};
