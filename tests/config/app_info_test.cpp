#include "config/app_info.h"

#include <gtest/gtest.h>

#include "shell/app_folders.h"
#include "support/temp_dir.h"

namespace veltra {
namespace {

TEST(ThemeColourTest, ReadsPairsByTheLengthAfterTheFirstCharacter) {
    EXPECT_EQ(ParseThemeColour("#1E90FF"), 0xFF1E90FFu);
    EXPECT_EQ(ParseThemeColour("#FF8000"), 0xFFFF8000u);
    EXPECT_EQ(ParseThemeColour("FF8000"), 0xFFF80000u);  // n = 5: F8, 00, 0
    EXPECT_EQ(ParseThemeColour("#ABC"), 0xFFAB0C00u);
    EXPECT_EQ(ParseThemeColour("#ABCD"), 0xFFABCD00u);
    EXPECT_EQ(ParseThemeColour("#AB"), 0xFFAB0000u);
    EXPECT_EQ(ParseThemeColour(""), 0xFF000000u);
    EXPECT_EQ(ParseThemeColour("#"), 0xFF000000u);
    EXPECT_EQ(ParseThemeColour("#A"), 0xFF000000u);
    EXPECT_EQ(ParseThemeColour("#1234567"), 0xFF000000u);
}

TEST(ThemeColourTest, NonHexadecimalCharactersEndTheirNumber) {
    EXPECT_EQ(ParseThemeColour("#1G2G3G"), 0xFF010203u);
    EXPECT_EQ(ParseThemeColour("#zz10zz"), 0xFF001000u);
    EXPECT_EQ(ParseThemeColour("#-1-1-1"), 0xFFFFFFFFu);  // a sign is taken; the byte is kept
    // Positions count characters, so a non-ASCII first character is dropped whole.
    EXPECT_EQ(ParseThemeColour("配1E90FF"), 0xFF1E90FFu);
}

TEST(StartupValuesTest, FindsSoftwareAnywhereInsideConfig) {
    test::TempDir dir;
    test::WriteFile(dir / "config.xml",
                    "<config><software caption=\"Example\" themecolor=\"#FF8000\"/>"
                    "<device/></config>");
    const auto values = ReadStartupValues(dir / "config.xml");
    ASSERT_TRUE(values);
    EXPECT_EQ(values->caption, "Example");
    EXPECT_EQ(values->theme_colour, 0xFFFF8000u);
}

TEST(StartupValuesTest, MissingAttributesGiveEmptyCaptionAndBlack) {
    test::TempDir dir;
    test::WriteFile(dir / "config.xml", "<config><device/><software/></config>");
    const auto values = ReadStartupValues(dir / "config.xml");
    ASSERT_TRUE(values);
    EXPECT_EQ(values->caption, "");
    EXPECT_EQ(values->theme_colour, 0xFF000000u);
}

TEST(StartupValuesTest, NothingToRegisterWithoutFileConfigOrSoftware) {
    test::TempDir dir;
    EXPECT_FALSE(ReadStartupValues(dir / "config.xml"));
    test::WriteFile(dir / "config.xml", "<config><device/></config>");
    EXPECT_FALSE(ReadStartupValues(dir / "config.xml"));
    test::WriteFile(dir / "config.xml", "<other><software caption=\"x\"/></other>");
    EXPECT_FALSE(ReadStartupValues(dir / "config.xml"));
    test::WriteFile(dir / "config.xml", "<config><software caption=\"x\"");
    EXPECT_FALSE(ReadStartupValues(dir / "config.xml"));
}

TEST(StartupValuesTest, LoadRegistersTheCaptionOnlyWhenFound) {
    test::TempDir dir;
    test::ScopedEnv folder("VELTRA_PROGRAM_FOLDER", dir.path().string());
    SetApplicationCaption("previous");
    EXPECT_FALSE(LoadStartupValues());
    EXPECT_EQ(ApplicationCaption(), "previous");
    test::WriteFile(dir / "config.xml", "<config><software caption=\"Example\"/></config>");
    EXPECT_TRUE(LoadStartupValues());
    EXPECT_EQ(ApplicationCaption(), "Example");
    SetApplicationCaption("");
}

}  // namespace
}  // namespace veltra
