#include "device/command_protocol.h"

#include <gtest/gtest.h>

#include <numeric>

namespace veltra {
namespace {

std::array<std::uint8_t, 64> ConfigAnswer() {
    std::array<std::uint8_t, 64> p{};
    p[0] = 0x55;
    p[1] = 0xAA;
    p[2] = 0x01;
    p[3] = 0x20;
    p[23] = 0xFF;
    return p;
}

TEST(CommandProtocolTest, RequestFramesCarryHeaderAndZeros) {
    const Frame f = BuildCommandFrame(Command::ReadConfig);
    EXPECT_EQ(f[0], 0x00);
    EXPECT_EQ(f[1], 0x55);
    EXPECT_EQ(f[2], 0xAA);
    EXPECT_EQ(f[3], 0x01);
    EXPECT_EQ(std::accumulate(f.begin() + 4, f.end(), 0), 0);
}

TEST(CommandProtocolTest, LengthByteFollowsTheNarrowFamilyRange) {
    EXPECT_EQ(ConfigLengthByte(99), 0x21);
    EXPECT_EQ(ConfigLengthByte(100), 0x20);
    EXPECT_EQ(ConfigLengthByte(150), 0x20);
    EXPECT_EQ(ConfigLengthByte(199), 0x20);
    EXPECT_EQ(ConfigLengthByte(200), 0x21);
    EXPECT_EQ(ConfigLengthByte(250), 0x21);
}

TEST(CommandProtocolTest, BatteryRule) {
    StatusBlock full{};
    full[0] = 0xC0;
    full[1] = 12;
    BatteryInfo b = ApplyBatteryRule(full);
    EXPECT_EQ(b.level, 100);
    EXPECT_FALSE(b.charging);
    EXPECT_EQ(full[1], 100);  // the kept block is corrected too

    StatusBlock charging{};
    charging[0] = 0x80;
    charging[1] = 37;
    b = ApplyBatteryRule(charging);
    EXPECT_EQ(b.level, 37);
    EXPECT_TRUE(b.charging);

    StatusBlock battery{};
    battery[1] = 37;
    b = ApplyBatteryRule(battery);
    EXPECT_EQ(b.level, 37);
    EXPECT_FALSE(b.charging);

    StatusBlock complete_only{};  // bit 6 without external power means nothing
    complete_only[0] = 0x40;
    complete_only[1] = 50;
    b = ApplyBatteryRule(complete_only);
    EXPECT_EQ(b.level, 50);
    EXPECT_FALSE(b.charging);
}

TEST(CommandProtocolTest, ColourPlanesAndPalette) {
    const std::array<std::uint8_t, 4> planes{0x01, 0x00, 0x00, 0x00};
    EXPECT_EQ(GetColourIndex(planes, 0), 1);
    EXPECT_EQ(PaletteColour(GetColourIndex(planes, 0)), 0x0000FFu);
    for (int level = 1; level < 8; ++level) {
        EXPECT_EQ(GetColourIndex(planes, level), 0);
    }
    EXPECT_EQ(PaletteColour(0), 0xFFFFFFu);
    EXPECT_EQ(PaletteColour(15), 0x3F00FFu);
    EXPECT_EQ(PaletteColour(16), 0x0000FFu);
    EXPECT_EQ(PaletteColour(-1), 0x0000FFu);

    std::array<std::uint8_t, 4> built{};
    for (int level = 0; level < 8; ++level) {
        SetColourIndex(built, level, (level * 5 + 3) & 15);
    }
    for (int level = 0; level < 8; ++level) {
        EXPECT_EQ(GetColourIndex(built, level), (level * 5 + 3) & 15);
    }
    const auto before = built;
    SetColourIndex(built, 16, 3);
    SetColourIndex(built, 2, 16);
    SetColourIndex(built, 9, 3);
    EXPECT_EQ(built, before);
}

TEST(CommandProtocolTest, DecodeUsesFiftyAndHundredDpiUnits) {
    auto p = ConfigAnswer();
    p[4] = 0b101'011'10;    // level 5, idle light 3, rate code 2
    p[5] = 0b000'0'1'1'01;  // key wake-up on, game mode off
    p[28 + 3] = 0x80;
    p[28 + 7] = 0x80;
    p[28 + 0] = 0;
    const ConfigFields f = DecodeConfigBlock(p);
    EXPECT_EQ(f.report_rate, 2);
    EXPECT_EQ(f.sleep_light, 3);
    EXPECT_EQ(f.dpi_index, 5);
    EXPECT_EQ(f.spare_time, 1);
    EXPECT_EQ(f.key_wakeup, 1);
    EXPECT_EQ(f.game_mode, 0);
    EXPECT_EQ(f.lightmode, 0);  // written only, never read back
    EXPECT_EQ(f.dpi_flag, 0xFF);
    EXPECT_EQ(f.dpi_value[3], 6400);
    EXPECT_EQ(f.dpi_value[7], 12800);
    EXPECT_EQ(f.dpi_value[0], 0);

    p[5] = 0b000'1'0'0'10;
    const ConfigFields g = DecodeConfigBlock(p);
    EXPECT_EQ(g.key_wakeup, 0);
    EXPECT_EQ(g.game_mode, 1);
    EXPECT_EQ(g.spare_time, 2);
}

TEST(CommandProtocolTest, DecodeOfAShortPayloadGivesNothing) {
    const std::array<std::uint8_t, 10> shortp{};
    const ConfigFields f = DecodeConfigBlock(shortp);
    EXPECT_EQ(f.dpi_flag, 0);
}

TEST(CommandProtocolTest, SettingsWriteTruncatesDpiAndKeepsForeignBytes) {
    ConfigTemplate tmpl{};
    for (std::size_t i = 0; i < tmpl.size(); ++i) {
        tmpl[i] = static_cast<std::uint8_t>(0xA0 + i);
    }
    ConfigFields f;
    f.report_rate = 1;
    f.sleep_light = 2;
    f.dpi_index = 7;
    f.spare_time = 3;
    f.lightmode = 3;  // only bit 0 counts
    f.key_wakeup = 1;
    f.game_mode = 0;
    f.dpi_flag = 0x1FF;
    f.dpi_value = {400, 800, 6449, 1600, 3200, 50, 100, 12799};
    f.rgb_index = {1, 0, 0, 0, 0, 0, 0, 15};
    const ConfigTemplate original = tmpl;
    const Frame frame = EncodeSettingsWrite(tmpl, f, 150);

    EXPECT_EQ(frame[0], 0x00);
    EXPECT_EQ(frame[1], 0x55);
    EXPECT_EQ(frame[2], 0xAA);
    EXPECT_EQ(frame[3], 0x02);
    EXPECT_EQ(frame[4], 0x20);
    EXPECT_EQ(frame[5], (7 << 5) | (2 << 2) | 1);
    EXPECT_EQ(frame[6], (1 << 3) | (1 << 2) | 3);
    EXPECT_EQ(frame[1 + 23], 0xFF);
    EXPECT_EQ(frame[1 + 28 + 2], 128);  // 6449 / 50
    EXPECT_EQ(frame[1 + 35], 127);      // 12799 / 100
    // Level 0 has index 1 (plane 0 only), level 7 index 15 (every plane).
    EXPECT_EQ(frame[1 + 24], 0x81);
    EXPECT_EQ(frame[1 + 25], 0x80);
    EXPECT_EQ(frame[1 + 26], 0x80);
    EXPECT_EQ(frame[1 + 27], 0x80);
    EXPECT_EQ(frame[64], 0x00);  // payload byte 63 is never carried over
    for (int b = 6; b <= 22; ++b) {
        EXPECT_EQ(frame[1 + b], original[b]) << "payload byte " << b;
    }
    for (int b = 36; b <= 62; ++b) {
        EXPECT_EQ(frame[1 + b], original[b]) << "payload byte " << b;
    }
    // Owned bytes went back into the template, foreign ones stayed.
    EXPECT_EQ(tmpl[4], frame[5]);
    EXPECT_EQ(tmpl[35], 127);
    EXPECT_EQ(tmpl[0], original[0]);
    EXPECT_EQ(tmpl[6], original[6]);
}

TEST(CommandProtocolTest, WriteBeforeAnyReadSendsZeroKeys) {
    ConfigTemplate tmpl{};
    ConfigFields f;
    f.dpi_flag = 1;
    const Frame frame = EncodeSettingsWrite(tmpl, f, 101);
    for (int b = 6; b <= 18; ++b) {
        EXPECT_EQ(frame[1 + b], 0);
    }
}

TEST(CommandProtocolTest, KeyWriteBuildsMaskAndKeepsOtherSettings) {
    ConfigTemplate tmpl{};
    tmpl[5] = 0x1B;
    tmpl[23] = 0x0F;
    tmpl[40] = 0x77;
    std::array<std::uint8_t, 128> codes{};
    codes[2] = 0x01;  // key code 1
    codes[3] = 0x02;
    codes[6] = 0x02;  // key code 3
    codes[7] = 0x04;
    codes[8] = 0x00;   // key code 4 stays factory: 00 00
    codes[12] = 0x10;  // key code 6 has no slot in the block
    ConfigFields f;
    f.dpi_index = 2;
    f.report_rate = 3;
    Frame frame = EncodeKeyWrite(tmpl, codes, f, 301);
    EXPECT_EQ(frame[4], 0x21);
    EXPECT_EQ(frame[1 + 6], 0x0A);
    EXPECT_EQ(frame[1 + 9], 0x01);
    EXPECT_EQ(frame[1 + 10], 0x02);
    EXPECT_EQ(frame[1 + 5], 0x1B);
    EXPECT_EQ(frame[1 + 19], 0x00);
    EXPECT_EQ(frame[1 + 23], 0x0F);
    EXPECT_EQ(frame[1 + 40], 0x77);
    EXPECT_EQ(frame[1 + 4], (2 << 5) | 3);
    EXPECT_EQ(tmpl[6], 0x0A);
    EXPECT_EQ(tmpl[4], 0x00);  // the rate byte is sent but not kept

    // The last slot counts like the others; either of its bytes sets its bit.
    codes = {};
    codes[11] = 0x05;
    frame = EncodeKeyWrite(tmpl, codes, f, 301);
    EXPECT_EQ(frame[1 + 6], 0x20);
    EXPECT_EQ(frame[1 + 18], 0x05);
    codes[10] = 0x71;
    codes[11] = 0x00;
    frame = EncodeKeyWrite(tmpl, codes, f, 301);
    EXPECT_EQ(frame[1 + 6], 0x20);
    EXPECT_EQ(frame[1 + 17], 0x71);
    for (int b = 6; b <= 18; ++b) {
        EXPECT_EQ(tmpl[b], frame[1 + b]) << "payload byte " << b;
    }
}

TEST(CommandProtocolTest, EachWriteKeepsWhatItSentForTheOtherKind) {
    ConfigTemplate tmpl{};
    ConfigFields f;
    f.spare_time = 2;
    f.lightmode = 1;
    f.key_wakeup = 1;
    f.game_mode = 1;
    f.dpi_flag = 0x03;
    const Frame settings = EncodeSettingsWrite(tmpl, f, 101);
    ASSERT_EQ(settings[1 + 5], 0x1E);
    std::array<std::uint8_t, 128> codes{};
    codes[0] = 0x10;
    codes[1] = 0x04;
    codes[10] = 0x10;
    codes[11] = 0x02;
    const Frame keys = EncodeKeyWrite(tmpl, codes, f, 101);
    // A key write sends the power and lighting bits of the last settings write...
    EXPECT_EQ(keys[1 + 5], settings[1 + 5]);
    for (int b = 23; b <= 35; ++b) {
        EXPECT_EQ(keys[1 + b], settings[1 + b]) << "payload byte " << b;
    }
    // ...and the next settings write the button codes of the key write.
    const Frame again = EncodeSettingsWrite(tmpl, f, 101);
    for (int b = 6; b <= 18; ++b) {
        EXPECT_EQ(again[1 + b], keys[1 + b]) << "payload byte " << b;
    }
    EXPECT_EQ(again[1 + 6], 0x21);
}

TEST(CommandProtocolTest, RoundTripKeepsEveryByteTheWriteDoesNotOwn) {
    auto answer = ConfigAnswer();
    for (std::size_t i = 4; i < answer.size(); ++i) {
        answer[i] = static_cast<std::uint8_t>(i * 37 + 11);
    }
    answer[23] = 0x5A;
    answer[5] &= 0x1B;  // bits 5-7 are zero on the mouse, bit 2 is lighting
    ConfigTemplate tmpl{};
    std::copy(answer.begin(), answer.begin() + kConfigTemplateSize, tmpl.begin());
    ConfigFields f = DecodeConfigBlock(answer);
    f.lightmode = (answer[5] >> 2) & 1;
    for (int i = 0; i < kDpiLevels; ++i) {
        ASSERT_NE(f.dpi_value[i], 0);
    }
    const Frame frame = EncodeSettingsWrite(tmpl, f, 101);
    for (int b = 4; b <= 62; ++b) {
        EXPECT_EQ(frame[1 + b], answer[b]) << "payload byte " << b;
    }
}

}  // namespace
}  // namespace veltra
