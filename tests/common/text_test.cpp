#include "common/text.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <optional>

namespace veltra {
namespace {

TEST(TextTest, Utf16CountsCodeUnitsNotBytes) {
    EXPECT_EQ(Utf16Length("abc"), 3u);
    EXPECT_EQ(Utf16Length("配置方案"), 4u);          // 12 bytes, 4 units
    EXPECT_EQ(Utf16Length("\xF0\x9F\x96\xB1"), 2u);  // U+1F5B1, a surrogate pair
}

TEST(TextTest, TruncateNeverSplitsACharacter) {
    EXPECT_EQ(TruncateUtf16("配置方案", 2), "配置");
    EXPECT_EQ(TruncateUtf16("a\xF0\x9F\x96\xB1z", 2), "a");  // the pair does not fit
    EXPECT_EQ(TruncateUtf16("a\xF0\x9F\x96\xB1z", 3), "a\xF0\x9F\x96\xB1");
    EXPECT_EQ(TruncateUtf16("short", 259), "short");
}

TEST(TextTest, DropPrefixCountsUnits) {
    EXPECT_EQ(DropUtf16Prefix("Profile 1", 7), " 1");
    EXPECT_EQ(DropUtf16Prefix("配置方案1", 4), "1");
    EXPECT_EQ(DropUtf16Prefix("ab", 7), "");
}

TEST(TextTest, RoundTripsThroughUtf16) {
    const std::string text = "Maus \xC3\xA4 配置 \xF0\x9F\x96\xB1";
    EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(text)), text);
}

TEST(TextTest, MalformedUtf8IsDetectedAndReplaced) {
    EXPECT_TRUE(IsValidUtf8("plain ascii"));
    EXPECT_TRUE(IsValidUtf8("配置"));
    EXPECT_FALSE(IsValidUtf8("caf\xE9"));       // Windows-1252 e-acute
    EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));      // overlong '/'
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));  // encoded surrogate
    EXPECT_FALSE(IsValidUtf8("\xE6\x96"));      // truncated sequence
    EXPECT_EQ(Utf8ToUtf16("a\xFF"
                          "b"),
              std::u16string(u"a\uFFFDb"));
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}

TEST(TextTest, Windows1252MapsTheHighHalf) {
    EXPECT_EQ(Windows1252ToUtf8("caf\xE9"), "caf\xC3\xA9");
    EXPECT_EQ(Windows1252ToUtf8("\x80"), "\xE2\x82\xAC");  // euro sign
    EXPECT_EQ(Windows1252ToUtf8("\x81"), "\xC2\x81");      // undefined byte kept as C1
}

TEST(TextTest, NumbersStopAtTheFirstInvalidCharacter) {
    EXPECT_EQ(ParseDecimal("123abc"), 123);
    EXPECT_EQ(ParseDecimal("  -42"), -42);
    EXPECT_EQ(ParseDecimal("abc"), 0);
    EXPECT_EQ(ParseDecimal(""), 0);
    EXPECT_EQ(ParseDecimal("99999999999999999999999"), LONG_MAX);
    EXPECT_EQ(ParseHex("1A2B"), 0x1A2B);
    EXPECT_EQ(ParseHex("00FF"), 0xFF);
    EXPECT_EQ(ParseHex("0x1f"), 0x1F);
    EXPECT_EQ(ParseHex("12G4"), 0x12);
    EXPECT_EQ(ParseHex("0xZ"), 0);  // a prefix without digits is the number 0
    EXPECT_EQ(ParseDecimal("-99999999999999999999999"), LONG_MIN);
    EXPECT_EQ(ParseDecimal("\t+7 "), 7);
    EXPECT_EQ(ParseDecimal("- 7"), 0);
}

TEST(TextTest, WholeNumbersAreTheWholeTextAndFitTheirType) {
    EXPECT_EQ(ParseInteger("-42"), -42L);
    EXPECT_EQ(ParseInteger("+7"), 7L);
    for (const char* bad : {"", "+", "-", " 1", "1 ", "1x", "+-1", "0x10", "1.0", "１"}) {
        EXPECT_EQ(ParseInteger(bad), std::nullopt) << bad;
    }
    EXPECT_EQ(ParseInteger<std::uint16_t>("65535"), 65535);
    EXPECT_EQ(ParseInteger<std::uint16_t>("65536"), std::nullopt);
    EXPECT_EQ(ParseInteger<std::uint16_t>("-1"), std::nullopt);
    EXPECT_EQ(ParseInteger<std::uint16_t>("-0"), 0);
    EXPECT_EQ(ParseInteger<std::int8_t>("-128"), -128);
    EXPECT_EQ(ParseInteger<std::int8_t>("-129"), std::nullopt);
    EXPECT_EQ(ParseInteger<std::int64_t>("-9223372036854775808"), INT64_MIN);
    EXPECT_EQ(ParseInteger<std::int64_t>("9223372036854775808"), std::nullopt);
    EXPECT_EQ(ParseInteger<std::uint64_t>("18446744073709551615"), UINT64_MAX);
    EXPECT_EQ(ParseInteger<std::uint64_t>("18446744073709551616"), std::nullopt);

    // Base 16 takes an optional prefix; base 0 reads decimal unless the prefix is there.
    EXPECT_EQ(ParseInteger<std::uint16_t>("F5d5", 16), 0xF5D5);
    EXPECT_EQ(ParseInteger<std::uint16_t>("0XF5D5", 16), 0xF5D5);
    EXPECT_EQ(ParseInteger<std::uint16_t>("0x", 16), std::nullopt);
    EXPECT_EQ(ParseInteger<std::uint16_t>("0x1209", 0), 0x1209);
    EXPECT_EQ(ParseInteger<std::uint16_t>("1209", 0), 1209);
    EXPECT_EQ(ParseInteger<std::uint16_t>("F5D5", 0), std::nullopt);
    EXPECT_EQ(ParseInteger<int>("-0x10", 0), -16);
}

TEST(TextTest, AsciiCaseAndTrim) {
    EXPECT_TRUE(EqualsIgnoreAsciiCase("LAN", "lan"));
    EXPECT_FALSE(EqualsIgnoreAsciiCase("LAN", "LANG"));
    EXPECT_EQ(TrimAsciiSpace("  key \t"), "key");
    EXPECT_EQ(TrimAsciiSpace(" \r\n"), "");
}

TEST(TextTest, DecodesUtf16BytesOfEitherOrder) {
    EXPECT_EQ(Utf16BytesToUtf8(std::string("\x4D\x91\x41\x00", 4), true), "配A");
    EXPECT_EQ(Utf16BytesToUtf8(std::string("\x91\x4D\x00\x41\x00", 5), false), "配A");
    EXPECT_EQ(Utf16BytesToUtf8(std::string("\x3D\xD8", 2), true),
              "\xEF\xBF\xBD");  // lone surrogate
    EXPECT_EQ(SanitizeUtf8("ok"), "ok");
    EXPECT_EQ(SanitizeUtf8("a\xC3"), "a\xEF\xBF\xBD");
}

}  // namespace
}  // namespace veltra
