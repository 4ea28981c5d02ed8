#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "json/json_value.h"
#include "json/json_writer.h"

namespace monitor::json {
namespace {

using namespace std::string_literals;

TEST(JsonParse, KeepsNumberLiteralsMemberOrderAndDuplicates) {
    auto value = Parse(R"({"z":1.50,"a":[1E2,-0.0,12345678901234567890],"z":"x"})");
    ASSERT_TRUE(value);
    ASSERT_TRUE(value->IsObject());
    ASSERT_EQ(value->Size(), 3u);
    EXPECT_EQ(value->NameAt(0), "z");
    EXPECT_EQ(value->NameAt(1), "a");
    EXPECT_EQ((*value)[0].Text(), "1.50");
    EXPECT_DOUBLE_EQ((*value)[0].AsDouble(), 1.5);
    const JsonValue& a = (*value)[1];
    EXPECT_EQ(a[0].Text(), "1E2");
    EXPECT_EQ(a[1].Text(), "-0.0");
    EXPECT_EQ(a[2].Text(), "12345678901234567890");
    EXPECT_EQ(value->Find("z")->Text(), "1.50");
    EXPECT_EQ(WriteCompact(*value), R"({"z":1.50,"a":[1E2,-0.0,12345678901234567890],"z":"x"})");
}

TEST(JsonParse, GivesNoValueForTextThatIsNotJson) {
    const std::vector<std::string> cases = {
        "",
        "not json",
        "{",
        "[1,]",
        "{\"a\":1} x",
        "{\"a\":1}{}",
        "\"abc",
        "{'a':1}",
        "\"a\xff\"",            // invalid UTF-8
        "\"\xed\xa0\x80\"",     // an encoded surrogate
        "\"a\x01\"",            // raw control character inside a string
        "[1]\0"s,               // NUL after the value
        "\0[1]"s,
        "[\"\\ud800\"]",        // lone surrogate escape
        "01",
    };
    for (const std::string& text : cases) {
        SCOPED_TRACE(testing::PrintToString(text));
        EXPECT_FALSE(Parse(text).has_value());
        EXPECT_EQ(TryParse(text).outcome, ParseOutcome::NotJson);
    }
}

TEST(JsonParse, RefusesNumbersBeyondTheRangeOfADouble) {
    const ParseResult result = TryParse(R"({"a":[1e400],"b":-1e400})");
    EXPECT_EQ(result.outcome, ParseOutcome::NumberOutOfRange);
    EXPECT_EQ(result.number, "1e400");
    EXPECT_EQ(result.member, "");  // an array element
    EXPECT_EQ(TryParse(R"({"b":-1e400})").member, "b");
    EXPECT_FALSE(Parse("[1e400]").has_value());
    // Tiny numbers are no trouble: they read as 0.
    EXPECT_EQ(Parse("1e-400")->AsDouble(), 0.0);
}

TEST(JsonParse, RefusesNestingBeyondTheLimitWithoutRecursing) {
    const std::size_t depth = 100'000;
    const std::string deep = std::string(depth, '[') + std::string(depth, ']');
    EXPECT_EQ(TryParse(deep).outcome, ParseOutcome::TooDeep);
    EXPECT_FALSE(Parse(deep).has_value());

    const std::string at_limit = std::string(kMaxJsonDepth, '[') + std::string(kMaxJsonDepth, ']');
    auto value = Parse(at_limit);
    ASSERT_TRUE(value);
    EXPECT_EQ(WriteCompact(*value), at_limit);
}

TEST(JsonValue, DeepTreesAreWrittenAndReleasedWithoutRecursion) {
    const std::size_t depth = 100'000;
    JsonValue root = JsonValue::Array();
    JsonValue* tip = &root;
    const auto nest = [&tip](JsonValue child) -> JsonValue& {
        return tip->IsObject() ? tip->Add("k", std::move(child)) : tip->Append(std::move(child));
    };
    for (std::size_t i = 1; i < depth; ++i) {
        tip = &nest(tip->IsObject() ? JsonValue::Array() : JsonValue::Object());
    }
    nest(JsonValue::Boolean(true));
    const std::string text = WriteCompact(root);
    EXPECT_EQ(text.size(), depth * 2 + 4 + (depth / 2) * 4);
    EXPECT_EQ(text.substr(0, 8), R"([{"k":[{)");

    JsonValue moved = std::move(root);
    moved = JsonValue::Array();  // the old tree goes here
    EXPECT_EQ(WriteCompact(moved), "[]");
}

TEST(JsonWriter, EscapesStringsIntoPureAscii) {
    struct Case {
        std::string utf8;
        std::string json;
    };
    const std::vector<Case> cases = {
        {"plain text 123", R"("plain text 123")"},
        {"a\"b\\c/d", R"("a\"b\\c\/d")"},
        {"\b\t\n\f\r", R"("\b\t\n\f\r")"},
        {"\x01\x1f\x7f"s, R"("\u0001\u001F)" "\x7f" R"(")"},
        {"nul\0here"s, R"("nul\u0000here")"},
        {"Caf\xc3\xa7o", R"("Caf\u00E7o")"},                   // ç
        {"\xe2\x82\xac", R"("\u20AC")"},                       // €
        {"\xf0\x9f\x98\x80", R"("\uD83D\uDE00")"},             // outside the BMP: surrogates
        {"bad\xff" "byte", R"("bad\uFFFDbyte")"},               // not UTF-8
        {"\xc0\xaf", R"("\uFFFD\uFFFD")"},                     // overlong form of '/'
        {"cut\xe2\x82", R"("cut\uFFFD\uFFFD")"},
        {"", R"("")"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.utf8));
        std::string out;
        AppendJsonString(out, c.utf8);
        EXPECT_EQ(out, c.json);
    }
}

TEST(JsonWriter, WritesDoublesInTheGeneralForm) {
    struct Case {
        double value;
        const char* text;
    };
    const std::vector<Case> cases = {
        {18, "18"},
        {0.1, "0.1"},
        {1234.5, "1234.5"},
        {9.25, "9.25"},
        {-1.5, "-1.5"},
        {0, "0"},
        {-0.0, "0"},
        {1e-6, "1E-6"},
        {1.5e20, "1.5E20"},
        {0.00001, "0.00001"},
        {0.000012345, "0.000012345"},
        {123456789012345, "123456789012345"},
        {1e15, "1E15"},
        {-2.5e-7, "-2.5E-7"},
        {1.0 / 3, "0.333333333333333"},
        {18.5 / 3, "6.16666666666667"},
        {0.1 + 0.2, "0.3"},
        {999999999999999.9, "1E15"},  // rounding to 15 digits carries into a new digit
        {1.7976931348623157e308, "1.79769313486232E308"},
        {4.9406564584124654e-324, "4.94065645841247E-324"},
        {std::numeric_limits<double>::quiet_NaN(), "null"},
        {std::numeric_limits<double>::infinity(), "null"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::string out;
        AppendGeneralDouble(out, c.value);
        EXPECT_EQ(out, c.text);
    }
}

TEST(JsonWriter, IndentedFormMatchesTheExchangeLog) {
    struct Case {
        const char* json;
        const char* indented;
    };
    const std::vector<Case> cases = {
        {R"({"a":1,"b":[true]})",
         "{\r\n    \"a\": 1,\r\n    \"b\": [\r\n        true\r\n    ]\r\n}"},
        {"{}", "{\r\n}"},
        {"[]", "[\r\n]"},
        {R"({"a":{},"b":[]})", "{\r\n    \"a\": {\r\n    },\r\n    \"b\": [\r\n    ]\r\n}"},
        {R"([1.50,"\u00e7/",null,false])",
         "[\r\n    1.50,\r\n    \"\\u00E7\\/\",\r\n    null,\r\n    false\r\n]"},
        {"7.0", "7.0"},
        {R"("x")", R"("x")"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.json);
        auto value = Parse(c.json);
        ASSERT_TRUE(value);
        EXPECT_EQ(WriteIndented(*value), c.indented);
        auto again = Parse(WriteIndented(*value));
        ASSERT_TRUE(again);
        EXPECT_EQ(WriteCompact(*again), WriteCompact(*value));
    }
}

}  // namespace
}  // namespace monitor::json
