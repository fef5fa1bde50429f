// The native call convention as the game receives it: the pushed 64-bit
// values, the result's low half, and the fiber the call ran on.
#include "host/natives.h"

#include <gtest/gtest.h>

#include <bit>
#include <thread>

#include "host/native_hashes.h"
#include "script_harness.h"

namespace {

class NativesTest : public ::testing::Test {
protected:
    ScriptHarness script;
};

TEST_F(NativesTest, ArgumentsArePushedInTheGamesEncoding) {
    const char* entry = "STRING";
    script.RunAt(100, [&] {
        native::Call(native::kSetTextFont, -1);
        native::Call(native::kSetTextCentre, true);
        native::Call(native::kSetTextCentre, false);
        native::Call(native::kSetTextScale, 0.55f, -2.0f);
        native::Call(native::kSetTextEdge, 1, 0, 0, 0, 205);
        native::Call(native::kBeginTextEntry, entry);
    });
    auto calls = hook::Calls();
    ASSERT_EQ(calls.size(), 6u);
    struct Row {
        uint64_t hash;
        std::vector<uint64_t> raw;
        const char* decoded;
        std::vector<std::string> values;
    } rows[] = {
        {native::kSetTextFont, {0x00000000FFFFFFFFull}, "-1", {"-1"}},
        {native::kSetTextCentre, {1}, "1", {"1"}},
        {native::kSetTextCentre, {0}, "0", {"0"}},
        {native::kSetTextScale, {0x3F0CCCCDull, 0xC0000000ull}, "0.55, -2", {"0.55", "-2"}},
        {native::kSetTextEdge, {1, 0, 0, 0, 205}, "1, 0, 0, 0, 205", {"1", "0", "0", "0", "205"}},
        {native::kBeginTextEntry, {reinterpret_cast<uintptr_t>(entry)}, "\"STRING\"", {"STRING"}},
    };
    for (size_t i = 0; i < calls.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(calls[i].hash, rows[i].hash);
        EXPECT_EQ(calls[i].raw, rows[i].raw);
        EXPECT_EQ(calls[i].args, rows[i].decoded);
        EXPECT_EQ(calls[i].values, rows[i].values);
        EXPECT_EQ(calls[i].signature.size(), rows[i].values.size());
        EXPECT_TRUE(calls[i].onScriptFiber);
        EXPECT_EQ(calls[i].tick, 100u);
    }
    EXPECT_TRUE(hook::Errors().empty());
}

TEST_F(NativesTest, StringsAreReadDuringTheCallAndTakenCallsAreForgotten) {
    script.RunAt(100, [] {
        std::string text = "a, \"b\"";
        native::Call(native::kAddStringComponent, text.c_str());
        text.assign("overwritten after the call");
    });
    auto taken = hook::TakeCalls();
    ASSERT_EQ(taken.size(), 1u);
    EXPECT_EQ(taken[0].values, std::vector<std::string>{"a, \"b\""});
    EXPECT_TRUE(hook::Calls().empty());
    script.RunAt(116, [] { native::Call(native::kClearOverrideWeather); });
    EXPECT_EQ(hook::TakeCalls().size(), 1u);
}

TEST_F(NativesTest, ResultIsTheLowHalfSigned) {
    // The simulated game fills the upper half of every result with garbage.
    hook::EditWorld([](hook::World& world) {
        world.playerHandle = -5;
        world.entities = {-5};
    });
    int32_t handle = 0, exists = -1, missing = -1;
    script.RunAt(100, [&] {
        handle = native::Call(native::kPlayerHandle);
        exists = native::Call(native::kDoesEntityExist, handle);
        missing = native::Call(native::kDoesEntityExist, 7);
    });
    EXPECT_EQ(handle, -5);
    EXPECT_EQ(exists, 1);
    EXPECT_EQ(missing, 0);
}

TEST_F(NativesTest, CallsOffTheScriptFiberAreRecordedAsViolations) {
    script.RunAt(100, [] { native::Call(native::kClearOverrideWeather); });
    EXPECT_TRUE(hook::Violations().empty());
    std::thread([] { native::Call(native::kClearOverrideWeather); }).join();
    auto violations = hook::Violations();
    ASSERT_EQ(violations.size(), 1u);
    EXPECT_EQ(violations[0].hash, native::kClearOverrideWeather);
}

TEST_F(NativesTest, UnknownHashIsAnErrorNotAnAnswer) {
    int32_t result = -1;
    script.RunAt(100, [&] { result = native::Call(0x1234567890ABCDEFull, 1); });
    EXPECT_EQ(result, 0);
    auto errors = hook::Errors();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find("0x1234567890ABCDEF"), std::string::npos);
}

}  // namespace
