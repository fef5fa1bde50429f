// WinInet's synchronous calls over libcurl: a session carries the agent, a
// request is one transfer on a multi handle of its own, and the body is
// pulled by InternetReadFile rather than read ahead. Between reads the
// transfer stands still (paused, or simply not driven), so the server waits
// on a full socket as it would for a slow WinInet reader.
#include <curl/curl.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <new>
#include <string>

#include "win_api.h"

namespace {

enum class Kind { kSession, kRequest };

struct Handle {
    explicit Handle(Kind kind) : kind(kind) {}
    Kind kind;
};

struct Session : Handle {
    Session() : Handle(Kind::kSession) {}
    std::string agent;
    bool hasAgent = false;
};

struct Request : Handle {
    Request() : Handle(Kind::kRequest) {}
    ~Request() {
        if (multi != nullptr && easy != nullptr) curl_multi_remove_handle(multi, easy);
        if (easy != nullptr) curl_easy_cleanup(easy);
        if (multi != nullptr) curl_multi_cleanup(multi);
    }
    CURLM* multi = nullptr;
    CURL* easy = nullptr;

    // Headers of the response the transfer ends on (not a redirect or an
    // interim 1xx) have all arrived.
    bool headersDone = false;
    bool sawLocation = false;

    // The reader's buffer while InternetReadFile drives the transfer.
    char* destination = nullptr;
    size_t capacity = 0;
    size_t filled = 0;
    // The rest of a piece that did not fit the reader's buffer; drained
    // before the transfer is driven again, so it never holds more than the
    // one piece curl handed over.
    std::string pending;
    size_t pendingOffset = 0;
    bool paused = false;

    bool done = false;
    CURLcode result = CURLE_OK;
};

std::once_flag curlInitOnce;
bool curlReady = false;

bool InitCurl() {
    std::call_once(curlInitOnce, [] { curlReady = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; });
    return curlReady;
}

size_t OnBody(char* data, size_t size, size_t count, void* user) {
    auto* request = static_cast<Request*>(user);
    size_t length = size * count;
    size_t room = request->capacity - request->filled;
    // Nobody is asking (the open is still waiting for headers) or the
    // reader's buffer is full: curl keeps the piece and stops receiving.
    if (room == 0) {
        request->paused = true;
        return CURL_WRITEFUNC_PAUSE;
    }
    size_t taken = std::min(room, length);
    std::memcpy(request->destination + request->filled, data, taken);
    request->filled += taken;
    // A piece can only be accepted whole, so its tail waits here. The buffer
    // is full now, so any further piece is paused rather than appended.
    if (taken < length) {
        request->pending.assign(data + taken, length - taken);
        request->pendingOffset = 0;
    }
    return length;
}

bool StartsWithNoCase(const char* text, size_t length, const char* prefix) {
    size_t prefixLength = std::strlen(prefix);
    return length >= prefixLength && strncasecmp(text, prefix, prefixLength) == 0;
}

size_t OnHeader(char* line, size_t size, size_t count, void* user) {
    auto* request = static_cast<Request*>(user);
    size_t length = size * count;
    if (StartsWithNoCase(line, length, "location:")) request->sawLocation = true;
    bool blank = (length == 2 && line[0] == '\r') || (length == 1 && line[0] == '\n');
    if (!blank) return length;
    // End of one response's headers. curl follows any 3xx with a Location,
    // so only a response that is neither that nor interim is the one whose
    // body the caller reads.
    long status = 0;
    curl_easy_getinfo(request->easy, CURLINFO_RESPONSE_CODE, &status);
    bool interim = status / 100 == 1;
    bool redirect = status / 100 == 3 && request->sawLocation;
    if (!interim && !redirect) request->headersDone = true;
    request->sawLocation = false;
    return length;
}

// One round of the transfer: does what can be done now, then waits for the
// socket or curl's own timers unless the caller already has what it waits for.
void Drive(Request* request, bool (*satisfied)(const Request*)) {
    int running = 0;
    curl_multi_perform(request->multi, &running);
    int queued = 0;
    while (CURLMsg* message = curl_multi_info_read(request->multi, &queued)) {
        if (message->msg != CURLMSG_DONE) continue;
        request->done = true;
        request->result = message->data.result;
    }
    if (request->done || satisfied(request)) return;
    // The bound only makes curl look again; curl's own timers come first.
    curl_multi_poll(request->multi, nullptr, 0, 1000, nullptr);
}

// WinInet sends spaces in the path and query as %20; libcurl refuses them raw.
std::string EscapeSpaces(const char* url) {
    std::string escaped;
    for (const char* c = url; *c != '\0'; ++c) {
        if (*c == ' ')
            escaped += "%20";
        else
            escaped += *c;
    }
    return escaped;
}

bool Configure(Request* request, const Session* session, const std::string& url) {
    CURL* easy = request->easy;
    bool ok = curl_easy_setopt(easy, CURLOPT_URL, url.c_str()) == CURLE_OK;
    // Pausing needs a network protocol (not file://), and these are the
    // schemes the plug-in reaches the service with.
    ok = ok && curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https") == CURLE_OK;
    ok = ok && curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https") == CURLE_OK;
    ok = ok && curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L) == CURLE_OK;
    // WinInet gives up on a redirect loop; older libcurl would follow it forever.
    ok = ok && curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 30L) == CURLE_OK;
    // No signals from worker threads (name resolution would use SIGALRM otherwise).
    ok = ok && curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L) == CURLE_OK;
    // A tunnelling proxy's own response is not the caller's.
    ok = ok && curl_easy_setopt(easy, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L) == CURLE_OK;
    if (session->hasAgent) ok = ok && curl_easy_setopt(easy, CURLOPT_USERAGENT, session->agent.c_str()) == CURLE_OK;
    ok = ok && curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, OnBody) == CURLE_OK;
    ok = ok && curl_easy_setopt(easy, CURLOPT_WRITEDATA, request) == CURLE_OK;
    ok = ok && curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, OnHeader) == CURLE_OK;
    ok = ok && curl_easy_setopt(easy, CURLOPT_HEADERDATA, request) == CURLE_OK;
    // The proxy comes from http_proxy and no_proxy, which curl reads itself
    // when CURLOPT_PROXY is left alone: that is what PRECONFIG means here.
    return ok;
}

size_t TakePending(Request* request, char* buffer, size_t size) {
    size_t taken = std::min(size, request->pending.size() - request->pendingOffset);
    std::memcpy(buffer, request->pending.data() + request->pendingOffset, taken);
    request->pendingOffset += taken;
    if (request->pendingOffset == request->pending.size()) {
        request->pending.clear();
        request->pending.shrink_to_fit();
        request->pendingOffset = 0;
    }
    return taken;
}

}  // namespace

extern "C" HINTERNET InternetOpenA(LPCSTR agent, DWORD, LPCSTR, LPCSTR, DWORD) {
    if (!InitCurl()) return nullptr;
    auto* session = new (std::nothrow) Session;
    if (session == nullptr) return nullptr;
    if (agent != nullptr) {
        session->agent = agent;
        session->hasAgent = true;
    }
    return session;
}

// There is no cache here, so INTERNET_FLAG_RESYNCHRONIZE and its kind change nothing.
extern "C" HINTERNET InternetOpenUrlA(HINTERNET sessionHandle, LPCSTR url, LPCSTR, DWORD, DWORD, DWORD_PTR) {
    auto* session = static_cast<Session*>(sessionHandle);
    if (session == nullptr || session->kind != Kind::kSession || url == nullptr) return nullptr;
    auto* request = new (std::nothrow) Request;
    if (request == nullptr) return nullptr;
    request->multi = curl_multi_init();
    request->easy = curl_easy_init();
    if (request->multi == nullptr || request->easy == nullptr || !Configure(request, session, EscapeSpaces(url)) ||
        curl_multi_add_handle(request->multi, request->easy) != CURLM_OK) {
        delete request;
        return nullptr;
    }
    // Until the response has begun, so that failing to connect shows here.
    // Body arriving meanwhile pauses the transfer (no reader yet).
    auto begun = [](const Request* r) { return r->headersDone || r->paused; };
    while (!request->done && !begun(request)) Drive(request, begun);
    if (request->done && request->result != CURLE_OK) {
        delete request;
        return nullptr;
    }
    return request;
}

extern "C" BOOL InternetReadFile(HINTERNET file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead) {
    auto* request = static_cast<Request*>(file);
    if (bytesRead != nullptr) *bytesRead = 0;
    if (request == nullptr || request->kind != Kind::kRequest || bytesRead == nullptr ||
        (buffer == nullptr && bytesToRead != 0))
        return FALSE;
    if (bytesToRead == 0) return TRUE;
    auto* out = static_cast<char*>(buffer);
    if (!request->pending.empty()) {
        *bytesRead = static_cast<DWORD>(TakePending(request, out, bytesToRead));
        return TRUE;
    }
    request->destination = out;
    request->capacity = bytesToRead;
    request->filled = 0;
    auto hasBytes = [](const Request* r) { return r->filled > 0; };
    if (request->paused) {
        request->paused = false;
        // Hands over what curl kept at the pause, before this returns.
        curl_easy_pause(request->easy, CURLPAUSE_CONT);
    }
    while (!hasBytes(request) && !request->done) Drive(request, hasBytes);
    size_t filled = request->filled;
    request->destination = nullptr;
    request->capacity = 0;
    request->filled = 0;
    *bytesRead = static_cast<DWORD>(filled);
    if (filled > 0) return TRUE;
    return request->result == CURLE_OK ? TRUE : FALSE;
}

extern "C" BOOL InternetCloseHandle(HINTERNET handle) {
    auto* any = static_cast<Handle*>(handle);
    if (any == nullptr) return FALSE;
    if (any->kind == Kind::kSession)
        delete static_cast<Session*>(any);
    else
        delete static_cast<Request*>(any);
    return TRUE;
}
