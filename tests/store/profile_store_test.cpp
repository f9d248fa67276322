#include "store/profile_store.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <thread>
#include <vector>

#include "store/settings_defaults.h"
#include "store_fixture.h"

namespace veltra {
namespace {

using test::QueryInt;
using test::ReadFile;

using ProfileStoreTest = test::StoreTest;

std::vector<std::string> Column(const std::filesystem::path& file, const std::string& sql) {
    SQLiteDB db;
    db.Open(file.c_str(), {}, SQLITE_OPEN_READONLY);
    SQLiteStatement statement;
    db.Prepare(statement, sql.c_str());
    std::vector<std::string> values;
    while (statement.Step() == SQLITE_ROW) {
        values.push_back(statement.ColumnString(0));
    }
    return values;
}

// The worker and the window's thread both reach the store through Instance: a model opened on
// one thread is the one the other reads and writes.
TEST(ProfileStoreInstanceTest, IsSharedByEveryThread) {
    test::TempDir dir;
    std::filesystem::create_directories(dir / "db");
    std::thread opener([&] {
        ASSERT_TRUE(ProfileStore::Instance().SwitchDeviceModel(dir.path(), "Shared", 150));
    });
    opener.join();
    ProfileStore& store = ProfileStore::Instance();
    EXPECT_EQ(store.DeviceType(), 150);
    EXPECT_EQ(store.Path(), ProfileStore::DeviceStorePath(dir.path(), "Shared").string());
    EXPECT_EQ(store.AddProfile({}), 1);
    std::thread closer([] { EXPECT_TRUE(ProfileStore::Instance().Close()); });
    closer.join();
    EXPECT_FALSE(store.IsOpen());
    EXPECT_EQ(QueryInt(ProfileStore::DeviceStorePath(dir.path(), "Shared"),
                       "SELECT count(*) FROM t_configdata"),
              59);
}

TEST_F(ProfileStoreTest, FirstOpenCreatesTheFullSchemaAndNoRows) {
    EXPECT_TRUE(Open("Veltra M1"));
    EXPECT_TRUE(store_.OpenFlag());
    EXPECT_TRUE(store_.IsOpen());
    const auto file = File("Veltra M1");
    EXPECT_EQ(file.filename(), "Veltra M1_data_test.db");
    EXPECT_EQ(store_.Path(), file.string());
    EXPECT_EQ(Column(file,
                     "SELECT name FROM sqlite_master WHERE type = 'table' AND name LIKE "
                     "'t\\_%' ESCAPE '\\' ORDER BY name"),
              (std::vector<std::string>{"t_configdata", "t_key_light_data", "t_key_macro_data",
                                        "t_key_otherdata", "t_ledframe_data", "t_ledlayer_data",
                                        "t_light_data", "t_macro_data", "t_macrorecord",
                                        "t_profile_data"}));
    EXPECT_EQ(Column(file,
                     "SELECT name FROM sqlite_master WHERE type = 'index' AND name NOT "
                     "LIKE 'sqlite%' ORDER BY name"),
              (std::vector<std::string>{"keyindex", "keylightindex", "lightindex", "macroidindex",
                                        "macrorecordindex", "otheridindex", "profileindex"}));
    for (const char* table : {"t_configdata", "t_profile_data", "t_macro_data", "t_light_data"}) {
        EXPECT_EQ(QueryInt(file, std::string("SELECT count(*) FROM ") + table), 0) << table;
    }
    // Columns of a table the store reads with SELECT *: their order is the record layout.
    EXPECT_EQ(Column(file, "SELECT name FROM pragma_table_info('t_macrorecord') ORDER BY cid"),
              (std::vector<std::string>{"record_id", "macro_id", "type", "record_index", "desc",
                                        "value", "delay_time"}));
}

TEST_F(ProfileStoreTest, ExistingFileIsOpenedUnchangedEvenWithoutTables) {
    {
        SQLiteDB db;
        ASSERT_TRUE(db.Open(File().c_str(), {},
                            SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX));
        db.Exec("CREATE TABLE t_profile_data (profile INTEGER PRIMARY KEY, name TEXT)");
        db.Exec("INSERT INTO t_profile_data VALUES (7, 'Mine')");
    }
    const std::string before = ReadFile(File());
    EXPECT_TRUE(Open());
    std::vector<ProfileRecord> profiles;
    EXPECT_EQ(store_.LoadProfiles(profiles), 1);
    EXPECT_EQ(profiles[0].profile_id, 7);
    EXPECT_EQ(profiles[0].name, "Mine");
    EXPECT_EQ(profiles[0].status, 0);  // a column the table does not have
    std::string value = "stale";
    EXPECT_FALSE(store_.GetConfig(7, config_key::kDpiIndex, value));
    EXPECT_EQ(value, "");
    EXPECT_TRUE(store_.Close());
    EXPECT_EQ(ReadFile(File()), before);
}

TEST_F(ProfileStoreTest, DefaultsFollowTheDeviceTypeFamily) {
    struct Case {
        int device_type;
        const char* dpi_flag;
        const char* dpi_index;
        const char* level0;
        const char* level7;
    };
    for (const Case& c :
         {Case{150, "221", "0", "1200", "12000"}, Case{100, "221", "0", "1200", "12000"},
          Case{200, "221", "0", "1200", "12000"}, Case{99, "213", "2", "800", "12800"},
          Case{201, "213", "2", "800", "12800"}, Case{0, "213", "2", "800", "12800"}}) {
        const std::string stem = "type" + std::to_string(c.device_type);
        ASSERT_TRUE(Open(stem, c.device_type));
        const int profile = store_.AddProfile({});
        ASSERT_EQ(profile, 1);
        std::string value;
        store_.GetConfig(profile, config_key::kDpiFlag, value);
        EXPECT_EQ(value, c.dpi_flag) << c.device_type;
        store_.GetConfig(profile, config_key::kDpiIndex, value);
        EXPECT_EQ(value, c.dpi_index) << c.device_type;
        store_.GetConfig(profile, DpiGroupValueKey(0), value);
        EXPECT_EQ(value, c.level0) << c.device_type;
        store_.GetConfig(profile, DpiGroupValueKey(7), value);
        EXPECT_EQ(value, c.level7) << c.device_type;
    }
}

TEST_F(ProfileStoreTest, NewProfileGetsEveryKeyOnceInTableOrder) {
    ASSERT_TRUE(Open());
    const int first = store_.AddProfile({0, "First", 1, "app", 5});
    const int second = store_.AddProfile({0, "Second", 0, "", 0});
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 2);
    EXPECT_EQ(Count("t_configdata"), 2 * 59);

    const auto keys =
        Column(File(), "SELECT key FROM t_configdata WHERE profile = 2 ORDER BY config_id");
    ASSERT_EQ(keys.size(), 59u);
    EXPECT_EQ(std::set<std::string>(keys.begin(), keys.end()).size(), 59u);
    EXPECT_EQ(keys.front(), "version");
    EXPECT_EQ(keys[17], "dpi_count");
    EXPECT_EQ(keys[18], "dpi_group0_value");
    EXPECT_EQ(keys[27], "dpi_group9_value");
    EXPECT_EQ(keys[28], "dpi_group0_rgb");
    EXPECT_EQ(keys[38], "dpi_group0_rgbindex");
    EXPECT_EQ(keys[45], "dpi_group7_rgbindex");
    EXPECT_EQ(keys[46], "mouse_speed");
    EXPECT_EQ(keys.back(), "default_color8");

    std::string value;
    EXPECT_TRUE(store_.GetConfig(first, config_key::kWheelScrollFlag, value));
    EXPECT_EQ(value, "0");
    EXPECT_TRUE(store_.GetConfig(first, config_key::kVersion, value));
    EXPECT_EQ(value, "1.0.1");
    EXPECT_TRUE(store_.GetConfig(first, DpiGroupRgbKey(1), value));
    EXPECT_EQ(value, "16776960");
    EXPECT_TRUE(store_.GetConfig(first, DefaultColorKey(6), value));
    EXPECT_EQ(value, "14237951");

    std::vector<ProfileRecord> profiles;
    ASSERT_EQ(store_.LoadProfiles(profiles), 2);
    // Status and type are never taken from the record; the app text is.
    EXPECT_EQ(profiles[0].name, "First");
    EXPECT_EQ(profiles[0].status, 0);
    EXPECT_EQ(profiles[0].app, "app");
    EXPECT_EQ(profiles[0].type, 0);
}

TEST_F(ProfileStoreTest, SetConfigOnlyUpdatesExistingRows) {
    ASSERT_TRUE(Open());
    const int profile = store_.AddProfile({});
    EXPECT_TRUE(store_.SetConfig(profile, DpiGroupValueKey(3), "5000"));
    std::string value;
    EXPECT_TRUE(store_.GetConfig(profile, DpiGroupValueKey(3), value));
    EXPECT_EQ(value, "5000");
    EXPECT_TRUE(store_.SetConfig(profile, "no_such_key", "1"));
    EXPECT_TRUE(store_.SetConfig(profile + 1, config_key::kGameMode, "1"));
    EXPECT_EQ(Count("t_configdata"), 59);
    EXPECT_FALSE(store_.GetConfig(profile, "no_such_key", value));
    EXPECT_EQ(value, "");
    // Imported texts are kept as they are.
    EXPECT_TRUE(store_.SetConfig(profile, config_key::kMouseSpeed, " 12abc"));
    store_.GetConfig(profile, config_key::kMouseSpeed, value);
    EXPECT_EQ(value, " 12abc");
}

TEST_F(ProfileStoreTest, OneActiveProfileAfterEverySwitch) {
    ASSERT_TRUE(Open());
    for (int n = 0; n < 5; ++n) {
        store_.AddProfile({});
    }
    EXPECT_EQ(store_.GetActiveProfile(), 0);
    EXPECT_TRUE(store_.SetActiveProfile(1));
    EXPECT_TRUE(store_.SetActiveProfile(4));
    EXPECT_EQ(Count("t_profile_data", "status = 1"), 1);
    EXPECT_EQ(store_.GetActiveProfile(), 4);
    // An id that does not exist leaves none active; the profile list repairs that.
    EXPECT_TRUE(store_.SetActiveProfile(9));
    EXPECT_EQ(store_.GetActiveProfile(), 0);
}

TEST_F(ProfileStoreTest, SwitchingModelsKeepsTheirFilesApart) {
    ASSERT_TRUE(Open("A", 150));
    store_.AddProfile({0, "a", 0, "", 0});
    ASSERT_TRUE(Open("B", 7));
    EXPECT_EQ(store_.DeviceType(), 7);
    std::vector<ProfileRecord> profiles;
    EXPECT_EQ(store_.LoadProfiles(profiles), 0);
    store_.AddProfile({0, "b", 0, "", 0});
    ASSERT_TRUE(Open("A", 150));
    ASSERT_EQ(store_.LoadProfiles(profiles), 1);
    EXPECT_EQ(profiles[0].name, "a");
    EXPECT_EQ(QueryInt(File("B"), "SELECT count(*) FROM t_profile_data"), 1);
}

TEST_F(ProfileStoreTest, ResetLeavesAnEmptyFileAndOtherModelsAlone) {
    ASSERT_TRUE(Open("Other"));
    store_.AddProfile({});
    store_.AddMacro("kept");
    const std::string other = ReadFile(File("Other"));
    ASSERT_TRUE(Open());
    store_.AddProfile({});
    store_.AddMacro("lost");
    store_.SetActiveProfile(1);

    EXPECT_TRUE(store_.ResetDeviceStore(dir_.path(), "Mouse", 120).ok);
    EXPECT_TRUE(store_.OpenFlag());
    EXPECT_EQ(store_.DeviceType(), 120);
    EXPECT_EQ(Count("t_profile_data"), 0);
    EXPECT_EQ(Count("t_configdata"), 0);
    EXPECT_EQ(Count("t_macro_data"), 0);
    EXPECT_EQ(ReadFile(File("Other")), other);
}

TEST_F(ProfileStoreTest, ResetIgnoresAStaleJournal) {
    ASSERT_TRUE(Open());
    store_.AddProfile({});
    test::WriteFile(File().string() + "-journal", std::string(4096, '\xd9'));
    EXPECT_TRUE(store_.ResetDeviceStore(dir_.path(), "Mouse", 0).ok);
    EXPECT_FALSE(std::filesystem::exists(File().string() + "-journal"));
    EXPECT_EQ(Count("t_profile_data"), 0);
}

TEST_F(ProfileStoreTest, SwitchAfterAFailedSchemaLeavesTheOldFile) {
    // A file whose schema could not be completed stays connected with the open flag clear; the
    // next switch must still let go of it.
    ASSERT_TRUE(Open("A"));
    store_.SetOpenFlag(false);
    ASSERT_TRUE(Open("B"));
    store_.AddProfile({});
    EXPECT_EQ(QueryInt(File("A"), "SELECT count(*) FROM t_profile_data"), 0);
    EXPECT_EQ(QueryInt(File("B"), "SELECT count(*) FROM t_profile_data"), 1);
}

TEST_F(ProfileStoreTest, ClosedStoreFailsEveryOperationQuietly) {
    std::string value = "x";
    EXPECT_FALSE(store_.GetConfig(1, config_key::kVersion, value));
    EXPECT_EQ(value, "");
    EXPECT_FALSE(store_.SetConfig(1, config_key::kVersion, "2"));
    EXPECT_EQ(store_.AddProfile({}), 0);
    std::vector<ProfileRecord> profiles(2);
    EXPECT_EQ(store_.LoadProfiles(profiles), 0);
    EXPECT_TRUE(profiles.empty());
    EXPECT_FALSE(store_.SetActiveProfile(1));
    EXPECT_EQ(store_.GetActiveProfile(), 0);

    KeyAssignment key;
    key.macro_value = 1;
    EXPECT_EQ(store_.SaveKeyAssignment(key), 0);
    EXPECT_FALSE(store_.LoadKeyAssignment(1, 0, 1, key));
    EXPECT_FALSE(store_.SetKeyMacroDesc(1, 0, 1, "x"));
    std::vector<KeyAssignment> keys;
    EXPECT_EQ(store_.LoadKeyAssignments(1, 0, keys), 0);
    EXPECT_FALSE(store_.DeleteKeyAssignments(1));

    LightMode light;
    EXPECT_EQ(store_.AddLightMode(light), 0);
    EXPECT_EQ(store_.CountLightModes(1), 0);
    EXPECT_FALSE(store_.UpdateLightMode(1, 0, light));
    EXPECT_FALSE(store_.SetActiveLightMode(1, 0));
    EXPECT_EQ(store_.GetActiveLightMode(1), 0);
    EXPECT_FALSE(store_.LoadLightMode(1, 0, light));
    std::vector<LightMode> lights;
    EXPECT_EQ(store_.LoadLightModes(1, lights), 0);

    MacroInfo macro;
    EXPECT_EQ(store_.AddMacro("m"), 0);
    EXPECT_EQ(store_.AddMacroWithSettings(macro), 0);
    EXPECT_FALSE(store_.RenameMacro(1, "n"));
    EXPECT_FALSE(store_.UpdateMacro(macro));
    EXPECT_FALSE(store_.DeleteMacro(1));
    EXPECT_FALSE(store_.LoadMacro(1, macro));
    std::vector<MacroInfo> macros;
    EXPECT_EQ(store_.LoadMacros(macros), 0);
    EXPECT_EQ(store_.AddMacroRecord({}), 0);
    store_.AddMacroRecords(std::vector<MacroRecord>(3));
    std::vector<MacroRecord> records;
    EXPECT_EQ(store_.LoadMacroRecords(1, records), 0);
    EXPECT_FALSE(store_.DeleteMacroRecords(1));
}

TEST_F(ProfileStoreTest, MissingFolderLeavesTheStoreClosed) {
    EXPECT_FALSE(store_.SwitchDeviceModel(dir_ / "nowhere", "Mouse", 0));
    EXPECT_FALSE(store_.OpenFlag());
    EXPECT_FALSE(store_.IsOpen());
    EXPECT_EQ(store_.AddProfile({}), 0);
}

}  // namespace
}  // namespace veltra
