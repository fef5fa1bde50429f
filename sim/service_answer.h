// What a weather service inside skyloom-sim answered to one request.
#pragma once

#include <string>

namespace sim {

struct ServiceAnswer {
    std::string location;
    int status = 0;
    int conditionCode = 0;    // 0 unless the reply carried weather
    std::string description;  // the condition's, e.g. "light rain"
    std::string refusal;      // why not, when it did not
};

}  // namespace sim
