// The one on-screen status line, shown for 2500 ms after it is set.
#pragma once

#include <cstdint>
#include <string>

struct StatusTextRecord {
    std::string message;
    uint32_t expiry = 0;   // tick at which the text stops showing, modulo 2^32
    bool showing = false;  // set until the text is first seen expired
};

extern StatusTextRecord StatusText;

constexpr uint32_t kStatusTextMs = 2500;

// Replaces the message and shows it for 2500 ms from now.
void SetStatusText(const std::string& message);
// Draws the message if it has not expired. Script fiber only.
void DrawStatusText();
