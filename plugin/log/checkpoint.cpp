// The diagnostic build's records that carry values.
#include "log/checkpoint.h"

#include <cstdio>

#include "host/native_hashes.h"
#include "host/natives.h"

void CheckpointKeys(int32_t holdKey, int32_t pressKey) {
    char record[64];
    std::snprintf(record, sizeof record, "383. hk=%d, pk=%d", static_cast<int>(holdKey), static_cast<int>(pressKey));
    LogLine(record);
}

void CheckpointPlayerAndScreen() {
    // The handle goes back to the game zero-extended, as it came.
    auto player = static_cast<uint32_t>(native::Call(native::kPlayerHandle));
    int playerExists = 0;
    if (player != 0) playerExists = native::Call(native::kDoesEntityExist, player) != 0 ? 1 : 0;
    // Recorded as the game answered it, not reduced to 0 or 1.
    int32_t screenFadedOut = native::Call(native::kIsScreenFadedOut);
    char record[64];
    std::snprintf(record, sizeof record, "434. pNN=%d, sFO=%d", playerExists, static_cast<int>(screenFadedOut));
    LogLine(record);
}
