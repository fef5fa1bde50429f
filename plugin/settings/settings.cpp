// The player's settings as read from Skyloom.xml, and the loader that fills
// them in.
#include "settings/settings.h"

#include <tinyxml2.h>

#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>

#include "common/join_strings.h"
#include "log/checkpoint.h"
#include "settings/string_to_int.h"

constinit WeatherSettingsRecord WeatherSettings{};

namespace {

constexpr char kFileName[] = "Skyloom.xml";
constexpr char kApiQueryPrefix[] = "&mode=xml&APPID=";
// Used when the player has not put a key of their own in the file.
constexpr char kBuiltInApiQuerySuffix[] = "&mode=xml&APPID=7c04a9d3b2e8f1605d4c3a2b9e8f7d61";

// The copies behind WeatherSettings.location and .apiQuerySuffix. Workers
// read them after the controller has ended too, so they live until the
// library is unloaded (or a later LoadSettings replaces them).
std::unique_ptr<char[]> ownedLocation;
std::unique_ptr<char[]> ownedApiQuerySuffix;

[[noreturn]] void ThrowSettingsError(const std::string& message) { throw std::runtime_error(message); }

[[noreturn]] void ThrowLoadError(const tinyxml2::XMLDocument& document) {
    const std::string file = kFileName;
    switch (document.ErrorID()) {
        case tinyxml2::XML_ERROR_FILE_NOT_FOUND:
            ThrowSettingsError(file + " could not be read: the file was not found or could not be opened");
        case tinyxml2::XML_ERROR_FILE_COULD_NOT_BE_OPENED:
            ThrowSettingsError(file + " could not be read: the file could not be opened");
        case tinyxml2::XML_ERROR_FILE_READ_ERROR:
            ThrowSettingsError(file + " could not be read: reading the file failed");
        case tinyxml2::XML_ERROR_EMPTY_DOCUMENT:
            ThrowSettingsError(file + " is not well-formed XML: the file is empty");
        default:
            ThrowSettingsError(file + " is not well-formed XML: " + document.ErrorStr());
    }
}

const tinyxml2::XMLElement& RequireElement(const tinyxml2::XMLElement& settings, const char* name) {
    const tinyxml2::XMLElement* element = settings.FirstChildElement(name);
    if (element == nullptr) {
        ThrowSettingsError(std::string(kFileName) + ": the element " + name + " is missing from SETTINGS");
    }
    return *element;
}

const char* RequireText(const tinyxml2::XMLElement& settings, const char* name) {
    const char* text = RequireElement(settings, name).GetText();
    if (text == nullptr) {
        ThrowSettingsError(std::string(kFileName) + ": the element " + name + " has no value");
    }
    return text;
}

int32_t ReadInt(const tinyxml2::XMLElement& settings, const char* name) {
    return StringToInt(RequireText(settings, name), 0);
}

bool ReadFlag(const tinyxml2::XMLElement& settings, const char* name) { return ReadInt(settings, name) != 0; }

bool HasNonWhiteSpace(const char* text) {
    for (; *text != '\0'; ++text) {
        if (!IsWhiteSpace(*text)) {
            return true;
        }
    }
    return false;
}

void StoreLocation(const char* text) {
    const std::size_t size = std::strlen(text) + 1;
    auto copy = std::make_unique<char[]>(size);
    std::memcpy(copy.get(), text, size);
    // Point at the new copy before the old one goes.
    WeatherSettings.location = copy.get();
    ownedLocation = std::move(copy);
}

void StoreApiQuerySuffix(const char* key) {
    std::unique_ptr<char[]> copy;
    if (key != nullptr && HasNonWhiteSpace(key)) {
        copy = JoinStrings(kApiQueryPrefix, key);
    }
    WeatherSettings.apiQuerySuffix = copy != nullptr ? copy.get() : kBuiltInApiQuerySuffix;
    ownedApiQuerySuffix = std::move(copy);
}

}  // namespace

void LoadSettings() {
    tinyxml2::XMLDocument document;
    tinyxml2::XMLError loaded = document.LoadFile(kFileName);
    CHECKPOINT("372");
    if (loaded != tinyxml2::XML_SUCCESS) {
        ThrowLoadError(document);
    }

    const tinyxml2::XMLElement* settings = document.FirstChildElement("SETTINGS");
    CHECKPOINT("374");
    if (settings == nullptr) {
        ThrowSettingsError(std::string(kFileName) + " has no SETTINGS element");
    }

    // Each field is stored as soon as it is read, so a failure part way
    // leaves the earlier ones in place.
    WeatherSettings.enabled = ReadFlag(*settings, "ENABLED_ON_STARTUP");
    WeatherSettings.holdKey = ReadInt(*settings, "HOLD_KEY");
    WeatherSettings.pressKey = ReadInt(*settings, "PRESS_KEY");
    StoreLocation(RequireText(*settings, "LOCATION"));
    WeatherSettings.logWhenGetSetWeather = ReadFlag(*settings, "LOG_WHEN_GET_SET_WEATHER");
    WeatherSettings.logUrlAndResponse = ReadFlag(*settings, "LOG_URL_AND_RESPONSE");
    WeatherSettings.notifyWhenSetWeather = ReadFlag(*settings, "NOTIFY_WHEN_SET_WEATHER");

    // The key is optional: without one of their own, players share the built-in key.
    const tinyxml2::XMLElement* apiKey = settings->FirstChildElement("API_KEY");
    CHECKPOINT_KEYS(WeatherSettings.holdKey, WeatherSettings.pressKey);
    StoreApiQuerySuffix(apiKey != nullptr ? apiKey->GetText() : nullptr);
}
