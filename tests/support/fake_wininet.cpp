// A scripted WinInet: see fake_wininet.h.
#include "fake_wininet.h"

#include <algorithm>
#include <cstring>
#include <mutex>

#include "win_api.h"

namespace fake_wininet {
namespace {

std::mutex mutex;
Script script;
Record record;
size_t nextRead = 0;
// Handles are addresses of these two objects, so a mix-up shows.
char sessionHandle, requestHandle;

}  // namespace

void Set(const Script& newScript) {
    std::lock_guard<std::mutex> lock(mutex);
    script = newScript;
    record = Record{};
    nextRead = 0;
}

void SetBody(const std::string& body, size_t chunk) {
    Script replied;
    for (size_t at = 0; at < body.size(); at += chunk) replied.reads.push_back({body.substr(at, chunk)});
    Set(replied);
}

Record Recorded() {
    std::lock_guard<std::mutex> lock(mutex);
    return record;
}

}  // namespace fake_wininet

using namespace fake_wininet;

extern "C" HINTERNET InternetOpenA(LPCSTR agent, DWORD accessType, LPCSTR proxy, LPCSTR proxyBypass, DWORD flags) {
    std::lock_guard<std::mutex> lock(mutex);
    record.agent = agent != nullptr ? agent : "(null)";
    record.accessType = accessType;
    record.proxyGiven = proxy != nullptr;
    record.bypassGiven = proxyBypass != nullptr;
    record.sessionFlags = flags;
    if (script.sessionFails) return nullptr;
    ++record.openHandles;
    return &sessionHandle;
}

extern "C" HINTERNET InternetOpenUrlA(HINTERNET session, LPCSTR url, LPCSTR headers, DWORD headersLength, DWORD flags,
                                      DWORD_PTR context) {
    std::lock_guard<std::mutex> lock(mutex);
    if (session != &sessionHandle) return nullptr;
    record.url = url;
    record.headersGiven = headers != nullptr;
    record.headersLength = headersLength;
    record.urlFlags = flags;
    record.context = context;
    if (script.urlFails) return nullptr;
    ++record.openHandles;
    return &requestHandle;
}

extern "C" BOOL InternetReadFile(HINTERNET file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead) {
    std::lock_guard<std::mutex> lock(mutex);
    record.readSizes.push_back(bytesToRead);
    *bytesRead = 0;
    if (file != &requestHandle) return FALSE;
    if (nextRead >= script.reads.size()) return TRUE;
    const Read& read = script.reads[nextRead++];
    if (read.fails) return FALSE;
    size_t size = std::min<size_t>(read.bytes.size(), bytesToRead);
    std::memcpy(buffer, read.bytes.data(), size);
    *bytesRead = static_cast<DWORD>(size);
    return TRUE;
}

extern "C" BOOL InternetCloseHandle(HINTERNET handle) {
    std::lock_guard<std::mutex> lock(mutex);
    if (handle != &sessionHandle && handle != &requestHandle) return FALSE;
    record.closed.push_back(handle == &sessionHandle ? "session" : "request");
    --record.openHandles;
    return TRUE;
}
