// The explicit health check and the reset that recovers from what it finds: a damaged file is
// named for what is wrong with it, and the reset keeps it beside the new store.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>
#include <vector>

#include "store/profile_list.h"
#include "store/settings_defaults.h"
#include "store_fixture.h"

namespace veltra {
namespace {

using test::ReadFile;
using test::WriteFile;

class StoreHealthTest : public test::StoreTest {
  protected:
    // The bytes of a model file with five profiles and one changed setting.
    std::string HealthyBytes() {
        EXPECT_TRUE(Open("Source"));
        LoadProfileList(store_, "Profile");
        store_.SetConfig(1, config_key::kMouseSpeed, "4");
        EXPECT_TRUE(store_.Close());
        store_.SetOpenFlag(false);
        return ReadFile(File("Source"));
    }

    static void Exec(const std::filesystem::path& file, const std::string& sql) {
        SQLiteDB db;
        ASSERT_TRUE(db.Open(file.c_str(), {}, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE));
        ASSERT_EQ(db.Exec(sql.c_str()), SQLITE_OK) << sql;
    }

    // The files beside the store whose names mark them as kept damaged copies.
    std::vector<std::filesystem::path> KeptCopies() const {
        std::vector<std::filesystem::path> copies;
        for (const auto& entry : std::filesystem::directory_iterator(dir_.path() / "db")) {
            if (entry.path().filename().string().starts_with(File().filename().string() +
                                                             ".damaged-")) {
                copies.push_back(entry.path());
            }
        }
        return copies;
    }
};

struct Damage {
    const char* name;
    StoreCondition condition;
    std::string (*make)(const std::string& healthy);
};

const Damage kDamages[] = {
    {"zero bytes", StoreCondition::kEmptyFile, [](const std::string&) { return std::string(); }},
    {"random bytes", StoreCondition::kNotADatabase,
     [](const std::string& healthy) {
         std::string bytes(healthy.size(), '\0');
         for (std::size_t i = 0; i < bytes.size(); ++i) {
             bytes[i] = static_cast<char>((i * 2654435761u) >> 13);
         }
         return bytes;
     }},
    {"truncated", StoreCondition::kDamaged,
     [](const std::string& healthy) { return healthy.substr(0, healthy.size() / 2); }},
    {"scribbled pages", StoreCondition::kDamaged,
     [](const std::string& healthy) {
         std::string bytes = healthy;
         for (std::size_t i = 4096; i < bytes.size(); ++i) {
             bytes[i] = static_cast<char>(i * 131);
         }
         return bytes;
     }},
};

TEST_F(StoreHealthTest, NewAndClosedStores) {
    EXPECT_EQ(store_.CheckHealth().condition, StoreCondition::kClosed);
    ASSERT_TRUE(Open());
    EXPECT_TRUE(store_.CheckHealth().healthy());
    LoadProfileList(store_, "Profile");
    const StoreHealth health = store_.CheckHealth();
    EXPECT_TRUE(health.healthy());
    EXPECT_FALSE(health.damaged());
    EXPECT_EQ(health.detail, "");
}

TEST_F(StoreHealthTest, EveryKindOfDamageIsNamedAndTheFileLeftAsItWas) {
    const std::string healthy = HealthyBytes();
    for (const Damage& damage : kDamages) {
        const std::string bytes = damage.make(healthy);
        WriteFile(File(), bytes);
        ASSERT_TRUE(Open()) << damage.name;
        const StoreHealth health = store_.CheckHealth();
        EXPECT_EQ(health.condition, damage.condition) << damage.name << ": " << health.detail;
        EXPECT_TRUE(health.damaged()) << damage.name;
        EXPECT_TRUE(store_.Close());
        EXPECT_EQ(ReadFile(File()), bytes) << damage.name;
    }
}

TEST_F(StoreHealthTest, MissingTablesAndColumnsAreListed) {
    HealthyBytes();
    std::filesystem::copy_file(File("Source"), File());
    Exec(File(), "DROP TABLE t_macrorecord; DROP TABLE t_ledframe_data");
    ASSERT_TRUE(Open());
    StoreHealth health = store_.CheckHealth();
    EXPECT_EQ(health.condition, StoreCondition::kMissingTables);
    EXPECT_EQ(health.detail, "t_ledframe_data; t_macrorecord");

    // A table with the name but not the columns the store reads is no better.
    Exec(File(),
         "CREATE TABLE t_macrorecord (record_id INTEGER PRIMARY KEY, macro_id INTEGER); "
         "CREATE TABLE t_ledframe_data (frame_id INTEGER PRIMARY KEY, led_id INTEGER, "
         "name TEXT, delay_time INTEGER, frame_index INTEGER, file_name TEXT)");
    health = store_.CheckHealth();
    EXPECT_EQ(health.condition, StoreCondition::kMissingTables);
    EXPECT_EQ(health.detail, "t_macrorecord without type, record_index, desc, value, delay_time");
}

TEST_F(StoreHealthTest, ResetKeepsEachDamagedFileAndStartsAFreshStore) {
    const std::string healthy = HealthyBytes();
    for (const Damage& damage : kDamages) {
        const std::string bytes = damage.make(healthy);
        WriteFile(File(), bytes);
        ASSERT_TRUE(Open()) << damage.name;

        const StoreReset reset = store_.ResetDeviceStore(dir_.path(), "Mouse", 150);
        ASSERT_TRUE(reset.ok) << damage.name << ": " << reset.error;
        EXPECT_EQ(reset.error, "");
        EXPECT_EQ(reset.kept_copy.parent_path(), File().parent_path());
        EXPECT_EQ(ReadFile(reset.kept_copy), bytes) << damage.name;
        EXPECT_TRUE(store_.CheckHealth().healthy()) << damage.name;
        EXPECT_EQ(LoadProfileList(store_, "Profile").entries.size(), 5u);
        EXPECT_EQ(Count("t_configdata"), 295) << damage.name;
    }
    // Resets within one second still keep every copy.
    EXPECT_EQ(KeptCopies().size(), std::size(kDamages));
}

TEST_F(StoreHealthTest, ResetTakesADamagedFilesJournalAlong) {
    WriteFile(File(), "not a database at all");
    const std::string journal(3000, '\x5a');
    WriteFile(File().string() + "-journal", journal);
    const StoreReset reset = store_.ResetDeviceStore(dir_.path(), "Mouse", 0);
    ASSERT_TRUE(reset.ok) << reset.error;
    EXPECT_EQ(ReadFile(reset.kept_copy.string() + "-journal"), journal);
    EXPECT_FALSE(std::filesystem::exists(File().string() + "-journal"));
    EXPECT_TRUE(store_.CheckHealth().healthy());
}

TEST_F(StoreHealthTest, ResetDeletesAHealthyFile) {
    ASSERT_TRUE(Open());
    LoadProfileList(store_, "Profile");
    const StoreReset reset = store_.ResetDeviceStore(dir_.path(), "Mouse", 0);
    EXPECT_TRUE(reset.ok);
    EXPECT_TRUE(reset.kept_copy.empty());
    EXPECT_TRUE(KeptCopies().empty());
    EXPECT_EQ(Count("t_profile_data"), 0);
}

}  // namespace
}  // namespace veltra
