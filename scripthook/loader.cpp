// Loading and unloading plug-in libraries: the system loader calls their
// entry, which registers and unregisters their scripts.
#include <vector>

#include "internal.h"

#ifndef _WIN32
#include <dlfcn.h>
#endif

namespace hook {
namespace {
std::vector<void*> loaded;
}

bool LoadPlugin(const std::string& path, std::string* error) {
#ifdef _WIN32
    void* library = reinterpret_cast<void*>(LoadLibraryA(path.c_str()));
    if (library == nullptr && error != nullptr)
        *error = "LoadLibrary failed with error " + std::to_string(GetLastError());
#else
    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr && error != nullptr) *error = dlerror();
#endif
    if (library == nullptr) return false;
    loaded.push_back(library);
    return true;
}

void UnloadPlugin() {
    if (loaded.empty()) return;
    void* library = loaded.back();
    loaded.pop_back();
    // The hook stops the module's scripts itself: a thread of the plug-in may
    // hold the library loaded past this point, and its detach (which
    // unregisters too) then comes later, from that thread.
#ifdef _WIN32
    auto module = reinterpret_cast<HMODULE>(library);
    scriptUnregister(module);
    FreeLibrary(module);
#else
    // Released through the stand-in's FreeLibrary, which orders every drop
    // of a library reference, the workers' included.
    Dl_info info{};
    if (void* entry = dlsym(library, "DllMain"); entry != nullptr && dladdr(entry, &info) != 0) {
        auto module = static_cast<HMODULE>(info.dli_fbase);
        scriptUnregister(module);
        FreeLibrary(module);
    } else {
        dlclose(library);
    }
#endif
}

void* PluginSymbol(const std::string& name) {
    if (loaded.empty()) return nullptr;
#ifdef _WIN32
    return reinterpret_cast<void*>(GetProcAddress(reinterpret_cast<HMODULE>(loaded.back()), name.c_str()));
#else
    return dlsym(loaded.back(), name.c_str());
#endif
}

}  // namespace hook
