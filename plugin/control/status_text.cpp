// The status line: a message and the tick it expires at.
#include "control/status_text.h"

#include "host/native_hashes.h"
#include "host/natives.h"
#include "win_api.h"

StatusTextRecord StatusText;

void SetStatusText(const std::string& message) {
    StatusText.message = message;
    StatusText.expiry = GetTickCount() + kStatusTextMs;
    StatusText.showing = true;
}

void DrawStatusText() {
    if (!StatusText.showing) return;
    // Counting down to the expiry in unsigned arithmetic keeps the full
    // 2500 ms when the 32-bit tick wraps in between; comparing the tick with
    // the expiry would not.
    uint32_t left = StatusText.expiry - GetTickCount();
    if (left == 0 || left > kStatusTextMs) {
        StatusText.showing = false;
        return;
    }
    native::Call(native::kSetTextFont, 0);
    native::Call(native::kSetTextScale, 0.55f, 0.55f);
    native::Call(native::kSetTextColour, 255, 255, 255, 255);
    native::Call(native::kSetTextWrap, 0.0f, 1.0f);
    native::Call(native::kSetTextCentre, true);
    native::Call(native::kSetTextDropShadow, 0, 0, 0, 0, 0);
    native::Call(native::kSetTextEdge, 1, 0, 0, 0, 205);
    native::Call(native::kBeginTextEntry, "STRING");
    native::Call(native::kAddStringComponent, StatusText.message.c_str());
    native::Call(native::kDrawText, 0.5f, 0.95f);
}
