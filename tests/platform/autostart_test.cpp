#include "platform/linux/autostart.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/temp_dir.h"

namespace veltra {
namespace {

namespace fs = std::filesystem;

class AutostartTest : public ::testing::Test {
  protected:
    test::TempDir dir_;
    test::ScopedEnv config_{"XDG_CONFIG_HOME", dir_.path().string()};

    fs::path Entry(const std::string& name) const { return dir_ / ("autostart/" + name); }
};

TEST_F(AutostartTest, EntryLiesInTheConfigFolderNamedAfterTheCaption) {
    EXPECT_EQ(AutostartEntryPath("Veltra Mouse"), Entry("Veltra Mouse.desktop"));
    EXPECT_EQ(AutostartEntryPath("a/b"), Entry("a_b.desktop"));
    test::ScopedEnv home("HOME", "/home/someone");
    for (const char* value : {"", "relative"}) {
        test::ScopedEnv config("XDG_CONFIG_HOME", std::string(value));
        EXPECT_EQ(AutostartEntryPath("X"), fs::path("/home/someone/.config/autostart/X.desktop"));
    }
}

TEST_F(AutostartTest, WrittenEntryStartsTheProgramWithAutorun) {
    EXPECT_FALSE(AutostartEntryExists("Veltra Mouse"));
    ASSERT_TRUE(WriteAutostartEntry("Veltra Mouse", "/usr/bin/veltra-mouse", "veltra-mouse"));
    EXPECT_TRUE(AutostartEntryExists("Veltra Mouse"));
    EXPECT_EQ(test::ReadFile(Entry("Veltra Mouse.desktop")),
              "[Desktop Entry]\n"
              "Type=Application\n"
              "Name=Veltra Mouse\n"
              "Exec=/usr/bin/veltra-mouse -autorun\n"
              "Icon=veltra-mouse\n"
              "Terminal=false\n"
              "X-GNOME-Autostart-enabled=true\n");
    // Writing again replaces the entry rather than adding to it.
    ASSERT_TRUE(WriteAutostartEntry("Veltra Mouse", "/opt/v/veltra-mouse", ""));
    const std::string again = test::ReadFile(Entry("Veltra Mouse.desktop"));
    EXPECT_NE(again.find("Exec=/opt/v/veltra-mouse -autorun\n"), std::string::npos);
    EXPECT_EQ(again.find("Icon="), std::string::npos);
    EXPECT_EQ(again.find("/usr/bin"), std::string::npos);
}

TEST_F(AutostartTest, CaptionWithLineBreaksStaysOneValue) {
    ASSERT_TRUE(WriteAutostartEntry("Two\nLines\r\\", "/bin/x", "icon\nname"));
    const std::string text = test::ReadFile(Entry("Two\nLines\r\\.desktop"));
    EXPECT_NE(text.find("\nName=Two Lines \\\\\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nIcon=icon name\n"), std::string::npos) << text;
}

TEST(DesktopExecTest, ArgumentsWithReservedCharactersAreQuoted) {
    EXPECT_EQ(DesktopExecArgument("/usr/bin/veltra-mouse"), "/usr/bin/veltra-mouse");
    EXPECT_EQ(DesktopExecArgument("/opt/My Tools/run"), "\"/opt/My Tools/run\"");
    // The quote is escaped for the argument, and that backslash again for the string value.
    EXPECT_EQ(DesktopExecArgument("/opt/a \"b\"/run"), R"("/opt/a \\"b\\"/run")");
    EXPECT_EQ(DesktopExecArgument("/opt/$x`y`"), R"("/opt/\\$x\\`y\\`")");
    EXPECT_EQ(DesktopExecArgument("/opt/back\\slash"), R"("/opt/back\\\\slash")");
    EXPECT_EQ(DesktopExecArgument("/opt/100%"), "/opt/100%%");
    EXPECT_EQ(DesktopExecArgument("/opt/new\nline"), "\"/opt/new\\nline\"");
    EXPECT_EQ(DesktopExecArgument(""), "\"\"");
}

TEST_F(AutostartTest, ExecutableMustBeUtf8) {
    EXPECT_TRUE(WriteAutostartEntry("X", "/opt/Zürich tools/run", "i"));
    EXPECT_NE(test::ReadFile(Entry("X.desktop")).find("Exec=\"/opt/Zürich tools/run\" -autorun"),
              std::string::npos);
    EXPECT_FALSE(WriteAutostartEntry("Y", "/opt/\xff/run", "i"));
    EXPECT_FALSE(WriteAutostartEntry("Y", "", "i"));
    EXPECT_FALSE(AutostartEntryExists("Y"));
}

TEST_F(AutostartTest, ForeignEntryCountsUnlessHidden) {
    fs::create_directories(dir_ / "autostart");
    test::WriteFile(Entry("Other.desktop"), "not even a desktop entry");
    EXPECT_TRUE(AutostartEntryExists("Other"));
    test::WriteFile(Entry("Other.desktop"), "[Desktop Entry]\nName=Other\nHidden = true\n");
    EXPECT_FALSE(AutostartEntryExists("Other"));
    // Hidden belongs to the entry group only, and only "true" hides.
    test::WriteFile(Entry("Other.desktop"),
                    "[Desktop Entry]\nName=Other\n[Desktop Action x]\nHidden=true\n");
    EXPECT_TRUE(AutostartEntryExists("Other"));
    test::WriteFile(Entry("Other.desktop"), "[Desktop Entry]\nHidden=false\n#Hidden=true\n");
    EXPECT_TRUE(AutostartEntryExists("Other"));
}

TEST_F(AutostartTest, RemoveLeavesNoEntry) {
    EXPECT_TRUE(RemoveAutostartEntry("Veltra Mouse"));  // nothing there
    ASSERT_TRUE(WriteAutostartEntry("Veltra Mouse", "/bin/x", "i"));
    EXPECT_TRUE(RemoveAutostartEntry("Veltra Mouse"));
    EXPECT_FALSE(AutostartEntryExists("Veltra Mouse"));
    EXPECT_TRUE(fs::is_directory(dir_ / "autostart"));
    // A folder under the entry's name is no entry, and is left alone.
    fs::create_directories(Entry("Odd.desktop"));
    EXPECT_FALSE(AutostartEntryExists("Odd"));
    EXPECT_TRUE(RemoveAutostartEntry("Odd"));
    EXPECT_TRUE(fs::is_directory(Entry("Odd.desktop")));
}

TEST_F(AutostartTest, UnusableFolderFailsQuietly) {
    // A file where the autostart folder belongs.
    test::WriteFile(dir_ / "autostart", "x");
    EXPECT_FALSE(WriteAutostartEntry("X", "/bin/x", "i"));
    EXPECT_FALSE(AutostartEntryExists("X"));
    EXPECT_TRUE(RemoveAutostartEntry("X"));
    fs::remove(dir_ / "autostart");

    // A folder without permissions (which the super-user passes through): the answers agree.
    fs::create_directories(dir_ / "autostart");
    fs::permissions(dir_ / "autostart", fs::perms::none);
    const bool written = WriteAutostartEntry("X", "/bin/x", "i");
    EXPECT_EQ(AutostartEntryExists("X"), written);
    EXPECT_EQ(RemoveAutostartEntry("X"), written);
    fs::permissions(dir_ / "autostart", fs::perms::owner_all);
}

}  // namespace
}  // namespace veltra
