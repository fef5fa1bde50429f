// Feed posts: the native sequence on the script fiber, and the hand-off
// that keeps other threads' posts off the game's natives.
#include "control/feed_notification.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "host/native_hashes.h"
#include "script_harness.h"

namespace {

class FeedNotificationTest : public ::testing::Test {
protected:
    // Nothing left queued by an earlier test.
    void SetUp() override {
        script.RunAt(1, [] { DeliverQueuedNotifications(); });
        hook::ResetRecords();
    }
    ScriptHarness script;
};

TEST_F(FeedNotificationTest, PostMakesThreeCallsWithTheFlag) {
    struct Row {
        const char* text;
        bool flag;
    } rows[] = {{"Set weather to RAIN", false}, {"invalid stoi argument", true}, {"", true}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        hook::ResetRecords();
        script.RunAt(100, [&] { ShowFeedNotification(row.text, row.flag); });
        auto calls = hook::Calls();
        ASSERT_EQ(calls.size(), 3u);
        EXPECT_EQ(calls[0].hash, native::kBeginFeedPost);
        EXPECT_EQ(calls[0].args, "\"STRING\"");
        EXPECT_EQ(calls[1].hash, native::kAddStringComponent);
        EXPECT_EQ(calls[1].args, "\"" + std::string(row.text) + "\"");
        EXPECT_EQ(calls[2].hash, native::kPostToFeed);
        EXPECT_EQ(calls[2].args, row.flag ? "1, 1" : "0, 1");
        auto feed = hook::Feed();
        ASSERT_EQ(feed.size(), 1u);
        EXPECT_EQ(feed[0].text, row.text);
        EXPECT_EQ(feed[0].flag, row.flag);
    }
}

TEST_F(FeedNotificationTest, LongTextIsPostedWhole) {
    std::string text(5000, 'x');
    script.RunAt(100, [&] { ShowFeedNotification(text.c_str(), true); });
    ASSERT_EQ(hook::Feed().size(), 1u);
    EXPECT_EQ(hook::Feed()[0].text, text);
}

TEST_F(FeedNotificationTest, OtherThreadsPostsReachTheFeedFromTheScriptFiber) {
    constexpr int kThreads = 6, kPosts = 50;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < kPosts; ++i)
                ShowFeedNotification(("worker " + std::to_string(t) + " post " + std::to_string(i)).c_str(), true);
        });
    // The script keeps delivering while the workers post, and once after.
    for (uint32_t tick = 100; tick < 200; ++tick) script.RunAt(tick, [] { DeliverQueuedNotifications(); });
    for (auto& thread : threads) thread.join();
    script.RunAt(200, [] { DeliverQueuedNotifications(); });

    EXPECT_TRUE(hook::Violations().empty());
    auto feed = hook::Feed();
    ASSERT_EQ(feed.size(), static_cast<size_t>(kThreads * kPosts));
    std::vector<int> next(kThreads, 0);
    for (const auto& post : feed) {
        int t = -1, i = -1;
        ASSERT_EQ(std::sscanf(post.text.c_str(), "worker %d post %d", &t, &i), 2) << post.text;
        EXPECT_TRUE(post.flag);
        // Each thread's posts arrive in the order it made them.
        EXPECT_EQ(i, next[t]++);
    }
}

}  // namespace
