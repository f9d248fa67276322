#include "frontend/setting_rules.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "device/command_protocol.h"

namespace veltra {
namespace {

using Rows = std::vector<std::pair<std::string, std::string>>;

constexpr int kFirstFamily = 301;   // levels 0..6 up to 6400, level 7 from 1000 up to 12800
constexpr int kSecondFamily = 101;  // device types 100..200: every level up to 12000

bool Accepted(std::string_view key, std::string_view value, int device_type) {
    return CheckSetting(key, value, device_type).error.empty();
}

TEST(SettingRules, DpiRangesAndStepsDependOnFamilyAndLevel) {
    EXPECT_TRUE(Accepted("dpi_group0_value", "500", kFirstFamily));
    EXPECT_FALSE(Accepted("dpi_group0_value", "450", kFirstFamily));
    EXPECT_TRUE(Accepted("dpi_group6_value", "6400", kFirstFamily));
    EXPECT_FALSE(Accepted("dpi_group6_value", "6450", kFirstFamily));
    EXPECT_FALSE(Accepted("dpi_group3_value", "1225", kFirstFamily));
    // The last level travels in hundreds and starts higher.
    EXPECT_TRUE(Accepted("dpi_group7_value", "12800", kFirstFamily));
    EXPECT_FALSE(Accepted("dpi_group7_value", "950", kFirstFamily));
    EXPECT_FALSE(Accepted("dpi_group7_value", "1050", kFirstFamily));

    EXPECT_TRUE(Accepted("dpi_group0_value", "12000", kSecondFamily));
    EXPECT_FALSE(Accepted("dpi_group0_value", "12050", kSecondFamily));
    EXPECT_TRUE(Accepted("dpi_group7_value", "500", kSecondFamily));
    EXPECT_FALSE(Accepted("dpi_group7_value", "550", kSecondFamily));
    EXPECT_FALSE(Accepted("dpi_group2_value", "0", kSecondFamily));
}

// The window's slider and veltractl accept the same values: every position the slider can
// reach, and nothing beyond its ends.
TEST(SettingRules, EverySliderPositionIsAValueTheRulesAccept) {
    struct Case {
        int device_type;
        int level;
        int low_dpi;
        int high_dpi;
        int step;
    };
    const Case cases[] = {
        {kSecondFamily, 0, 500, 12000, 1},
        {kSecondFamily, 7, 500, 12000, 2},
        {kFirstFamily, 0, 500, 6400, 1},
        {kFirstFamily, 6, 500, 6400, 1},
        {kFirstFamily, 7, 1000, 12800, 2},
        {200, 3, 500, 12000, 1},
        {99, 3, 500, 6400, 1},
    };
    for (const Case& c : cases) {
        const DpiSliderRange range = DpiSliderRangeFor(c.device_type, c.level);
        EXPECT_EQ(range.LowDpi(), c.low_dpi) << c.device_type << "/" << c.level;
        EXPECT_EQ(range.HighDpi(), c.high_dpi) << c.device_type << "/" << c.level;
        EXPECT_EQ(range.step, c.step) << c.device_type << "/" << c.level;
        const std::string key = "dpi_group" + std::to_string(c.level) + "_value";
        for (int progress = range.lower; progress <= range.upper; progress += range.step) {
            EXPECT_TRUE(Accepted(key, std::to_string(progress * 50), c.device_type))
                << key << " " << progress * 50;
        }
        EXPECT_FALSE(Accepted(key, std::to_string(c.low_dpi - 50), c.device_type));
        EXPECT_FALSE(Accepted(key, std::to_string(c.high_dpi + 50), c.device_type));
    }
}

TEST(SettingRules, CompanionRowsTravelWithTheirSetting) {
    EXPECT_EQ(CheckSetting("report_rate", "2", kFirstFamily).rows,
              (Rows{{"report_rate", "2"}, {"report_rate_wireless", "2"}}));
    EXPECT_EQ(
        CheckSetting("dpi_group3_rgbindex", "6", kFirstFamily).rows,
        (Rows{{"dpi_group3_rgbindex", "6"}, {"dpi_group3_rgb", std::to_string(PaletteColour(6))}}));
    // A colour is accepted only as one of the palette's, and names its index.
    const std::uint32_t colour = PaletteColour(11);
    EXPECT_EQ(CheckSetting("dpi_group1_rgb", ColourText(colour), kFirstFamily).rows,
              (Rows{{"dpi_group1_rgb", std::to_string(colour)}, {"dpi_group1_rgbindex", "11"}}));
    EXPECT_FALSE(Accepted("dpi_group1_rgb", "#123457", kFirstFamily));
    EXPECT_FALSE(Accepted("dpi_group1_rgbindex", "16", kFirstFamily));
}

TEST(SettingRules, RefusesWhatIsNotAStoredSetting) {
    EXPECT_FALSE(Accepted("version", "1.0.2", kFirstFamily));
    EXPECT_FALSE(Accepted("no_such_key", "1", kFirstFamily));
    EXPECT_FALSE(Accepted("game_mode", "1.5", kFirstFamily));
    EXPECT_FALSE(Accepted("game_mode", "", kFirstFamily));
    EXPECT_FALSE(Accepted("game_mode", "2", kFirstFamily));
    EXPECT_FALSE(Accepted("doubleclick_time", "199", kFirstFamily));
    EXPECT_TRUE(Accepted("doubleclick_time", "+900", kFirstFamily));
    const std::vector<std::string> keys = SettingKeys(kFirstFamily);
    EXPECT_EQ(keys.size(), 58U);
    EXPECT_EQ(std::count(keys.begin(), keys.end(), "version"), 0);
}

TEST(SettingRules, ReportRatesByHertz) {
    EXPECT_EQ(ReportRateCode("1000"), 0);
    EXPECT_EQ(ReportRateCode("500Hz"), 1);
    EXPECT_EQ(ReportRateCode("250HZ"), 2);
    EXPECT_EQ(ReportRateCode("125"), 3);
    EXPECT_EQ(ReportRateCode("133"), std::nullopt);
    EXPECT_EQ(ReportRateCode("Hz"), std::nullopt);
}

TEST(SettingRules, ColoursAreShownRedFirst) {
    EXPECT_EQ(ColourText(0x0000FF), "#FF0000");
    EXPECT_EQ(ColourText(0xFF7F00), "#007FFF");
}

}  // namespace
}  // namespace veltra
