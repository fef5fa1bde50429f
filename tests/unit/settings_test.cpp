// Tests for the settings loader and the helpers it relies on: integer
// conversion and string joining.
#include "settings/settings.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "common/join_strings.h"
#include "settings/string_to_int.h"
#include "temp_workdir.h"

namespace {

constexpr char kBuiltInSuffix[] = "&mode=xml&APPID=7c04a9d3b2e8f1605d4c3a2b9e8f7d61";

using Element = std::pair<std::string, std::string>;

// A complete, valid set of elements; tests drop or replace entries.
std::vector<Element> ValidElements() {
    return {
        {"ENABLED_ON_STARTUP", "1"},
        {"HOLD_KEY", "17"},
        {"PRESS_KEY", "87"},
        {"LOCATION", "Oslo,NO"},
        {"LOG_WHEN_GET_SET_WEATHER", "1"},
        {"LOG_URL_AND_RESPONSE", "1"},
        {"NOTIFY_WHEN_SET_WEATHER", "1"},
        {"API_KEY", "abc"},
    };
}

std::vector<Element> With(std::vector<Element> elements, const std::string& name, const std::string& text) {
    for (auto& element : elements) {
        if (element.first == name) {
            element.second = text;
        }
    }
    return elements;
}

std::vector<Element> Without(std::vector<Element> elements, const std::string& name) {
    std::erase_if(elements, [&](const Element& element) { return element.first == name; });
    return elements;
}

std::string SettingsXml(const std::vector<Element>& elements) {
    std::string xml = "<SETTINGS>\n";
    for (const auto& [name, text] : elements) {
        xml += "  <" + name + ">" + text + "</" + name + ">\n";
    }
    return xml + "</SETTINGS>\n";
}

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override { WeatherSettings = {}; }

    static void WriteSettingsFile(const std::string& content) { TempWorkingDirectory::Write("Skyloom.xml", content); }

    static void Load(const std::vector<Element>& elements) {
        WriteSettingsFile(SettingsXml(elements));
        LoadSettings();
    }

    // The message of the runtime_error LoadSettings throws, or "" after a
    // recorded failure when it throws nothing.
    static std::string LoadError() {
        try {
            LoadSettings();
        } catch (const std::runtime_error& error) {
            return error.what();
        }
        ADD_FAILURE() << "LoadSettings did not throw std::runtime_error";
        return "";
    }

private:
    TempWorkingDirectory workdir_{"skyloom-settings"};
};

TEST(JoinStringsTest, JoinsIntoExactlySizedTerminatedString) {
    const std::pair<const char*, const char*> cases[] = {{"", ""}, {"ab", ""}, {"", "cd"}, {"&APPID=", "k\xC3\xA9y"}};
    for (const auto& [first, second] : cases) {
        SCOPED_TRACE(std::string(first) + "|" + second);
        const std::string expected = std::string(first) + second;
        const auto joined = JoinStrings(first, second);
        EXPECT_EQ(std::string(joined.get()), expected);
        EXPECT_EQ(joined[expected.size()], '\0');
    }
}

TEST(StringToIntTest, ReadsValues) {
    struct Case {
        const char* text;
        int base;
        int32_t expected;
    };
    const Case cases[] = {
        {" 12 ", 0, 12},
        {"12abc", 0, 12},
        {"+7", 0, 7},
        {"-1", 0, -1},
        {"0", 0, 0},
        {"-0", 0, 0},
        {"\t\n\v\f\r 5", 0, 5},
        {"0x1B", 0, 27},
        {"0X1b", 0, 27},
        {"-0x1B", 0, -27},
        {"0xfFz", 0, 255},
        {"0x57", 0, 0x57},
        {"010", 0, 8},
        {" -010", 0, -8},
        {"08", 0, 0},   // octal scan stops at 8
        {"0x", 10, 0},  // no prefix in base 10: reads "0", stops at 'x'
        {"2147483647", 0, 2147483647},
        {"-2147483648", 0, INT32_MIN},
        {"0x7FFFFFFF", 0, 2147483647},
        {"-0x80000000", 0, INT32_MIN},
        {"017777777777", 0, 2147483647},
        {"000000000000000000000000000000042", 10, 42},
        {"0x1B", 10, 0},
        {"010", 10, 10},
        {"-2147483648", 10, INT32_MIN},
        {"12abc", 10, 12},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("\"") + c.text + "\" base " + std::to_string(c.base));
        EXPECT_EQ(StringToInt(c.text, c.base), c.expected);
    }
}

TEST(StringToIntTest, RejectsTextWithoutDigits) {
    const char* const cases[] = {
        "",
        "   ",
        "true",
        "+",
        "-",
        "+-1",
        "- 1",
        "x1B",
        "\xA0"
        "12",
        "\xC2\xA0"
        "12",
        "abc",
    };
    // A hexadecimal prefix is skipped, so without hex digits after it
    // nothing is left to read.
    const char* const hexPrefixOnly[] = {"0x", "0Xg", "-0x-1"};
    auto expectInvalid = [](const char* text, int base) {
        SCOPED_TRACE(std::string("\"") + text + "\" base " + std::to_string(base));
        try {
            StringToInt(text, base);
            ADD_FAILURE() << "no exception";
        } catch (const std::invalid_argument& error) {
            EXPECT_STREQ(error.what(), "invalid stoi argument");
        }
    };
    for (const char* text : cases)
        for (int base : {0, 10}) expectInvalid(text, base);
    for (const char* text : hexPrefixOnly) expectInvalid(text, 0);
}

TEST(StringToIntTest, RejectsValuesOutsideInt32) {
    const std::string longDigits(400, '9');
    const std::pair<std::string, int> cases[] = {
        {"2147483648", 0},
        {"2147483648", 10},
        {"-2147483649", 10},
        {"0x80000000", 0},
        {"-0x80000001", 0},
        {"020000000000", 0},
        {"4294967296", 10},            // would wrap to 0 in a 32-bit accumulator
        {"18446744073709551617", 10},  // would wrap to 1 in a 64-bit accumulator
        {longDigits, 10},
        {"0x" + std::string(400, 'f'), 0},
        {"-" + longDigits + "abc", 0},
    };
    for (const auto& [text, base] : cases) {
        SCOPED_TRACE(text.substr(0, 40) + " base " + std::to_string(base));
        try {
            StringToInt(text.c_str(), base);
            ADD_FAILURE() << "no exception";
        } catch (const std::out_of_range& error) {
            EXPECT_STREQ(error.what(), "stoi argument out of range");
        }
    }
}

TEST_F(SettingsTest, LoadsFullFile) {
    WriteSettingsFile(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<!-- Skyloom settings -->\n"
        "<!-- Keys are Windows virtual-key codes. -->\n"
        "<SETTINGS>\n"
        "  <API_KEY>0123abcd</API_KEY>\n"
        "  <NOTE>not a setting</NOTE>\n"
        "  <location>Ignored,XX</location>\n"
        "  <LOCATION>Bergen,NO</LOCATION>\n"
        "  <GROUP><PRESS_KEY>1</PRESS_KEY></GROUP>\n"
        "  <PRESS_KEY>0x57</PRESS_KEY>\n"
        "  <NOTIFY_WHEN_SET_WEATHER>1</NOTIFY_WHEN_SET_WEATHER>\n"
        "  <LOCATION>Oslo,NO</LOCATION>\n"
        "  <HOLD_KEY>-1</HOLD_KEY>\n"
        "  <LOG_URL_AND_RESPONSE>0</LOG_URL_AND_RESPONSE>\n"
        "  <!-- between -->\n"
        "  <ENABLED_ON_STARTUP>1</ENABLED_ON_STARTUP>\n"
        "  <LOG_WHEN_GET_SET_WEATHER>1</LOG_WHEN_GET_SET_WEATHER>\n"
        "</SETTINGS>\n");

    LoadSettings();

    EXPECT_TRUE(WeatherSettings.enabled);
    EXPECT_EQ(WeatherSettings.holdKey, -1);
    EXPECT_EQ(WeatherSettings.pressKey, 0x57);
    ASSERT_NE(WeatherSettings.location, nullptr);
    EXPECT_STREQ(WeatherSettings.location, "Bergen,NO");
    EXPECT_TRUE(WeatherSettings.logWhenGetSetWeather);
    EXPECT_FALSE(WeatherSettings.logUrlAndResponse);
    EXPECT_TRUE(WeatherSettings.notifyWhenSetWeather);
    EXPECT_STREQ(WeatherSettings.apiQuerySuffix, "&mode=xml&APPID=0123abcd");
}

TEST_F(SettingsTest, FlagIsTrueForAnyNonZeroValue) {
    const std::pair<const char*, bool> cases[] = {
        {"0", false}, {"1", true}, {"2", true}, {"-1", true}, {" 0x0 ", false}, {"010", true},
    };
    for (const auto& [text, expected] : cases) {
        SCOPED_TRACE(text);
        WeatherSettings.enabled = !expected;
        Load(With(ValidElements(), "ENABLED_ON_STARTUP", text));
        EXPECT_EQ(WeatherSettings.enabled, expected);
    }
}

TEST_F(SettingsTest, KeysKeepNegativeValues) {
    Load(With(With(ValidElements(), "HOLD_KEY", "-5"), "PRESS_KEY", "-0x10"));
    EXPECT_EQ(WeatherSettings.holdKey, -5);
    EXPECT_EQ(WeatherSettings.pressKey, -16);
}

TEST_F(SettingsTest, ConversionFailureKeepsEarlierFieldsAndLeavesLaterOnes) {
    WriteSettingsFile(SettingsXml(With(ValidElements(), "LOG_URL_AND_RESPONSE", "true")));
    try {
        LoadSettings();
        FAIL() << "no exception";
    } catch (const std::invalid_argument& error) {
        EXPECT_STREQ(error.what(), "invalid stoi argument");
    }
    EXPECT_TRUE(WeatherSettings.enabled);
    EXPECT_EQ(WeatherSettings.holdKey, 17);
    EXPECT_EQ(WeatherSettings.pressKey, 87);
    EXPECT_STREQ(WeatherSettings.location, "Oslo,NO");
    EXPECT_TRUE(WeatherSettings.logWhenGetSetWeather);
    EXPECT_FALSE(WeatherSettings.logUrlAndResponse);
    EXPECT_FALSE(WeatherSettings.notifyWhenSetWeather);
    EXPECT_EQ(WeatherSettings.apiQuerySuffix, nullptr);

    WeatherSettings = {};
    WriteSettingsFile(SettingsXml(With(ValidElements(), "PRESS_KEY", "0x100000000")));
    EXPECT_THROW(LoadSettings(), std::out_of_range);
    EXPECT_EQ(WeatherSettings.holdKey, 17);
    EXPECT_EQ(WeatherSettings.location, nullptr);
}

TEST_F(SettingsTest, ApiKeyBuildsQuerySuffix) {
    struct Case {
        const char* name;
        std::vector<Element> elements;
        std::string expected;
    };
    const Case cases[] = {
        {"plain", With(ValidElements(), "API_KEY", "k1"), "&mode=xml&APPID=k1"},
        {"surrounding white space kept", With(ValidElements(), "API_KEY", "\n   a b\t\n  "),
         "&mode=xml&APPID=\n   a b\t\n  "},
        {"entity resolved", With(ValidElements(), "API_KEY", "a&amp;b"), "&mode=xml&APPID=a&b"},
        {"lone accented letter", With(ValidElements(), "API_KEY", "\xC3\xA9"), "&mode=xml&APPID=\xC3\xA9"},
        {"absent", Without(ValidElements(), "API_KEY"), kBuiltInSuffix},
        {"empty", With(ValidElements(), "API_KEY", ""), kBuiltInSuffix},
        {"spaces only", With(ValidElements(), "API_KEY", "   \n  "), kBuiltInSuffix},
        {"white space from character references", With(ValidElements(), "API_KEY", "&#32;&#9;&#10;&#11;&#12;&#13;"),
         kBuiltInSuffix},
        {"white space in CDATA", With(ValidElements(), "API_KEY", "<![CDATA[ \t ]]>"), kBuiltInSuffix},
        {"no-break space is a key", With(ValidElements(), "API_KEY", "&#160;"), "&mode=xml&APPID=\xC2\xA0"},
        {"child element instead of text", With(ValidElements(), "API_KEY", "<KEY>k</KEY>"), kBuiltInSuffix},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WeatherSettings.apiQuerySuffix = nullptr;
        Load(c.elements);
        ASSERT_NE(WeatherSettings.apiQuerySuffix, nullptr);
        EXPECT_EQ(std::string(WeatherSettings.apiQuerySuffix), c.expected);
    }
}

TEST_F(SettingsTest, LocationIsStoredAsWritten) {
    const std::pair<const char*, const char*> cases[] = {
        {"  New York, US \n", "  New York, US \n"},
        {"S&#227;o Paulo &amp; more", "S\xC3\xA3o Paulo & more"},
        {"<![CDATA[ <Oslo> ]]>", " <Oslo> "},
    };
    for (const auto& [text, expected] : cases) {
        SCOPED_TRACE(text);
        Load(With(ValidElements(), "LOCATION", text));
        ASSERT_NE(WeatherSettings.location, nullptr);
        EXPECT_STREQ(WeatherSettings.location, expected);
    }
}

TEST_F(SettingsTest, ReloadReplacesStrings) {
    Load(With(With(ValidElements(), "LOCATION", "Oslo,NO"), "API_KEY", "first"));
    EXPECT_STREQ(WeatherSettings.apiQuerySuffix, "&mode=xml&APPID=first");

    Load(With(Without(ValidElements(), "API_KEY"), "LOCATION", "Tromso,NO"));
    EXPECT_STREQ(WeatherSettings.location, "Tromso,NO");
    EXPECT_STREQ(WeatherSettings.apiQuerySuffix, kBuiltInSuffix);

    Load(With(ValidElements(), "API_KEY", "second"));
    EXPECT_STREQ(WeatherSettings.location, "Oslo,NO");
    EXPECT_STREQ(WeatherSettings.apiQuerySuffix, "&mode=xml&APPID=second");
}

TEST_F(SettingsTest, MissingFileIsReported) {
    const std::string message = LoadError();
    EXPECT_NE(message.find("Skyloom.xml could not be read"), std::string::npos) << message;
    EXPECT_EQ(WeatherSettings.location, nullptr);
}

TEST_F(SettingsTest, BrokenDocumentIsReported) {
    const std::pair<const char*, const char*> cases[] = {
        {"", "Skyloom.xml is not well-formed XML"},
        {"  \n\t", "Skyloom.xml is not well-formed XML"},
        {"<SETTINGS><ENABLED_ON_STARTUP>1</SETTINGS>", "Skyloom.xml is not well-formed XML"},
        {"<SETTINGS>", "Skyloom.xml is not well-formed XML"},
        {"not xml at all <", "Skyloom.xml is not well-formed XML"},
        {"<?xml version=\"1.0\"?><!-- only a comment -->", "Skyloom.xml has no SETTINGS element"},
        {"<CONFIG><ENABLED_ON_STARTUP>1</ENABLED_ON_STARTUP></CONFIG>", "Skyloom.xml has no SETTINGS element"},
        {"<settings><ENABLED_ON_STARTUP>1</ENABLED_ON_STARTUP></settings>", "Skyloom.xml has no SETTINGS element"},
        {"<ROOT><SETTINGS><ENABLED_ON_STARTUP>1</ENABLED_ON_STARTUP></SETTINGS></ROOT>",
         "Skyloom.xml has no SETTINGS element"},
    };
    for (const auto& [content, expected] : cases) {
        SCOPED_TRACE(content);
        WriteSettingsFile(content);
        const std::string message = LoadError();
        EXPECT_EQ(message.rfind(expected, 0), 0u) << message;
        EXPECT_FALSE(WeatherSettings.enabled);
    }
}

TEST_F(SettingsTest, MissingElementIsReportedByName) {
    for (const char* name : {"ENABLED_ON_STARTUP", "HOLD_KEY", "PRESS_KEY", "LOCATION", "LOG_WHEN_GET_SET_WEATHER",
                             "LOG_URL_AND_RESPONSE", "NOTIFY_WHEN_SET_WEATHER"}) {
        SCOPED_TRACE(name);
        WriteSettingsFile(SettingsXml(Without(ValidElements(), name)));
        EXPECT_EQ(LoadError(), std::string("Skyloom.xml: the element ") + name + " is missing from SETTINGS");
    }
}

TEST_F(SettingsTest, ElementWithoutValueIsReportedByName) {
    for (const char* name : {"ENABLED_ON_STARTUP", "HOLD_KEY", "PRESS_KEY", "LOCATION", "LOG_WHEN_GET_SET_WEATHER",
                             "LOG_URL_AND_RESPONSE", "NOTIFY_WHEN_SET_WEATHER"}) {
        for (const char* text : {"", "   ", "<!-- set me -->", "<VALUE>1</VALUE>"}) {
            SCOPED_TRACE(std::string(name) + " = \"" + text + "\"");
            WriteSettingsFile(SettingsXml(With(ValidElements(), name, text)));
            EXPECT_EQ(LoadError(), std::string("Skyloom.xml: the element ") + name + " has no value");
        }
    }
}

TEST_F(SettingsTest, ElementErrorKeepsEarlierFields) {
    WriteSettingsFile(SettingsXml(Without(ValidElements(), "LOG_URL_AND_RESPONSE")));
    LoadError();
    EXPECT_TRUE(WeatherSettings.enabled);
    EXPECT_EQ(WeatherSettings.pressKey, 87);
    EXPECT_STREQ(WeatherSettings.location, "Oslo,NO");
    EXPECT_TRUE(WeatherSettings.logWhenGetSetWeather);
    EXPECT_FALSE(WeatherSettings.notifyWhenSetWeather);
    EXPECT_EQ(WeatherSettings.apiQuerySuffix, nullptr);
}

}  // namespace
