// Which thread the plug-in's script runs on. Game natives may only be
// called there; other threads hand their work over.
#pragma once

// Called by the script once it runs; marks the calling thread as the script's.
void MarkScriptThread();
bool OnScriptThread();
