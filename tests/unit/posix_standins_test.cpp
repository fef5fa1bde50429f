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

TEST(PosixStandInsTest, ThreadStartRunsTheProcedureWithItsArgument) {
    static std::atomic<int> seen{0};
    int argument = 42;
    auto procedure = [](void* raw) -> unsigned {
        seen = *static_cast<int*>(raw);
        return 0;
    };
    uintptr_t handle = _beginthreadex(nullptr, 0, procedure, &argument, 0, nullptr);
    ASSERT_NE(handle, 0u);
    EXPECT_EQ(CloseHandle(reinterpret_cast<HANDLE>(handle)), TRUE);
    for (int i = 0; i < 1000 && seen == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(seen, 42);
}

TEST(PosixStandInsTest, StartedThreadsAreCountedUntilTheyEnd) {
    static std::atomic<bool> release{false};
    auto procedure = [](void*) -> unsigned {
        while (!release) std::this_thread::yield();
        return 0;
    };
    ASSERT_TRUE(SkyloomOsWaitForThreads(5000));
    uint64_t startedBefore = SkyloomOsStartedThreads();
    uintptr_t handle = _beginthreadex(nullptr, 0, procedure, nullptr, 0, nullptr);
    ASSERT_NE(handle, 0u);
    CloseHandle(reinterpret_cast<HANDLE>(handle));
    EXPECT_EQ(SkyloomOsStartedThreads(), startedBefore + 1);
    EXPECT_EQ(SkyloomOsRunningThreads(), 1);
    // The thread cannot end before it is released, so this wait must time out.
    EXPECT_FALSE(SkyloomOsWaitForThreads(10));
    release = true;
    EXPECT_TRUE(SkyloomOsWaitForThreads(5000));
    EXPECT_EQ(SkyloomOsRunningThreads(), 0);
    EXPECT_EQ(SkyloomOsStartedThreads(), startedBefore + 1);
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
