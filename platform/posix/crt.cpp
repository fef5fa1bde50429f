// Stand-ins for the C runtime calls that differ on Windows: thread start (with
// the kernel's exit that releases a module) and the shared-access text-mode
// file open.
#include <dlfcn.h>
#include <pthread.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <string>

#include "os_control.h"
#include "win_api.h"

namespace {

struct ThreadStart {
    unsigned(__stdcall* procedure)(void*);
    void* argument;
};

// Detached threads may run past the program's static destructors, so the
// count and the lock live for good.
struct ThreadCount {
    std::mutex mutex;
    std::condition_variable changed;
    int running = 0;
    uint64_t started = 0;
};

ThreadCount& Threads() {
    static auto* threads = new ThreadCount;
    return *threads;
}

void CountThreadStarting() {
    std::lock_guard<std::mutex> lock(Threads().mutex);
    ++Threads().running;
    ++Threads().started;
}

// ran: false for a thread that could not be started after all.
void CountThreadGone(bool ran) {
    std::lock_guard<std::mutex> lock(Threads().mutex);
    --Threads().running;
    if (!ran) --Threads().started;
    Threads().changed.notify_all();
}

// Every drop of a library reference goes through this lock. The system
// loader orders them with its own lock, which the thread sanitizer cannot
// see: without this one it reports the last drop's destructors as racing
// with what a worker read before its own drop.
std::mutex& LibraryLock() {
    static auto* lock = new std::mutex;
    return *lock;
}

void DropLibrary(void* library, int references) {
    std::lock_guard<std::mutex> lock(LibraryLock());
    for (int i = 0; i < references; ++i) dlclose(library);
}

// Where FreeLibraryAndExitThread leaves the thread's procedure, and the
// library it releases once no frame of that library is left on the stack.
thread_local std::jmp_buf* exitPoint = nullptr;
thread_local void* releaseOnExit = nullptr;

void* RunThread(void* raw) {
    ThreadStart start = *static_cast<ThreadStart*>(raw);
    delete static_cast<ThreadStart*>(raw);
    std::jmp_buf exit;
    exitPoint = &exit;
    if (setjmp(exit) == 0) start.procedure(start.argument);
    exitPoint = nullptr;
    if (releaseOnExit != nullptr) {
        DropLibrary(releaseOnExit, 1);
        releaseOnExit = nullptr;
    }
    CountThreadGone(true);
    return nullptr;
}

// The dlopen handle of the library that holds address, with one more
// reference; its load address (the module handle) goes to *base if given.
void* ReferenceLibrary(const void* address, void** base = nullptr) {
    Dl_info info{};
    if (dladdr(address, &info) == 0 || info.dli_fname == nullptr) return nullptr;
    if (base != nullptr) *base = info.dli_fbase;
    if (void* library = dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD)) return library;
    // The main program is not found by its path; its handle needs no release.
    return dlopen(nullptr, RTLD_NOW);
}

// Writes through to the real file, storing each LF as CR LF.
ssize_t WriteTextMode(void* cookie, const char* data, size_t size) {
    FILE* file = static_cast<FILE*>(cookie);
    size_t from = 0;
    for (size_t i = 0; i < size; ++i) {
        if (data[i] != '\n') continue;
        if (fwrite(data + from, 1, i - from, file) != i - from || fwrite("\r\n", 1, 2, file) != 2) return -1;
        from = i + 1;
    }
    if (fwrite(data + from, 1, size - from, file) != size - from) return -1;
    return fflush(file) == 0 ? static_cast<ssize_t>(size) : -1;
}

int CloseTextMode(void* cookie) { return fclose(static_cast<FILE*>(cookie)); }

}  // namespace

extern "C" uintptr_t _beginthreadex(void*, unsigned stackSize, unsigned(__stdcall* startAddress)(void*), void* argList,
                                    unsigned, unsigned* threadId) {
    auto* start = new (std::nothrow) ThreadStart{startAddress, argList};
    if (start == nullptr) return 0;
    // Counted before it exists, so a host never sees a started thread missing.
    CountThreadStarting();
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
    if (stackSize != 0) pthread_attr_setstacksize(&attributes, stackSize);
    pthread_t thread;
    int failed = pthread_create(&thread, &attributes, RunThread, start);
    pthread_attr_destroy(&attributes);
    if (failed != 0) {
        delete start;
        CountThreadGone(false);
        return 0;
    }
    if (threadId != nullptr) *threadId = static_cast<unsigned>(thread);
    // Any nonzero value will do: the thread is detached and CloseHandle has nothing to release.
    return static_cast<uintptr_t>(thread) | 1u;
}

extern "C" BOOL GetModuleHandleExA(DWORD flags, LPCSTR moduleName, HMODULE* module) {
    if (module == nullptr) return FALSE;
    *module = nullptr;
    if ((flags & GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS) == 0) return FALSE;
    void* base = nullptr;
    void* library = ReferenceLibrary(moduleName, &base);
    if (library == nullptr) return FALSE;
    if ((flags & GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT) != 0) DropLibrary(library, 1);
    *module = static_cast<HMODULE>(base);
    return TRUE;
}

extern "C" BOOL FreeLibrary(HMODULE module) {
    void* library = ReferenceLibrary(module);
    if (library == nullptr) return FALSE;
    DropLibrary(library, 2);  // the lookup's own reference, then the caller's
    return TRUE;
}

extern "C" void FreeLibraryAndExitThread(HMODULE module, DWORD) {
    void* library = ReferenceLibrary(module);
    if (library != nullptr) DropLibrary(library, 1);  // the lookup's own reference
    if (exitPoint == nullptr) {
        // Not a thread of ours: nothing to return to.
        if (library != nullptr) DropLibrary(library, 1);
        pthread_exit(nullptr);
    }
    releaseOnExit = library;
    std::longjmp(*exitPoint, 1);
}

extern "C" uint64_t SkyloomOsStartedThreads() {
    std::lock_guard<std::mutex> lock(Threads().mutex);
    return Threads().started;
}

extern "C" int SkyloomOsRunningThreads() {
    std::lock_guard<std::mutex> lock(Threads().mutex);
    return Threads().running;
}

extern "C" bool SkyloomOsWaitForThreads(uint32_t timeoutMs) {
    std::unique_lock<std::mutex> lock(Threads().mutex);
    return Threads().changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                      [] { return Threads().running == 0; });
}

extern "C" FILE* _fsopen(const char* fileName, const char* mode, int) {
    // POSIX files are always shared, so only the text mode needs work.
    bool binary = std::strchr(mode, 'b') != nullptr;
    std::string plainMode;
    for (const char* c = mode; *c != '\0'; ++c)
        if (*c != 't') plainMode += *c;
    FILE* file = std::fopen(fileName, plainMode.c_str());
    if (file == nullptr || binary) return file;
    cookie_io_functions_t functions{};
    functions.write = WriteTextMode;
    functions.close = CloseTextMode;
    FILE* text = fopencookie(file, plainMode.c_str(), functions);
    if (text == nullptr) std::fclose(file);
    return text;
}
