#include "analysis/json_value.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace pitkad {
namespace {

TEST(JsonValue, ReadsEveryKindOfValue) {
    const JsonParse p = parse_json(
        " {\"a\": [1, -2.5e3, true, false, null, {}], \"s\": \"q\\\"\\\\\\/\\b\\f\\n\\r\\t"
        "\\u00e9\\ud83d\\ude00é\", \"a\": 0, \"tiny\": 1e-400} ");
    ASSERT_TRUE(p.value) << p.error;
    const JsonValue& v = *p.value;
    const auto items = v.find("a")->items(); // the first of two "a"
    ASSERT_EQ(items.size(), 6u);
    EXPECT_EQ(items[0].number(), 1.0);
    EXPECT_EQ(items[1].number(), -2500.0);
    EXPECT_TRUE(items[2].boolean());
    EXPECT_TRUE(items[3].is(JsonValue::Kind::boolean) && !items[3].boolean());
    EXPECT_TRUE(items[4].is(JsonValue::Kind::null));
    EXPECT_TRUE(items[5].is(JsonValue::Kind::object) && items[5].members().empty());
    EXPECT_EQ(v.find("s")->string(), "q\"\\/\b\f\n\r\t\xC3\xA9\xF0\x9F\x98\x80\xC3\xA9");
    EXPECT_EQ(v.find("tiny")->number(), 0.0); // below the smallest double
    EXPECT_EQ(v.find("missing"), nullptr);
    // Accessors of another kind give empty values.
    EXPECT_EQ(v.find("s")->number(), 0.0);
    EXPECT_TRUE(v.find("s")->items().empty());
    EXPECT_EQ(items[0].string(), "");
}

TEST(JsonValue, RefusesMalformedText) {
    const std::string deep = std::string(65, '[') + std::string(65, ']');
    const std::string_view cases[] = {
        "",
        " ",
        "{",
        "[1,]",
        "[1 2]",
        "{\"a\" 1}",
        "{\"a\":}",
        "{a:1}",
        "{\"a\":1,}",
        "01",
        "1.",
        ".5",
        "-",
        "+1",
        "1e",
        "0x10",
        "1e999",
        "-1e400",
        "tru",
        "nul",
        "nan",
        "\"abc",
        "\"\\x\"",
        "\"\\u12\"",
        "\"\\ud800\"",
        "\"\\ud800\\u0041\"",
        "\"\\udc00\"",
        "\"a\tb\"",
        "\"\xff\"",
        "\"\xc0\xaf\"",
        "\"\xed\xa0\x80\"",
        "\"\xe2\x82\"",
        "1 2",
        "[1]]",
        "\xef\xbb\xbf{}",
        deep,
    };
    for (std::string_view text : cases) {
        SCOPED_TRACE(std::string(text));
        const JsonParse p = parse_json(text);
        EXPECT_FALSE(p.value);
        EXPECT_EQ(p.error.rfind("at byte ", 0), 0u);
    }
    // One level less is within the limit.
    EXPECT_TRUE(parse_json(std::string(64, '[') + std::string(64, ']')).value);
}

TEST(JsonValue, EveryPrefixOfADocumentFailsCleanly) {
    const std::string text =
        R"({"n":[{"name":"x","attr":{"i":"-12","s":"\u00e9\ud83d\ude00"}},1.5e-3]})";
    ASSERT_TRUE(parse_json(text).value);
    for (std::size_t n = 0; n < text.size(); ++n)
        EXPECT_FALSE(parse_json(text.substr(0, n)).value) << n;
}

TEST(JsonValue, IntegersAsNumbersOrDecimalStrings) {
    const struct {
        const char* json;
        std::optional<std::int64_t> want;
    } cases[] = {
        {"42", 42},
        {"-7", -7},
        {"9007199254740992", 9007199254740992},
        {"9007199254740994", std::nullopt}, // beyond 2^53: not exact
        {"1.5", std::nullopt},
        {"\"256\"", 256},
        {"\"-3\"", -3},
        {"\"9223372036854775807\"", INT64_MAX},
        {"\"9223372036854775808\"", std::nullopt},
        {"\"\"", std::nullopt},
        {"\"-\"", std::nullopt},
        {"\"1e3\"", std::nullopt},
        {"true", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.json);
        const JsonParse p = parse_json(c.json);
        ASSERT_TRUE(p.value);
        EXPECT_EQ(p.value->integer(), c.want);
    }
}

TEST(Base64, DecodesStandardPaddedText) {
    const struct {
        const char* text;
        std::optional<std::string> want;
    } cases[] = {
        {"", ""},
        {"TWFu", "Man"},
        {"TWE=", "Ma"},
        {"TQ==", "M"},
        {"U0FNRQ==", "SAME"},
        {"+/+/", "\xfb\xff\xbf"},
        {"TWF", std::nullopt},      // not a multiple of 4
        {"TW=u", std::nullopt},     // data after padding
        {"TQ==TWFu", std::nullopt}, // padding before the end
        {"T===", std::nullopt},
        {"TR==", std::nullopt}, // unused bits set
        {"TWF!", std::nullopt},
        {"TWF\n", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const auto bytes = decode_base64(c.text);
        ASSERT_EQ(bytes.has_value(), c.want.has_value());
        if (bytes) {
            EXPECT_EQ(std::string(bytes->begin(), bytes->end()), *c.want);
        }
    }
}

} // namespace
} // namespace pitkad
