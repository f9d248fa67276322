#include "shell/app_folders.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace veltra {
namespace {

namespace fs = std::filesystem;

class CaptionTest : public ::testing::Test {
  protected:
    void TearDown() override { SetApplicationCaption(""); }
};

TEST_F(CaptionTest, UserDataFolderIsNamedAfterTheCaption) {
    test::ScopedEnv data("XDG_DATA_HOME", "/data/home");
    SetApplicationCaption("Example");
    EXPECT_EQ(ApplicationCaption(), "Example");
    EXPECT_EQ(UserDataFolder(), fs::path("/data/home/Example Files"));
}

TEST_F(CaptionTest, UserDataFolderFallsBackToTheHomeFolder) {
    test::ScopedEnv home("HOME", "/home/someone");
    SetApplicationCaption("Example");
    for (const std::optional<std::string>& value :
         {std::optional<std::string>(), std::optional<std::string>("relative/path")}) {
        test::ScopedEnv data("XDG_DATA_HOME", value);
        EXPECT_EQ(UserDataFolder(), fs::path("/home/someone/.local/share/Example Files"));
    }
}

TEST_F(CaptionTest, CaptionNeverLeavesItsFolder) {
    EXPECT_EQ(CaptionFolderName("Veltra Mouse"), "Veltra Mouse");
    EXPECT_EQ(CaptionFolderName("a/../b"), "a_.._b");
    EXPECT_EQ(CaptionFolderName(".."), "_..");
    EXPECT_EQ(CaptionFolderName("."), "_.");
    EXPECT_EQ(CaptionFolderName(""), "_");
}

TEST(ProgramFolderTest, EnvironmentOverridesTheExecutableFolder) {
    test::ScopedEnv folder("VELTRA_PROGRAM_FOLDER", "/opt/elsewhere");
    EXPECT_EQ(ProgramFolder(), fs::path("/opt/elsewhere"));
    EXPECT_EQ(SkinFolder(), fs::path("/opt/elsewhere/skins/default"));
}

TEST(ProgramFolderTest, ExecutableFolderHoldingConfigIsTheProgramFolder) {
    // The build places config.xml beside the test executables.
    test::ScopedEnv folder("VELTRA_PROGRAM_FOLDER", std::nullopt);
    EXPECT_EQ(fs::weakly_canonical(ProgramFolder()), fs::weakly_canonical(VELTRA_BIN_DIR));
}

TEST(FolderTest, EnsureFolderCreatesEveryMissingLevel) {
    test::TempDir dir;
    EXPECT_TRUE(EnsureFolder(dir / "a/b/c"));
    EXPECT_TRUE(fs::is_directory(dir / "a/b/c"));
    EXPECT_TRUE(EnsureFolder(dir / "a/b/c"));  // already there
    test::WriteFile(dir / "file", "x");
    EXPECT_FALSE(EnsureFolder(dir / "file"));
    EXPECT_FALSE(EnsureFolder(dir / "file/sub"));
    EXPECT_FALSE(EnsureFolder(""));
}

TEST(FolderTest, DeleteFolderTreeRemovesEverythingBelow) {
    test::TempDir dir;
    ASSERT_TRUE(EnsureFolder(dir / "edit/deep/er"));
    test::WriteFile(dir / "edit/one.txt", "1");
    test::WriteFile(dir / "edit/deep/er/two.txt", "2");
    EXPECT_TRUE(DeleteFolderTree(dir / "edit"));
    EXPECT_FALSE(fs::exists(dir / "edit"));
    EXPECT_FALSE(DeleteFolderTree(dir / "edit"));  // nothing to delete
}

TEST(FolderTest, DeleteFolderTreeDoesNotFollowLinksOrTakeFiles) {
    test::TempDir dir;
    ASSERT_TRUE(EnsureFolder(dir / "target"));
    test::WriteFile(dir / "target/keep.txt", "keep");
    fs::create_directory_symlink(dir / "target", dir / "link");
    EXPECT_FALSE(DeleteFolderTree(dir / "link"));
    test::WriteFile(dir / "plain.txt", "keep");
    EXPECT_FALSE(DeleteFolderTree(dir / "plain.txt"));
    EXPECT_FALSE(DeleteFolderTree("/"));
    EXPECT_FALSE(DeleteFolderTree(""));
    EXPECT_EQ(test::ReadFile(dir / "target/keep.txt"), "keep");
    EXPECT_TRUE(fs::exists(dir / "plain.txt"));
}

}  // namespace
}  // namespace veltra
