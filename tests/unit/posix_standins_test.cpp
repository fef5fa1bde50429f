// The POSIX stand-ins for the Windows calls the plug-in makes: they must
// behave as the Windows ones do where the plug-in can tell.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "os_control.h"
#include "temp_workdir.h"
#include "win_api.h"

namespace {

TEST(PosixStandInsTest, ThreadStartRunsTheProcedureWithItsArgumentAndCountsIt) {
    static std::atomic<int> seen;
    seen = 0;
    int argument = 42;
    auto procedure = [](void* raw) -> unsigned {
        // Held until the test has seen it running.
        while (seen.load() != -1) std::this_thread::yield();
        seen = *static_cast<int*>(raw);
        return 0;
    };
    ASSERT_TRUE(SkyloomOsWaitForThreads(5000));
    uint64_t started = SkyloomOsStartedThreads();
    uintptr_t handle = _beginthreadex(nullptr, 0, procedure, &argument, 0, nullptr);
    ASSERT_NE(handle, 0u);
    EXPECT_EQ(CloseHandle(reinterpret_cast<HANDLE>(handle)), TRUE);
    EXPECT_EQ(SkyloomOsRunningThreads(), 1);
    EXPECT_EQ(SkyloomOsStartedThreads(), started + 1);
    seen = -1;
    ASSERT_TRUE(SkyloomOsWaitForThreads(5000));
    EXPECT_EQ(seen, 42);
    EXPECT_EQ(SkyloomOsRunningThreads(), 0);
}

TEST(PosixStandInsTest, TextModeStoresLfAsCrLfAndBinaryModeDoesNot) {
    TempWorkingDirectory workdir("skyloom-standins");
    for (const char* mode : {"a", "ab"}) {
        FILE* file = _fsopen("out.txt", mode, _SH_DENYNO);
        ASSERT_NE(file, nullptr) << mode;
        std::fputs("one\ntwo\r\n", file);
        std::fclose(file);
    }
    EXPECT_EQ(TempWorkingDirectory::Read("out.txt"), "one\r\ntwo\r\r\none\ntwo\r\n");
    EXPECT_EQ(_fsopen("no-such-dir/out.txt", "a", _SH_DENYNO), nullptr);
}

TEST(PosixStandInsTest, TickAndKeysFollowTheHost) {
    SkyloomOsSetTick(0xFFFFFFFFu);
    EXPECT_EQ(GetTickCount(), 0xFFFFFFFFu);
    SkyloomOsSetKey(0x57, true);
    EXPECT_EQ(GetAsyncKeyState(0x57) & 0x8000, 0x8000);
    EXPECT_EQ(GetAsyncKeyState(0x11), 0);
    EXPECT_EQ(GetAsyncKeyState(-2), 0);
    EXPECT_EQ(GetAsyncKeyState(256), 0);
    SkyloomOsReleaseAllKeys();
    EXPECT_EQ(GetAsyncKeyState(0x57), 0);
    // Real time moves on by itself.
    SkyloomOsUseRealTime();
    DWORD start = GetTickCount();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_GE(GetTickCount() - start, 15u);
}

}  // namespace
