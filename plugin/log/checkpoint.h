// Numbered checkpoint records: written by the diagnostic build only. In the
// plain build the macros expand to nothing, so neither the record texts nor
// the player and screen queries are in its binary.
#pragma once

#include <cstdint>

#ifdef SKYLOOM_DIAGNOSTIC

#include "log/log.h"

#define CHECKPOINT(text) LogLine(text)
#define CHECKPOINT_KEYS(holdKey, pressKey) CheckpointKeys(holdKey, pressKey)
#define CHECKPOINT_PLAYER_AND_SCREEN() CheckpointPlayerAndScreen()

// "383. hk=<holdKey>, pk=<pressKey>".
void CheckpointKeys(int32_t holdKey, int32_t pressKey);
// Asks the game whether the player character exists and whether the screen
// is faded out, and records "434. pNN=<0|1>, sFO=<answer>". Script fiber only.
void CheckpointPlayerAndScreen();

#else

#define CHECKPOINT(text) ((void)0)
#define CHECKPOINT_KEYS(holdKey, pressKey) ((void)0)
#define CHECKPOINT_PLAYER_AND_SCREEN() ((void)0)

#endif
