// The controller: toggle chord, applying the fetched weather, status text,
// and the one place where exceptions are caught.
#include "control/controller.h"

#include <exception>

#include "common/join_strings.h"
#include "control/feed_notification.h"
#include "control/fetch_schedule.h"
#include "control/status_text.h"
#include "host/native_hashes.h"
#include "host/natives.h"
#include "log/checkpoint.h"
#include "log/log.h"
#include "script_hook.h"
#include "settings/settings.h"
#include "win_api.h"

WeatherName AppliedWeather = kWeatherError;
bool toggleLatch = false;

namespace {

constexpr uint32_t kPollIntervalMs = 5;
uint32_t lastPollTick = 0;

bool KeyDown(int32_t virtualKey) { return (GetAsyncKeyState(virtualKey) & 0x8000) != 0; }

// The chord fires when the press key is released while the hold key is held
// (or at once with no hold key). The hold key is looked at only then.
void PollToggleChord() {
    if (KeyDown(WeatherSettings.pressKey)) {
        toggleLatch = true;
        return;
    }
    if (!toggleLatch) return;
    toggleLatch = false;
    if (WeatherSettings.holdKey != -1 && !KeyDown(WeatherSettings.holdKey)) return;
    WeatherSettings.enabled = !WeatherSettings.enabled;
    lastFetchStart = 0;
    SetStatusText(WeatherSettings.enabled ? "Skyloom enabled" : "Skyloom disabled");
}

void ApplyLatestWeather() {
    // One reading serves the whole step, whatever a worker stores meanwhile.
    WeatherName name = LatestWeather.load(std::memory_order_acquire);
    if (name == kWeatherError) return;
    if (name == AppliedWeather && native::Call(native::kIsNextWeatherType, name) != 0) return;
    CHECKPOINT("425");
    AppliedWeather = name;
    native::Call(native::kClearPersistentWeather);
    native::Call(native::kClearOverrideWeather);
    CHECKPOINT("428");
    CHECKPOINT_PLAYER_AND_SCREEN();
    native::Call(native::kSetPersistentWeather, name);
    CHECKPOINT("443");
    auto message = JoinStrings("Set weather to ", name);
    if (WeatherSettings.logWhenGetSetWeather) LogLine(message.get());
    if (WeatherSettings.notifyWhenSetWeather) ShowFeedNotification(message.get(), false);
}

void EndPass() {
    DeliverQueuedNotifications();
    DrawStatusText();
    scriptWait(0);
}

}  // namespace

void ControllerLoop() {
    try {
        LoadSettings();
        lastPollTick = 0;
        lastFetchStart = 0;
        for (;;) {
            uint32_t now = GetTickCount();
            // The difference, not now < last + 5, keeps the throttle working
            // when the 32-bit tick wraps.
            if (now - lastPollTick >= kPollIntervalMs) {
                lastPollTick = now;
                PollToggleChord();
                if (!WeatherSettings.enabled) {
                    EndPass();
                    continue;
                }
                ApplyLatestWeather();
            }
            RunFetchCheck(now);
            EndPass();
        }
    } catch (const std::exception& error) {
        LogLine(error.what());
        ShowFeedNotification(error.what(), true);
    } catch (...) {
        LogLine("An unknown error occured...");
        ShowFeedNotification("An unknown error occured...", false);
    }
}
