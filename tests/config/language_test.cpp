#include "config/language.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "shell/app_folders.h"
#include "shell/settings_key.h"
#include "support/temp_dir.h"

namespace veltra {
namespace {

namespace fs = std::filesystem;

class LanguageTest : public ::testing::Test {
  protected:
    LanguageTest() : program_("VELTRA_PROGRAM_FOLDER", dir_.path().string()) {
        fs::create_directories(dir_ / "language");
        SetCurrentLanguageId(1033);
    }
    ~LanguageTest() override { SetCurrentLanguageId(kSimplifiedChinese); }

    void WriteLanguage(int id, const std::string& bytes) const {
        test::WriteFile(dir_ / "language" / (std::to_string(id) + ".lan"), bytes);
    }

    test::TempDir dir_;
    test::ScopedEnv program_;
};

TEST_F(LanguageTest, ReadsTheFileOfTheCurrentLanguageOnEveryCall) {
    WriteLanguage(1033, "[LAN]\r\n60=Profile\r\n");
    WriteLanguage(2052, "[LAN]\r\n60=配置方案\r\n");
    EXPECT_EQ(GetLangText(60), "Profile");
    SetCurrentLanguageId(2052);
    EXPECT_EQ(GetLangText(60), "配置方案");
    WriteLanguage(2052, "[LAN]\r\n60=方案\r\n");
    EXPECT_EQ(GetLangText(60), "方案");  // nothing is cached
    EXPECT_EQ(LanguageFilePath(2052), dir_ / "language" / "2052.lan");
}

TEST_F(LanguageTest, MissingFileSectionOrKeyGivesEmptyText) {
    WriteLanguage(1033, "[OTHER]\n60=elsewhere\n[LAN]\n61=x\n");
    EXPECT_EQ(GetLangText(60), "");
    EXPECT_EQ(GetLangText(60, "OTHER"), "elsewhere");
    EXPECT_EQ(GetLangText(60, "NONE"), "");
    SetCurrentLanguageId(1031);  // no file for it
    EXPECT_EQ(GetLangText(61), "");
}

TEST_F(LanguageTest, CutsLongTextsTo259Characters) {
    WriteLanguage(
        1033, "[LAN]\n1=" + std::string(300, 'x') + "\n2=" +
                  [] {
                      std::string s;
                      for (int i = 0; i < 300; ++i) {
                          s += "配";
                      }
                      return s;
                  }() +
                  "\n3=" + std::string(258, 'x') + "\xF0\x9F\x96\xB1" + "\n");
    EXPECT_EQ(GetLangText(1), std::string(259, 'x'));
    const std::string chinese = GetLangText(2);
    EXPECT_EQ(chinese.size(), 259u * 3u);
    EXPECT_EQ(chinese.substr(0, 3), "配");
    EXPECT_EQ(GetLangText(3), std::string(258, 'x'));  // a surrogate pair is never split
}

TEST_F(LanguageTest, DecodesEveryFileEncoding) {
    const std::string body = "[LAN]\r\n1=配置 Ä\r\n";
    std::u16string units = u"[LAN]\r\n1=配置 Ä\r\n";
    std::string utf16 = "\xFF\xFE";
    for (const char16_t unit : units) {
        utf16 += static_cast<char>(unit & 0xFF);
        utf16 += static_cast<char>(unit >> 8);
    }
    WriteLanguage(1033, utf16);
    EXPECT_EQ(GetLangText(1), "配置 Ä");
    WriteLanguage(1033, "\xEF\xBB\xBF" + body);
    EXPECT_EQ(GetLangText(1), "配置 Ä");
    WriteLanguage(1033, body);
    EXPECT_EQ(GetLangText(1), "配置 Ä");
    WriteLanguage(1033, "[LAN]\n1=Caf\xE9 \x80\n");
    EXPECT_EQ(GetLangText(1), "Café €");
}

TEST(ProfileStringTest, FollowsTheProfileServiceRules) {
    const std::string text =
        "; a comment\n"
        "[lan]\n"
        "  10  =   padded value   \n"
        "11=\"quoted\"\n"
        "12='single'\n"
        "13=\"mismatched'\n"
        "14=\"\"twice\"\"\n"
        "15=a ; not a comment\n"
        ";16=commented out\n"
        "17=first\n"
        "17=second\n"
        "Name=upper\n"
        "18\n"
        "19=\"\"\n"
        "[LAN]\n"
        "16=from the second section\n"
        "17=third\n";
    const auto lookup = [&](std::string_view key, std::string_view section = "LAN") {
        std::string value;
        return FindProfileString(text, section, key, value) ? value : std::string("<missing>");
    };
    EXPECT_EQ(lookup("10"), "padded value");
    EXPECT_EQ(lookup("11"), "quoted");
    EXPECT_EQ(lookup("12"), "single");
    EXPECT_EQ(lookup("13"), "\"mismatched'");
    EXPECT_EQ(lookup("14"), "\"twice\"");
    EXPECT_EQ(lookup("15"), "a ; not a comment");
    EXPECT_EQ(lookup("16"), "from the second section");
    EXPECT_EQ(lookup("17"), "first");
    EXPECT_EQ(lookup("NAME"), "upper");
    EXPECT_EQ(lookup("18"), "");
    EXPECT_EQ(lookup("19"), "");
    EXPECT_EQ(lookup("10", "Lan"), "padded value");
    EXPECT_EQ(lookup("99"), "<missing>");
    EXPECT_EQ(lookup("10", "OTHER"), "<missing>");
}

TEST(ProfileStringTest, AcceptsEveryLineEnd) {
    std::string value;
    EXPECT_TRUE(FindProfileString("[LAN]\r1=cr\r2=two", "LAN", "2", value));
    EXPECT_EQ(value, "two");
    EXPECT_TRUE(FindProfileString("[LAN]\r\n\r\n1=crlf\r\n", "LAN", "1", value));
    EXPECT_EQ(value, "crlf");
    EXPECT_FALSE(FindProfileString("", "LAN", "1", value));
    EXPECT_FALSE(FindProfileString("[LAN", "LAN", "1", value));
}

TEST(LanguageChoiceTest, LocaleDecidesBetweenChineseAndEnglish) {
    EXPECT_EQ(LanguageIdForLocale("zh_CN.UTF-8"), 2052);
    EXPECT_EQ(LanguageIdForLocale("zh_SG"), 2052);
    EXPECT_EQ(LanguageIdForLocale("zh_Hans_CN"), 2052);
    EXPECT_EQ(LanguageIdForLocale("zh_TW.UTF-8"), 1033);
    EXPECT_EQ(LanguageIdForLocale("de_DE.UTF-8"), 1033);
    EXPECT_EQ(LanguageIdForLocale("C"), 1033);

    test::ScopedEnv all("LC_ALL", "");
    test::ScopedEnv messages("LC_MESSAGES", "zh_CN.UTF-8");
    test::ScopedEnv lang("LANG", "en_US.UTF-8");
    EXPECT_EQ(SystemUiLanguageId(), 2052);  // LC_MESSAGES before LANG; empty values skipped
    test::ScopedEnv all_set("LC_ALL", "fr_FR");
    EXPECT_EQ(SystemUiLanguageId(), 1033);
}

class StartupLanguageTest : public ::testing::Test {
  protected:
    StartupLanguageTest() : config_("XDG_CONFIG_HOME", dir_.path().string()) {
        SetApplicationCaption("Example");
    }
    ~StartupLanguageTest() override {
        SetApplicationCaption("");
        SetCurrentLanguageId(kSimplifiedChinese);
    }
    fs::path File() const { return dir_ / "Example" / "settings"; }

    test::TempDir dir_;
    test::ScopedEnv config_;
    test::ScopedEnv all_{"LC_ALL", std::nullopt};
    test::ScopedEnv messages_{"LC_MESSAGES", std::nullopt};
};

TEST_F(StartupLanguageTest, FirstStartStoresTheSystemLanguage) {
    {
        test::ScopedEnv lang("LANG", "zh_CN.UTF-8");
        EXPECT_EQ(ChooseStartupLanguage(), 2052);
        EXPECT_EQ(test::ReadFile(File()), "LCID=2052\n");
    }
    fs::remove(File());
    test::ScopedEnv lang("LANG", "en_GB.UTF-8");
    EXPECT_EQ(ChooseStartupLanguage(), 1033);
    EXPECT_EQ(CurrentLanguageId(), 1033);
    EXPECT_EQ(test::ReadFile(File()), "LCID=1033\n");
}

TEST_F(StartupLanguageTest, StoredValueIsKeptUnlessItIsZero) {
    test::ScopedEnv lang("LANG", "en_US.UTF-8");
    fs::create_directories(File().parent_path());
    test::WriteFile(File(), "LCID=1031\n");
    EXPECT_EQ(ChooseStartupLanguage(), 1031);  // even without a file for it
    test::WriteFile(File(), "LCID=zh\n");
    EXPECT_EQ(ChooseStartupLanguage(), 1033);
    EXPECT_EQ(ReadLanguageId(), 1033);
}

// A settings key that cannot be used must not decide the language: the locale does, as on a
// first start, and the user is told once that nothing will be kept.
TEST_F(StartupLanguageTest, UnusableKeyFollowsTheLocaleAndWarnsOnce) {
    fs::create_directories(File());  // a folder where the key file belongs
    for (const auto& [locale, language] :
         {std::pair{"en_US.UTF-8", kEnglish}, std::pair{"zh_CN.UTF-8", kSimplifiedChinese}}) {
        test::ScopedEnv lang("LANG", locale);
        testing::internal::CaptureStderr();
        EXPECT_EQ(ChooseStartupLanguage(), language) << locale;
        const std::string warning = testing::internal::GetCapturedStderr();
        EXPECT_NE(warning.find(File().string()), std::string::npos) << warning;
        EXPECT_EQ(warning.find('\n'), warning.size() - 1) << warning;  // one line
    }
    EXPECT_TRUE(fs::is_directory(File()));
}

}  // namespace
}  // namespace veltra
