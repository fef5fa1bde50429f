// The library entry and the script's life: registration on load,
// unregistration on unload, and a script that ends for good.
#include "plugin_harness.h"

namespace {

using EntryTest = PluginTest;
using DllMainFunction = BOOL(WINAPI*)(HINSTANCE, DWORD, LPVOID);

TEST_F(EntryTest, LoadRegistersOneScriptAndUnloadDropsIt) {
    WriteFile("Skyloom.xml", "<SETTINGS/>");
    Load();
    EXPECT_EQ(hook::RegisteredScripts(), 1u);
    // Never run: the unload must drop it all the same.
    Unload();
    EXPECT_EQ(hook::RegisteredScripts(), 0u);
    // Running and parked in its wait: dropped too, and never resumed.
    WriteFile("Skyloom.xml",
              "<SETTINGS><ENABLED_ON_STARTUP>1</ENABLED_ON_STARTUP><HOLD_KEY>-1</HOLD_KEY>"
              "<PRESS_KEY>87</PRESS_KEY><LOCATION>London</LOCATION><LOG_WHEN_GET_SET_WEATHER>1"
              "</LOG_WHEN_GET_SET_WEATHER><LOG_URL_AND_RESPONSE>0</LOG_URL_AND_RESPONSE>"
              "<NOTIFY_WHEN_SET_WEATHER>1</NOTIFY_WHEN_SET_WEATHER></SETTINGS>");
    Load();
    EXPECT_EQ(hook::RegisteredScripts(), 1u);
    Frame(100000);
    EXPECT_EQ(hook::LiveScripts(), 1u);
    Unload();
    EXPECT_EQ(hook::RegisteredScripts(), 0u);
    auto resumes = hook::ScriptResumes();
    Frame(100016);
    EXPECT_EQ(hook::ScriptResumes(), resumes);
}

TEST_F(EntryTest, ThreadNotificationsDoNothing) {
    Load();
    auto dllMain = reinterpret_cast<DllMainFunction>(hook::PluginSymbol("DllMain"));
    ASSERT_NE(dllMain, nullptr);
    for (DWORD reason : {DLL_THREAD_ATTACH, DLL_THREAD_DETACH}) {
        EXPECT_EQ(dllMain(nullptr, reason, nullptr), TRUE);
        EXPECT_EQ(hook::RegisteredScripts(), 1u);
    }
    EXPECT_TRUE(hook::Calls().empty());
}

TEST_F(EntryTest, ScriptEndsWithTheControllerAndIsNotRunAgain) {
    // No settings file: the controller reports it and ends in its first frame.
    Load();
    Frame(100000);
    EXPECT_EQ(hook::LiveScripts(), 0u);
    auto calls = hook::Calls().size();
    for (uint32_t tick = 100016; tick < 101000; tick += 16) Frame(tick);
    EXPECT_EQ(hook::Calls().size(), calls);
    EXPECT_EQ(hook::Feed().size(), 1u);
    EXPECT_EQ(LogMessages().size(), 1u);
}

}  // namespace
