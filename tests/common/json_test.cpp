#include "common/json.h"

#include <gtest/gtest.h>

#include <string>

namespace veltra {
namespace {

TEST(Json, MembersAreReadCheckedAndNeverThrow) {
    const auto v = DecodeJson(
        R"( {"interfaces":[{"path":"/dev/hidraw3","vendor_id":6699}],"neg":-12,"big":9223372036854775807} )");
    ASSERT_TRUE(v);
    const Json* list = FindMember(*v, "interfaces");
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(StringMember(list->at(0), "path"), "/dev/hidraw3");
    EXPECT_EQ(IntMember(list->at(0), "vendor_id"), 6699);
    EXPECT_EQ(IntMember(*v, "neg"), -12);
    EXPECT_EQ(IntMember(*v, "big"), INT64_MAX);
    EXPECT_EQ(IntMember(*v, "missing"), std::nullopt);
    EXPECT_EQ(StringMember(*v, "neg"), std::nullopt);
    EXPECT_EQ(IntMember(*list, "path"), std::nullopt);  // an array has no members
    EXPECT_EQ(FindMember(Json(5), "x"), nullptr);
    // Values this program builds can hold more than the decoder lets in.
    EXPECT_EQ(IntMember(Json{{"u", UINT64_MAX}}, "u"), std::nullopt);
}

TEST(Json, OnlyIntegersOf64BitsAreNumbers) {
    EXPECT_EQ(DecodeJson("-9223372036854775808"), Json(INT64_MIN));
    for (const char* bad :
         {"9223372036854775808", "-9223372036854775809", "99999999999999999999999", "1.5", "1e3",
          "-0.0", "[1,2.5]", R"({"a":{"b":1E2}})"}) {
        EXPECT_FALSE(DecodeJson(bad)) << bad;
    }
}

TEST(Json, RefusesMalformedTextAndInvalidUtf8) {
    for (const char* bad :
         {"", "{", "[1,]", "{\"a\":1,}", "{a:1}", "01", "tru", "\"abc", "\"a\x01\"", "\"\\u12\"",
          "[1] x", "{\"a\":1}{}", "'a'", "\"\xC3\"", "\"\xED\xA0\x80\"", "\"\\ud800\""}) {
        EXPECT_FALSE(DecodeJson(bad)) << bad;
    }
    EXPECT_EQ(DecodeJson(R"("\ud83d\ude00")"), Json("\xF0\x9F\x98\x80"));
}

TEST(Json, NestingAndLengthAreLimited) {
    const std::string ok = std::string(64, '[') + std::string(64, ']');
    const std::string deep = std::string(65, '[') + std::string(65, ']');
    EXPECT_TRUE(DecodeJson(ok));
    EXPECT_FALSE(DecodeJson(deep));
    EXPECT_FALSE(DecodeJson(std::string(100000, '[') + std::string(100000, ']')));
    EXPECT_FALSE(DecodeJson(R"({"a":)" + deep + "}"));
    EXPECT_FALSE(DecodeJson(R"({"a":1})", {.max_depth = 0}));

    const std::string line = "\"" + std::string(98, 'x') + "\"";
    EXPECT_TRUE(DecodeJson(line, {.max_length = 100}));
    EXPECT_FALSE(DecodeJson(line + " ", {.max_length = 100}));
}

TEST(Json, EncodingIsOneLineInBuildOrderWithInvalidUtf8Replaced) {
    Json out = {{"s", std::string("q\"\\\x01\n", 5)}, {"n", -5}, {"b", false}};
    out["n"] = 7;
    EXPECT_EQ(EncodeJson(out), R"({"s":"q\"\\\u0001\n","n":7,"b":false})");
    EXPECT_EQ(DecodeJson(EncodeJson(out)), out);
    EXPECT_EQ(EncodeJson(Json("a\xFF")), "\"a\xEF\xBF\xBD\"");
}

}  // namespace
}  // namespace veltra
