// The condition code table, checked code by code against the service's
// published table, and the identity of the names it returns.
#include "weather/condition_codes.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

// The published table, written out independently of the code under test.
const std::map<std::string, std::vector<int>>& PublishedTable() {
    static const std::map<std::string, std::vector<int>> table = {
        {"THUNDER", {200, 201, 202, 210, 211, 212, 221, 230, 231, 232, 781, 900, 901, 902, 960, 961, 962}},
        {"RAIN", {300, 301, 302, 310, 311, 312, 313, 314, 321, 500, 501, 502, 503, 504, 511, 520, 521, 522, 531}},
        {"SNOWLIGHT", {600, 615, 620}},
        {"SNOW", {601, 611, 612, 616, 621}},
        {"BLIZZARD", {602, 622}},
        {"SMOG", {701, 711, 721}},
        {"FOGGY", {741, 762}},
        {"EXTRASUNNY", {800}},
        {"CLOUDS", {801, 802, 803}},
        {"OVERCAST", {804}},
    };
    return table;
}

std::string Expected(int code) {
    for (const auto& [name, codes] : PublishedTable())
        for (int listed : codes)
            if (listed == code) return name;
    return "error";
}

TEST(ConditionCodesTest, EveryCodeFromBelowToAboveTheTableMapsAsPublished) {
    for (int code = -1000; code <= 2000; ++code) {
        SCOPED_TRACE(code);
        EXPECT_STREQ(MapConditionCode(code), Expected(code).c_str());
    }
}

TEST(ConditionCodesTest, BoundaryValues) {
    struct Row {
        int32_t code;
        const char* name;
    } rows[] = {
        {781, "THUNDER"}, {771, "error"},    {731, "error"}, {751, "error"},       {761, "error"},
        {320, "error"},   {321, "RAIN"},     {531, "RAIN"},  {532, "error"},       {615, "SNOWLIGHT"},
        {616, "SNOW"},    {622, "BLIZZARD"}, {623, "error"}, {903, "error"},       {950, "error"},
        {963, "error"},   {-1, "error"},     {0, "error"},   {INT32_MIN, "error"}, {INT32_MAX, "error"},
    };
    for (const auto& row : rows) EXPECT_STREQ(MapConditionCode(row.code), row.name) << row.code;
}

TEST(ConditionCodesTest, NamesAreTheSharedConstants) {
    // Compared by identity: one row gives one object.
    EXPECT_EQ(MapConditionCode(801), MapConditionCode(803));
    EXPECT_EQ(MapConditionCode(500), kWeatherRain);
    EXPECT_EQ(MapConditionCode(800), kWeatherExtraSunny);
    EXPECT_EQ(MapConditionCode(999), kWeatherError);
}

}  // namespace
