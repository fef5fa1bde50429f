// The messages of Skyloom.log in the working directory, without the run
// separators and the time stamps.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "temp_workdir.h"

inline std::vector<std::string> LogMessages() {
    std::vector<std::string> messages;
    std::istringstream lines(TempWorkingDirectory::Read("Skyloom.log"));
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line == std::string(33, '-')) continue;
        messages.push_back(line.size() >= 21 ? line.substr(21) : line);
    }
    return messages;
}
