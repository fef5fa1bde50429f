// One HTTP GET through WinInet into a NUL-terminated buffer.
#pragma once

#include <cstdint>

// The largest body accepted; a longer one fails the download.
constexpr uint64_t kDownloadLimit = 2000;

// Downloads url whatever the HTTP status. On success returns the body plus a
// NUL in one block the caller releases with free(), and stores the body's
// length through length if given. On any failure (no session, no
// connection, a failed read, a body over kDownloadLimit) returns null and
// stores 0; nothing is left open or allocated.
char* HttpDownload(const char* url, uint64_t* length);
