// One HTTP GET through WinInet into a NUL-terminated buffer.
#include "weather/http_download.h"

#include <cstdlib>

#include "win_api.h"

namespace {

constexpr char kAgent[] = "VORTEL Downloader";
constexpr DWORD kChunk = 16384;

// Reads the whole body into a block grown before each read; false on any
// failure, with the block (if any) still in *buffer for the caller to free.
bool ReadBody(HINTERNET request, char** buffer, uint64_t* total) {
    for (;;) {
        auto* grown = static_cast<char*>(std::realloc(*buffer, *total + kChunk));
        if (grown == nullptr) return false;
        *buffer = grown;
        DWORD read = 0;
        if (!InternetReadFile(request, *buffer + *total, kChunk, &read)) return false;
        if (read > kChunk) return false;  // never trust a count beyond the buffer
        *total += read;
        // The limit is tested before the end, so it holds whichever chunk crosses it.
        if (*total > kDownloadLimit) return false;
        if (read != 0) continue;
        grown = static_cast<char*>(std::realloc(*buffer, *total + 1));
        if (grown == nullptr) return false;
        *buffer = grown;
        (*buffer)[*total] = '\0';
        return true;
    }
}

}  // namespace

char* HttpDownload(const char* url, uint64_t* length) {
    char* buffer = nullptr;
    uint64_t total = 0;
    bool complete = false;
    if (HINTERNET session = InternetOpenA(kAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0)) {
        if (HINTERNET request = InternetOpenUrlA(session, url, nullptr, 0, INTERNET_FLAG_RESYNCHRONIZE, 0)) {
            complete = ReadBody(request, &buffer, &total);
            InternetCloseHandle(request);
        }
        InternetCloseHandle(session);
    }
    if (!complete) {
        std::free(buffer);
        buffer = nullptr;
        total = 0;
    }
    if (length != nullptr) *length = total;
    return buffer;
}
