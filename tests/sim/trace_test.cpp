// The trace's JSON: every string escaped so that any JSON reader takes it,
// and native arguments written by the native's signature.
#include "trace.h"

#include <gtest/gtest.h>

#include "json_value.h"

namespace {

TEST(TraceTest, StringsSurviveAJsonReader) {
    struct Row {
        std::string text;
        const char* json;
        std::string readBack;  // what a reader makes of it
    } rows[] = {
        {"Set weather to RAIN", "\"Set weather to RAIN\"", "Set weather to RAIN"},
        {"say \"hi\" \\ back", "\"say \\\"hi\\\" \\\\ back\"", "say \"hi\" \\ back"},
        {"a\nb\r\tc", "\"a\\nb\\r\\tc\"", "a\nb\r\tc"},
        {std::string("nul\0bell\x07", 9), "\"nul\\u0000bell\\u0007\"", std::string("nul\0bell\x07", 9)},
        {"S\xC3\xA3o Paulo", "\"S\xC3\xA3o Paulo\"", "S\xC3\xA3o Paulo"},           // UTF-8 as it is
        {"M\xFCnchen", "\"M\\u00FCnchen\"", "M\xC3\xBCnchen"},                      // Latin-1 byte
        {"\xE2\x82", "\"\\u00E2\\u0082\"", "\xC3\xA2\xC2\x82"},                     // cut-off sequence
        {"\xC0\xAF", "\"\\u00C0\\u00AF\"", "\xC3\x80\xC2\xAF"},                     // overlong form
        {"\xED\xA0\x80", "\"\\u00ED\\u00A0\\u0080\"", "\xC3\xAD\xC2\xA0\xC2\x80"},  // a surrogate
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.json);
        std::string json = sim::JsonString(row.text);
        EXPECT_EQ(json, row.json);
        auto value = JsonValue::Parse(json);
        ASSERT_TRUE(value);
        EXPECT_EQ(value->text, row.readBack);
    }
}

TEST(TraceTest, NativeArgumentsFollowTheSignature) {
    hook::NativeCall text;
    text.raw = {0x3F0CCCCD, 1, 0x1234, 7};
    text.signature = "fbsi";
    text.values = {"0.55", "1", "say \"x\"", "-7"};
    EXPECT_EQ(sim::NativeArguments(text), "[0.55,true,\"say \\\"x\\\"\",-7]");

    hook::NativeCall odd;
    odd.raw = {0x7F800000, 0};
    odd.signature = "fb";
    odd.values = {"inf", "0"};
    EXPECT_EQ(sim::NativeArguments(odd), "[\"inf\",false]");

    // An unknown native has no signature: its raw values, which may not fit a JSON number.
    hook::NativeCall unknown;
    unknown.raw = {0xDEADBEEF00000001ull};
    EXPECT_EQ(sim::NativeArguments(unknown), "[\"0xDEADBEEF00000001\"]");
}

TEST(TraceTest, EventLinesAreObjectsWithTheMomentFirst) {
    std::string line = sim::JsonLine("feed", 1500, 94, 601500)
                           .String("text", "tab\there")
                           .Bool("flag", true)
                           .Number("n", -3)
                           .Raw("args", "[1,\"a\"]")
                           .Text();
    EXPECT_EQ(line.rfind("{\"event\":\"feed\",\"time\":1500,\"frame\":94,\"tick\":601500,", 0), 0u) << line;
    auto value = JsonValue::Parse(line);
    ASSERT_TRUE(value) << line;
    EXPECT_EQ((*value)["text"].text, "tab\there");
    EXPECT_TRUE((*value)["flag"].boolean);
    EXPECT_EQ((*value)["n"].number, -3);
    EXPECT_EQ((*value)["args"].items.size(), 2u);
}

}  // namespace
