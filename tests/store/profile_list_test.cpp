#include "store/profile_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "store/settings_defaults.h"
#include "store_fixture.h"

namespace veltra {
namespace {

// "id [name]" per entry, then "active N".
std::vector<std::string> Shown(const ProfileList& list) {
    std::vector<std::string> shown;
    for (const ProfileListEntry& entry : list.entries) {
        shown.push_back(std::to_string(entry.profile_id) + " [" + entry.display_name + "]");
    }
    shown.push_back("active " + std::to_string(list.active_profile));
    return shown;
}

using ProfileListTest = test::StoreTest;

TEST(ProfileDisplayNameTest, KnownPrefixesTakeTheLanguageWord) {
    EXPECT_EQ(ProfileDisplayName("Profile 1", "Profil"), "Profil  1");
    EXPECT_EQ(ProfileDisplayName("配置方案 2", "Profile"), "Profile  2");
    EXPECT_EQ(ProfileDisplayName("配置方案3", "Profil"), "Profil 3");
    EXPECT_EQ(ProfileDisplayName("Profile", "Profil"), "Profil ");
    EXPECT_EQ(ProfileDisplayName("Profiles", "配置"), "配置 s");
    EXPECT_EQ(ProfileDisplayName("profile 1", "Profil"), "profile 1");
    EXPECT_EQ(ProfileDisplayName("Gaming", "Profil"), "Gaming");
    EXPECT_EQ(ProfileDisplayName("Profil", "Profile"), "Profil");
    EXPECT_EQ(ProfileDisplayName("", "Profile"), "");
}

TEST_F(ProfileListTest, NewFileGetsFiveProfilesWithProfileOneActive) {
    ASSERT_TRUE(Open("Mouse", 150));
    EXPECT_EQ(Shown(LoadProfileList(store_, "Profile")),
              (std::vector<std::string>{"1 [Profile  1]", "2 [Profile  2]", "3 [Profile  3]",
                                        "4 [Profile  4]", "5 [Profile  5]", "active 1"}));
    EXPECT_EQ(Count("t_configdata"), 295);
    EXPECT_EQ(Count("t_profile_data", "status = 1"), 1);
    std::string value;
    EXPECT_TRUE(store_.GetConfig(5, config_key::kDpiFlag, value));
    EXPECT_EQ(value, "221");

    // A second refresh creates nothing and keeps the choice.
    store_.SetActiveProfile(3);
    const std::vector<std::string> again = Shown(LoadProfileList(store_, "Profile"));
    EXPECT_EQ(again.size(), 6u);
    EXPECT_EQ(again.back(), "active 3");
    EXPECT_EQ(Count("t_profile_data"), 5);
}

TEST_F(ProfileListTest, NamesAreStoredInTheLanguageOfCreationAndShownInTheCurrentOne) {
    ASSERT_TRUE(Open());
    LoadProfileList(store_, "配置方案");
    std::vector<ProfileRecord> records;
    ASSERT_EQ(store_.LoadProfiles(records), 5);
    EXPECT_EQ(records[1].name, "配置方案 2");
    const ProfileList list = LoadProfileList(store_, "Profil");
    ASSERT_EQ(list.entries.size(), 5u);
    EXPECT_EQ(list.entries[1].profile_id, 2);
    EXPECT_EQ(list.entries[1].display_name, "Profil  2");
}

TEST_F(ProfileListTest, MissingActiveProfileIsRepaired) {
    ASSERT_TRUE(Open());
    LoadProfileList(store_, "Profile");
    store_.SetActiveProfile(42);
    EXPECT_EQ(store_.GetActiveProfile(), 0);
    EXPECT_EQ(LoadProfileList(store_, "Profile").active_profile, 1);
    EXPECT_EQ(Count("t_profile_data", "status = 1 AND profile = 1"), 1);
}

TEST_F(ProfileListTest, ForeignNamesAreShownAsStored) {
    ASSERT_TRUE(Open());
    store_.AddProfile({0, "Work", 0, "", 0});
    store_.AddProfile({0, "Profile X", 0, "", 0});
    store_.SetActiveProfile(2);
    const ProfileList list = LoadProfileList(store_, "Perfil");
    ASSERT_EQ(list.entries.size(), 2u);
    EXPECT_EQ(list.entries[0].display_name, "Work");
    EXPECT_EQ(list.entries[1].display_name, "Perfil  X");
    EXPECT_EQ(list.active_profile, 2);
}

TEST_F(ProfileListTest, ClosedStoreGivesAnEmptyListAndNoCurrentProfile) {
    EXPECT_EQ(Shown(LoadProfileList(store_, "Profile")), (std::vector<std::string>{"active 0"}));
}

TEST_F(ProfileListTest, AfterAResetTheProfilesComeBackWithDefaults) {
    ASSERT_TRUE(Open("Mouse", 7));
    LoadProfileList(store_, "Profile");
    store_.SetConfig(1, config_key::kMouseSpeed, "3");
    ASSERT_TRUE(store_.ResetDeviceStore(dir_.path(), "Mouse", 7).ok);
    EXPECT_EQ(Count("t_profile_data"), 0);
    EXPECT_EQ(LoadProfileList(store_, "Profile").entries.size(), 5u);
    std::string value;
    store_.GetConfig(1, config_key::kMouseSpeed, value);
    EXPECT_EQ(value, "10");
}

// Files written before profile creation was one transaction may hold duplicated profiles with
// some rows missing; every known key gets its row back with its default, and writes to it work.
TEST_F(ProfileListTest, MissingSettingsRowsAreRestoredFromTheirDefaults) {
    ASSERT_TRUE(Open("Mouse", 150));
    LoadProfileList(store_, "Profile");
    store_.SetConfig(2, config_key::kMouseSpeed, "7");
    store_.SetConfig(2, config_key::kGameMode, "1");
    {
        SQLiteDB db;
        ASSERT_TRUE(db.Open(File().c_str(), {}, SQLITE_OPEN_READWRITE));
        ASSERT_EQ(db.Exec("DELETE FROM t_configdata WHERE profile = 2 AND key IN "
                          "('game_mode', 'dpi_group3_value', 'default_color8'); "
                          "DELETE FROM t_configdata WHERE profile = 4; "
                          "INSERT INTO t_profile_data(name, status, app, type) "
                          "VALUES ('Profile 1', 0, '', 0)"),
                  SQLITE_OK);
    }
    // Until then a write to a missing row reports success and stores nothing.
    EXPECT_TRUE(store_.SetConfig(2, config_key::kGameMode, "1"));
    EXPECT_EQ(Count("t_configdata", "profile = 2 AND key = 'game_mode'"), 0);

    EXPECT_EQ(LoadProfileList(store_, "Profile").entries.size(), 6u);
    EXPECT_EQ(Count("t_configdata"), 6 * 59);
    std::string value;
    EXPECT_TRUE(store_.GetConfig(2, config_key::kGameMode, value));
    EXPECT_EQ(value, "0");
    EXPECT_TRUE(store_.GetConfig(2, DpiGroupValueKey(3), value));
    EXPECT_EQ(value, "4800");
    EXPECT_TRUE(store_.GetConfig(2, config_key::kMouseSpeed, value));
    EXPECT_EQ(value, "7");
    EXPECT_TRUE(store_.GetConfig(6, config_key::kDpiFlag, value));
    EXPECT_EQ(value, "221");
    EXPECT_TRUE(store_.SetConfig(4, config_key::kSleepLight, "5"));
    EXPECT_TRUE(store_.GetConfig(4, config_key::kSleepLight, value));
    EXPECT_EQ(value, "5");

    // Nothing is missing now, so a second load adds nothing.
    EXPECT_EQ(store_.RestoreMissingSettings(), 0);
    EXPECT_EQ(Count("t_configdata"), 6 * 59);
}

}  // namespace
}  // namespace veltra
