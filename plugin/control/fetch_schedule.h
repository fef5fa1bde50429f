// When the controller starts a fetch worker: every 60 s while enabled, and
// at once after the chord enables the plug-in.
#pragma once

#include <cstdint>

// The tick of the last worker start; 0 makes a worker due as soon as the
// tick counter has passed 60000.
extern uint32_t lastFetchStart;

// Starts a worker when enabled and due. Script fiber only.
void RunFetchCheck(uint32_t now);
