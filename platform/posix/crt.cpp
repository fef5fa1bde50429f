// Stand-ins for the C runtime calls that differ on Windows: thread start and
// the shared-access text-mode file open.
#include <pthread.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "win_api.h"

namespace {

struct ThreadStart {
    unsigned(__stdcall* procedure)(void*);
    void* argument;
};

void* RunThread(void* raw) {
    ThreadStart start = *static_cast<ThreadStart*>(raw);
    delete static_cast<ThreadStart*>(raw);
    start.procedure(start.argument);
    return nullptr;
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
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
    if (stackSize != 0) pthread_attr_setstacksize(&attributes, stackSize);
    pthread_t thread;
    int failed = pthread_create(&thread, &attributes, RunThread, start);
    pthread_attr_destroy(&attributes);
    if (failed != 0) {
        delete start;
        return 0;
    }
    if (threadId != nullptr) *threadId = static_cast<unsigned>(thread);
    // Any nonzero value will do: the thread is detached and CloseHandle has nothing to release.
    return static_cast<uintptr_t>(thread) | 1u;
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
