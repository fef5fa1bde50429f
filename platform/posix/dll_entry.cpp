// The library entry on POSIX: calls the plug-in's DllMain on load and unload,
// as the Windows loader does. Linked into the plug-in's own shared library,
// after its other objects so that its global objects are built first.
#include <dlfcn.h>

#include "win_api.h"

namespace {

// The module handle is the library's load address, as an HINSTANCE is on Windows.
HINSTANCE OwnModule() {
    Dl_info info{};
    dladdr(reinterpret_cast<void*>(&OwnModule), &info);
    return static_cast<HINSTANCE>(info.dli_fbase);
}

__attribute__((constructor)) void ProcessAttach() { DllMain(OwnModule(), DLL_PROCESS_ATTACH, nullptr); }

__attribute__((destructor)) void ProcessDetach() { DllMain(OwnModule(), DLL_PROCESS_DETACH, nullptr); }

}  // namespace
