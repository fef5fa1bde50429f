// A scripted WinInet for the download's failure paths that a real server
// cannot produce. Linked into a test program, its four functions take the
// place of the real ones.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace fake_wininet {

// One InternetReadFile result: bytes delivered, or a failure.
struct Read {
    std::string bytes;
    bool fails = false;
};

struct Script {
    bool sessionFails = false;
    bool urlFails = false;
    // The reads in order; once they run out, every read delivers 0 bytes.
    std::vector<Read> reads;
};

// What the code under test did.
struct Record {
    std::string agent;
    uint32_t accessType = 0xFFFFFFFF;
    bool proxyGiven = false, bypassGiven = false;
    uint32_t sessionFlags = 0xFFFFFFFF;
    std::string url;
    bool headersGiven = false;
    uint32_t headersLength = 0xFFFFFFFF;
    uint32_t urlFlags = 0;
    uintptr_t context = 0xFFFF;
    std::vector<uint32_t> readSizes;  // bytesToRead of each read
    std::vector<std::string> closed;  // "request" or "session", in order
    int openHandles = 0;
};

// Replaces the script and clears the record.
void Set(const Script& script);
// Replies with one body delivered in chunks of at most chunk bytes.
void SetBody(const std::string& body, size_t chunk = 16384);
Record Recorded();

}  // namespace fake_wininet
