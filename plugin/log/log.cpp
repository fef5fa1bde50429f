// The log file: opened, appended to and closed on every call, so nothing
// holds it between lines and each line is in the file when LogLine returns.
#include "log/log.h"

#include <cstdio>
#include <mutex>
#include <string>

#include "win_api.h"

std::atomic<bool> SeparatorPending{true};

namespace {
// Serialises whole lines across the script fiber and every worker.
std::mutex logMutex;
constexpr char kSeparator[] = "\n---------------------------------\n";
}  // namespace

size_t FormatLogTimeStamp(const std::tm& local, char (&buffer)[80]) {
    return std::strftime(buffer, sizeof buffer, "%m-%d-%Y %I:%M:%S: ", &local);
}

void LogLine(std::string_view message) {
    std::lock_guard<std::mutex> lock(logMutex);
    // Text mode stores each LF as CR LF; shared access lets others read the log meanwhile.
    FILE* file = _fsopen("Skyloom.log", "a", _SH_DENYNO);
    // Cleared even when the open failed: a run's separator is attempted once.
    std::string line = SeparatorPending.exchange(false) ? kSeparator : "";
    if (file == nullptr) return;
    char stamp[80] = "";
    std::time_t now = std::time(nullptr);
    // localtime's shared buffer is safe here: the lock covers its only use.
    if (const std::tm* local = std::localtime(&now)) FormatLogTimeStamp(*local, stamp);
    line += stamp;
    line += message;
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), file);
    std::fflush(file);
    std::fclose(file);
}
