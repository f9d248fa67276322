#include "shell/settings_key.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "shell/app_folders.h"
#include "support/temp_dir.h"

namespace veltra {
namespace {

namespace fs = std::filesystem;

class SettingsKeyTest : public ::testing::Test {
  protected:
    SettingsKeyTest() : config_("XDG_CONFIG_HOME", dir_.path().string()) {
        SetApplicationCaption("Example");
    }
    ~SettingsKeyTest() override { SetApplicationCaption(""); }

    fs::path File() const { return dir_ / "Example" / "settings"; }
    void WriteKey(const std::string& bytes) const {
        fs::create_directories(File().parent_path());
        test::WriteFile(File(), bytes);
    }
    std::size_t FilesInKeyFolder() const {
        std::size_t n = 0;
        for ([[maybe_unused]] const auto& e : fs::directory_iterator(File().parent_path())) {
            ++n;
        }
        return n;
    }

    test::TempDir dir_;
    test::ScopedEnv config_;
};

TEST_F(SettingsKeyTest, KeyLiesUnderTheConfigFolderNamedAfterTheCaption) {
    EXPECT_EQ(SettingsFilePath(), File());
    test::ScopedEnv home("HOME", "/home/someone");
    test::ScopedEnv unset("XDG_CONFIG_HOME", std::nullopt);
    EXPECT_EQ(SettingsFilePath(), fs::path("/home/someone/.config/Example/settings"));
}

TEST_F(SettingsKeyTest, FirstReadCreatesTheKeySoLaterWritesSucceed) {
    WriteSettingValue("exit_mode", "1");
    EXPECT_FALSE(fs::exists(File()));  // writes never create the key
    EXPECT_EQ(ReadSettingValue("exit_mode"), 0);
    ASSERT_TRUE(fs::exists(File()));
    WriteSettingValue("exit_mode", "1");
    EXPECT_EQ(ReadSettingValue("exit_mode"), 1);
    EXPECT_EQ(test::ReadFile(File()), "exit_mode=1\n");
}

TEST_F(SettingsKeyTest, DeviceTypeReadLeavesAMissingKeyAbsent) {
    EXPECT_EQ(ReadDeviceType(), 0);
    EXPECT_FALSE(fs::exists(File()));
    WriteDeviceType(101);
    EXPECT_FALSE(fs::exists(File()));
    WriteKey("");
    WriteDeviceType(101);
    EXPECT_EQ(ReadDeviceType(), 101);
    EXPECT_EQ(ReadSettingValue("DeviceType"), 101);
}

TEST_F(SettingsKeyTest, ValuesConvertLikeADecimalTextConversion) {
    WriteKey("LCID=not a number\nDeviceType= 301abc\nexit_mode=-1\nautorun_minimize=\n");
    EXPECT_EQ(ReadLanguageId(), 0);
    EXPECT_EQ(ReadDeviceType(), 301);
    EXPECT_EQ(ReadSettingValue("exit_mode"), -1);
    EXPECT_EQ(ReadSettingValue("autorun_minimize"), 0);
    EXPECT_EQ(ReadSettingValue("absent"), 0);
    WriteKey("DeviceType=99999999999999\n");
    EXPECT_EQ(ReadDeviceType(), 2147483647);
}

TEST_F(SettingsKeyTest, AFlagIsOnOrOffOnlyWhenItHoldsANumber) {
    EXPECT_TRUE(ReadSettingFlag("flag", true));
    EXPECT_FALSE(ReadSettingFlag("flag", false));
    EXPECT_FALSE(fs::exists(File()));
    WriteKey("flag=0\nother=1\n");
    EXPECT_FALSE(ReadSettingFlag("FLAG", true));
    EXPECT_TRUE(ReadSettingFlag("other", false));
    for (const char* text : {"flag=\n", "flag=off\n", "flag=1x\n", "flag\n"}) {
        WriteKey(text);
        EXPECT_TRUE(ReadSettingFlag("flag", true)) << text;
    }
    WriteKey("flag= 2 \n");
    EXPECT_TRUE(ReadSettingFlag("flag", false));
}

TEST_F(SettingsKeyTest, LanguageIdIsMissingOnlyWhenTheKeyIsUnusable) {
    EXPECT_EQ(ReadLanguageId(), 0);  // created
    EXPECT_TRUE(fs::exists(File()));
    WriteLanguageId(1033);
    EXPECT_EQ(ReadLanguageId(), 1033);

    fs::remove(File());
    fs::create_directory(File());  // something that cannot be opened as the key
    EXPECT_EQ(ReadLanguageId(), std::nullopt);
    EXPECT_EQ(ReadSettingValue("LCID"), 0);
    WriteLanguageId(1033);
    EXPECT_TRUE(fs::is_directory(File()));
}

TEST_F(SettingsKeyTest, LanguageIdIsMissingWhenTheKeyCannotBeCreated) {
    test::WriteFile(dir_ / "blocker", "a file where a folder is needed");
    test::ScopedEnv config("XDG_CONFIG_HOME", (dir_ / "blocker").string());
    EXPECT_EQ(ReadLanguageId(), std::nullopt);
    EXPECT_EQ(ReadSettingValue("LCID"), 0);
}

TEST_F(SettingsKeyTest, NamesMatchWithoutCaseAndOtherLinesSurviveWrites) {
    WriteKey("# kept\nlcid=2052\ngarbage without equals\r\nOther=5\nLCID=7\n");
    EXPECT_EQ(ReadLanguageId(), 2052);  // the first matching line wins
    WriteLanguageId(1033);
    EXPECT_EQ(test::ReadFile(File()),
              "# kept\nLCID=1033\ngarbage without equals\nOther=5\nLCID=7\n");
    EXPECT_EQ(ReadSettingValue("other"), 5);
    EXPECT_EQ(FilesInKeyFolder(), 1u);  // no temporary file left behind
}

TEST_F(SettingsKeyTest, MalformedFileReadsAsMissingValuesAndIsKept) {
    const std::string binary("\x00\xFF\xFE=\x01\n\x89PNG\r\n\x1a", 12);
    WriteKey(binary);
    EXPECT_EQ(ReadLanguageId(), 0);
    EXPECT_EQ(ReadDeviceType(), 0);
    EXPECT_EQ(test::ReadFile(File()), binary);
    WriteDeviceType(5);
    EXPECT_EQ(ReadDeviceType(), 5);
}

TEST_F(SettingsKeyTest, TextsThatWouldBreakTheFormatAreNotWritten) {
    WriteKey("exit_mode=1\n");
    WriteSettingValue("exit_mode", "0\nLCID=9");
    WriteSettingValue("a=b", "2");
    WriteSettingValue("", "2");
    EXPECT_EQ(test::ReadFile(File()), "exit_mode=1\n");
}

TEST_F(SettingsKeyTest, ConcurrentWritersKeepEveryValue) {
    WriteKey("");
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < 20; ++i) {
                WriteSettingValue("value" + std::to_string(t), std::to_string(i));
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    for (int t = 0; t < 4; ++t) {
        EXPECT_EQ(ReadSettingValue("value" + std::to_string(t)), 19);
    }
}

}  // namespace
}  // namespace veltra
