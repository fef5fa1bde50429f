// Posts to the game's notification feed.
#pragma once

// Posts text with flag as the post native's first argument. On the script
// fiber the post is made at once; from any other thread it is queued for
// the script's next pass, since natives must not be called off the fiber.
// Never blocks on the game.
void ShowFeedNotification(const char* text, bool flag);

// Posts what other threads queued, oldest first. Script fiber only.
void DeliverQueuedNotifications();
