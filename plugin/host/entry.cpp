// The library entry and the plug-in's one script.
#include "control/controller.h"
#include "host/script_thread.h"
#include "script_hook.h"
#include "win_api.h"

namespace {

void ScriptMain() {
    MarkScriptThread();
    ControllerLoop();
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    // Under the loader lock: register or unregister and nothing else.
    if (reason == DLL_PROCESS_ATTACH)
        scriptRegister(instance, ScriptMain);
    else if (reason == DLL_PROCESS_DETACH)
        scriptUnregister(instance);
    return TRUE;
}
