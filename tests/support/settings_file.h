// A Skyloom.xml for tests: every element with a sensible value, each open to change.
#pragma once

#include <string>

struct SettingsFile {
    std::string enabled = "1";
    std::string holdKey = "17";
    std::string pressKey = "0x57";
    std::string location = "London";
    std::string logWhenGetSetWeather = "1";
    std::string logUrlAndResponse = "0";
    std::string notifyWhenSetWeather = "1";
    std::string apiKey;

    std::string Text() const {
        return "<?xml version=\"1.0\"?>\n<SETTINGS>\n" + Element("ENABLED_ON_STARTUP", enabled) +
               Element("HOLD_KEY", holdKey) + Element("PRESS_KEY", pressKey) + Element("LOCATION", location) +
               Element("LOG_WHEN_GET_SET_WEATHER", logWhenGetSetWeather) +
               Element("LOG_URL_AND_RESPONSE", logUrlAndResponse) +
               Element("NOTIFY_WHEN_SET_WEATHER", notifyWhenSetWeather) + Element("API_KEY", apiKey) + "</SETTINGS>\n";
    }

private:
    static std::string Element(const std::string& name, const std::string& value) {
        return "  <" + name + ">" + value + "</" + name + ">\n";
    }
};
