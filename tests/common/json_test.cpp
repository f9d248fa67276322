#include "common/json.h"

#include <gtest/gtest.h>

#include <string>

namespace veltra {
namespace {

TEST(Json, ReadsTheBridgeMessages) {
    const auto v =
        ParseJson(R"( {"interfaces":[{"path":"/dev/hidraw3","vendor_id":6699,"usage_page":65280}],)"
                  R"( "ok":true,"none":null,"neg":-12} )");
    ASSERT_TRUE(v);
    const JsonValue* list = v->Find("interfaces");
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->AsArray().size(), 1u);
    EXPECT_EQ(list->AsArray()[0].GetString("path"), "/dev/hidraw3");
    EXPECT_EQ(list->AsArray()[0].GetInt("usage_page"), 65280);
    EXPECT_TRUE(v->Find("ok")->AsBool());
    EXPECT_TRUE(v->Find("none")->IsNull());
    EXPECT_EQ(v->GetInt("neg"), -12);
    EXPECT_EQ(v->GetInt("missing"), std::nullopt);
    EXPECT_EQ(v->GetString("neg"), std::nullopt);
}

TEST(Json, StringsEscapesAndUtf8RoundTrip) {
    const auto v = ParseJson(R"(["a\"b\\c\/\n\t\u00e9\ud83d\ude00x", "é😀", "\ud800"])");
    ASSERT_TRUE(v);
    EXPECT_EQ(v->AsArray()[0].AsString(), "a\"b\\c/\n\t\xC3\xA9\xF0\x9F\x98\x80x");
    EXPECT_EQ(v->AsArray()[1].AsString(), "\xC3\xA9\xF0\x9F\x98\x80");
    EXPECT_EQ(v->AsArray()[2].AsString(), "\xEF\xBF\xBD");  // lone surrogate

    JsonValue out;
    out.Set("s", std::string("q\"\\\x01\n", 5)).Set("n", -5).Set("b", false);
    out.Set("n", 7);
    EXPECT_EQ(WriteJson(out), R"({"s":"q\"\\\u0001\n","n":7,"b":false})");
    EXPECT_EQ(ParseJson(WriteJson(out)), out);

    EXPECT_EQ(WriteJson(JsonValue("a\xFF")), "\"a\xEF\xBF\xBD\"");
}

TEST(Json, IntegersUseAll64BitsAndNoMore) {
    EXPECT_EQ(ParseJson("9223372036854775807")->AsInt(), INT64_MAX);
    EXPECT_EQ(ParseJson("-9223372036854775808")->AsInt(), INT64_MIN);
    EXPECT_FALSE(ParseJson("9223372036854775808"));
    EXPECT_FALSE(ParseJson("-9223372036854775809"));
    EXPECT_FALSE(ParseJson("99999999999999999999999"));
}

TEST(Json, RefusesMalformedText) {
    for (const char* bad : {"",           "{",         "[1,]",
                            "{\"a\":1,}", "{\"a\" 1}", "{a:1}",
                            "01",         "1.5",       "1e3",
                            "-",          "tru",       "nul",
                            "\"abc",      "\"a\x01\"", "\"\\x\"",
                            "\"\\u12\"",  "[1] x",     "{\"a\":1}{}",
                            "'a'",        "\"\xC3\"",  "\"\xED\xA0\x80\""}) {
        EXPECT_FALSE(ParseJson(bad)) << bad;
    }
}

TEST(Json, NestingIsLimited) {
    const std::string ok = std::string(64, '[') + std::string(64, ']');
    const std::string deep = std::string(65, '[') + std::string(65, ']');
    EXPECT_TRUE(ParseJson(ok));
    EXPECT_FALSE(ParseJson(deep));
    EXPECT_FALSE(ParseJson(std::string(100000, '[')));
    EXPECT_FALSE(ParseJson(std::string(100000, '{')));
}

}  // namespace
}  // namespace veltra
