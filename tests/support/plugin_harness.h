// Loads the plug-in library into the stand-in script hook inside a fresh
// working directory, with virtual time and keys, as the game would run it.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "host_api.h"
#include "log_messages.h"
#include "os_control.h"
#include "temp_workdir.h"

class PluginTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Fetch workers must never reach the real service: unless a test
        // routes them to a local one, they meet a port where nothing listens
        // and their downloads fail, which they report to nobody.
        setenv("http_proxy", "http://127.0.0.1:9", 1);
        unsetenv("no_proxy");
        unsetenv("NO_PROXY");
        hook::ResetRecords();
        hook::ResetWorld();
        SkyloomOsReleaseAllKeys();
        SkyloomOsSetTick(100000);
    }

    void TearDown() override {
        if (loaded_) hook::UnloadPlugin();
        // A worker holds the library until it ends; the next test's load
        // must find it gone.
        EXPECT_TRUE(SkyloomOsWaitForThreads(10000)) << "a fetch worker is still running";
        EXPECT_TRUE(hook::Violations().empty()) << "a native ran off the script fiber";
        for (const auto& error : hook::Errors()) ADD_FAILURE() << "script hook error: " << error;
    }

    static void WriteFile(const std::string& name, const std::string& text) { TempWorkingDirectory::Write(name, text); }
    static std::string ReadFile(const std::string& name) { return TempWorkingDirectory::Read(name); }

    void Load(const char* path = SKYLOOM_PLUGIN_PATH) {
        std::string error;
        ASSERT_TRUE(hook::LoadPlugin(path, &error)) << error;
        loaded_ = true;
    }

    void Unload() {
        hook::UnloadPlugin();
        loaded_ = false;
    }

    // One game frame at tick.
    static void Frame(uint32_t tick) {
        SkyloomOsSetTick(tick);
        hook::RunFrame();
    }

    static void Key(int vKey, bool down) { SkyloomOsSetKey(vKey, down); }

    // Stores one of the plug-in's own weather names, as a fetch worker would.
    static void StoreLatestWeather(const char* constantName) {
        auto* latest = static_cast<std::atomic<const char*>*>(hook::PluginSymbol("LatestWeather"));
        auto* name = static_cast<const char*>(hook::PluginSymbol(constantName));
        ASSERT_NE(latest, nullptr);
        ASSERT_NE(name, nullptr) << constantName;
        latest->store(name);
    }

private:
    TempWorkingDirectory workdir_{"skyloom-plugin"};
    bool loaded_ = false;
};
