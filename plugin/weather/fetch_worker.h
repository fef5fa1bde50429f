// One fetch of the current weather, on a thread of its own.
#pragma once

#include <atomic>

#include "win_api.h"

// True until the first worker of this run logs the request URL.
extern std::atomic<bool> UrlLogPending;

// Builds the request URL from WeatherSettings, downloads the reply, and
// either stores the mapped weather type into LatestWeather or logs and posts
// what went wrong. The argument is ignored; returns 0 on every path.
unsigned __stdcall FetchWorker(void* argument);
