// Skyloom.log: one time-stamped line per call, appended from any thread.
#pragma once

#include <atomic>
#include <ctime>
#include <string_view>

// True until the first line of this run is written: that line gets the
// separator before it.
extern std::atomic<bool> SeparatorPending;

// Appends message as one line. Reports no failure; a log that cannot be
// opened loses the line. Holds a process-wide lock for one append only.
void LogLine(std::string_view message);

// Formats the 21-character stamp "MM-DD-YYYY hh:mm:ss: " (12-hour clock, no
// AM/PM) into buffer; returns its length.
size_t FormatLogTimeStamp(const std::tm& local, char (&buffer)[80]);
