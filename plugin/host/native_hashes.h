// The game natives the plug-in calls, by hash.
#pragma once

#include <cstdint>

namespace native {

constexpr uint64_t kSetTextFont = 0x66E0276CC5F6B9DA;
constexpr uint64_t kSetTextScale = 0x07C837F9A01C34C9;
constexpr uint64_t kSetTextColour = 0xBE6B23FFA53FB442;
constexpr uint64_t kSetTextWrap = 0x63145D9C883A1A70;
constexpr uint64_t kSetTextCentre = 0xC02F4DBFB51D988B;
constexpr uint64_t kSetTextDropShadow = 0x465C84BC39F1C351;
constexpr uint64_t kSetTextEdge = 0x441603240D202FA6;
constexpr uint64_t kBeginTextEntry = 0x25FBB336DF1804CB;
constexpr uint64_t kAddStringComponent = 0x6C188BE134E074AA;
constexpr uint64_t kDrawText = 0xCD015E5BB0D96A57;
constexpr uint64_t kBeginFeedPost = 0x202709F4C58A0424;
constexpr uint64_t kPostToFeed = 0x2ED7843F8F801023;
constexpr uint64_t kIsNextWeatherType = 0x2FAA3A30BEC0F25D;
constexpr uint64_t kClearPersistentWeather = 0xCCC39339BEF76CF5;
constexpr uint64_t kClearOverrideWeather = 0x338D2E3477711050;
constexpr uint64_t kSetPersistentWeather = 0xED712CA327900C8A;
constexpr uint64_t kPlayerHandle = 0xD80958FC74E988A6;
constexpr uint64_t kDoesEntityExist = 0x7239B21A38F536BA;
constexpr uint64_t kIsScreenFadedOut = 0xB16FCE9DDC7BA182;

}  // namespace native
