// The status line: its exact native sequence, and 2500 ms of display,
// also when the 32-bit tick wraps meanwhile.
#include "control/status_text.h"

#include <gtest/gtest.h>

#include "host/native_hashes.h"
#include "script_harness.h"

namespace {

class StatusTextTest : public ::testing::Test {
protected:
    void SetUp() override { StatusText = StatusTextRecord{}; }

    // Draws at tick and returns the texts the game drew in that frame.
    std::vector<hook::DrawnText> DrawAt(uint32_t tick) {
        script.RunAt(tick, [] { DrawStatusText(); });
        return hook::DrawnThisFrame();
    }

    ScriptHarness script;
};

TEST_F(StatusTextTest, NothingIsDrawnBeforeTheFirstSet) {
    for (uint32_t tick : {0u, 1u, 2499u, 2500u, 0xFFFFFFFFu}) DrawAt(tick);
    EXPECT_TRUE(hook::Calls().empty());
}

TEST_F(StatusTextTest, DrawMakesTheFullSequence) {
    script.RunAt(5000, [] { SetStatusText("Skyloom enabled"); });
    hook::ResetRecords();
    auto drawn = DrawAt(5000);

    struct Row {
        uint64_t hash;
        const char* args;
    } expected[] = {
        {native::kSetTextFont, "0"},
        {native::kSetTextScale, "0.55, 0.55"},
        {native::kSetTextColour, "255, 255, 255, 255"},
        {native::kSetTextWrap, "0, 1"},
        {native::kSetTextCentre, "1"},
        {native::kSetTextDropShadow, "0, 0, 0, 0, 0"},
        {native::kSetTextEdge, "1, 0, 0, 0, 205"},
        {native::kBeginTextEntry, "\"STRING\""},
        {native::kAddStringComponent, "\"Skyloom enabled\""},
        {native::kDrawText, "0.5, 0.95"},
    };
    auto calls = hook::Calls();
    ASSERT_EQ(calls.size(), std::size(expected));
    for (size_t i = 0; i < calls.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(calls[i].hash, expected[i].hash);
        EXPECT_EQ(calls[i].args, expected[i].args);
        EXPECT_TRUE(calls[i].onScriptFiber);
    }
    ASSERT_EQ(drawn.size(), 1u);
    EXPECT_EQ(drawn[0].text, "Skyloom enabled");
    EXPECT_FLOAT_EQ(drawn[0].x, 0.5f);
    EXPECT_FLOAT_EQ(drawn[0].y, 0.95f);
    EXPECT_FLOAT_EQ(drawn[0].scaleX, 0.55f);
    EXPECT_EQ(drawn[0].alpha, 255);
    EXPECT_EQ(drawn[0].font, 0);
    EXPECT_TRUE(drawn[0].centre);
}

TEST_F(StatusTextTest, ShowsFor2500MsWhereverTheTickStands) {
    // Set a little before the wrap, at the wrap, and far from it.
    for (uint32_t setAt : {60000u, 0xFFFFF000u, 0xFFFFFFFFu, 0xFFFFFB00u, 0u}) {
        SCOPED_TRACE(setAt);
        StatusText = StatusTextRecord{};
        script.RunAt(setAt, [] { SetStatusText("Skyloom disabled"); });
        EXPECT_EQ(DrawAt(setAt).size(), 1u);
        EXPECT_EQ(DrawAt(setAt + 1).size(), 1u);
        EXPECT_EQ(DrawAt(setAt + 2499).size(), 1u);
        EXPECT_TRUE(DrawAt(setAt + 2500).empty());
        EXPECT_TRUE(DrawAt(setAt + 2501).empty());
        EXPECT_TRUE(DrawAt(setAt + 600000).empty());
    }
}

TEST_F(StatusTextTest, ExpiredTextStaysHiddenWhenTheTickComesRoundAgain) {
    script.RunAt(1000, [] { SetStatusText("Skyloom enabled"); });
    EXPECT_TRUE(DrawAt(4000).empty());
    // 2^32 ms later the tick stands where it did while the text was showing.
    EXPECT_TRUE(DrawAt(2000).empty());
}

TEST_F(StatusTextTest, ASecondSetReplacesTheTextAndRestartsTheTime) {
    script.RunAt(10000, [] { SetStatusText("Skyloom enabled"); });
    script.RunAt(11000, [] { SetStatusText("Skyloom disabled"); });
    auto drawn = DrawAt(12600);
    ASSERT_EQ(drawn.size(), 1u);
    EXPECT_EQ(drawn[0].text, "Skyloom disabled");
    EXPECT_EQ(DrawAt(13499).size(), 1u);
    EXPECT_TRUE(DrawAt(13500).empty());
}

}  // namespace
