// Feed posts, and the hand-off that brings worker threads' posts to the script fiber.
#include "control/feed_notification.h"

#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "host/native_hashes.h"
#include "host/natives.h"
#include "host/script_thread.h"

namespace {

std::mutex queueMutex;
std::vector<std::pair<std::string, bool>> queued;

void Post(const char* text, bool flag) {
    native::Call(native::kBeginFeedPost, "STRING");
    native::Call(native::kAddStringComponent, text);
    native::Call(native::kPostToFeed, flag, true);
}

}  // namespace

void ShowFeedNotification(const char* text, bool flag) {
    if (OnScriptThread()) {
        Post(text, flag);
        return;
    }
    std::lock_guard<std::mutex> lock(queueMutex);
    queued.emplace_back(text, flag);
}

void DeliverQueuedNotifications() {
    std::vector<std::pair<std::string, bool>> posts;
    {
        std::lock_guard<std::mutex> lock(queueMutex);
        posts.swap(queued);
    }
    for (const auto& [text, flag] : posts) Post(text.c_str(), flag);
}
