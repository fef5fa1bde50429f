// The player's settings as read from Skyloom.xml, and the loader that fills
// them in.
#pragma once

#include <cstdint>

struct WeatherSettingsRecord {
    bool enabled;
    int32_t holdKey;  // -1: no hold key
    int32_t pressKey;
    const char* location;
    bool logWhenGetSetWeather;
    bool logUrlAndResponse;
    bool notifyWhenSetWeather;
    const char* apiQuerySuffix;  // appended to the weather request URL
};

// All zero and nullptr until LoadSettings succeeds. The strings it points to
// stay valid until the library is unloaded, or until the next LoadSettings
// replaces them.
extern WeatherSettingsRecord WeatherSettings;

// Reads Skyloom.xml from the current directory into WeatherSettings, storing
// each field as soon as it is read. Throws std::runtime_error with a message
// for the player when the file is missing, not well-formed, or lacks a
// required element or value; a number that cannot be converted throws
// std::invalid_argument or std::out_of_range from StringToInt. Fields read
// before the failure keep their new values.
void LoadSettings();
