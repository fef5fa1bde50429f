// The script runs on a fiber of the game's main thread, which no worker shares.
#include "host/script_thread.h"

namespace {
thread_local bool isScriptThread = false;
}

void MarkScriptThread() { isScriptThread = true; }
bool OnScriptThread() { return isScriptThread; }
