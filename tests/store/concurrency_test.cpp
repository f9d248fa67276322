#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "store/profile_list.h"
#include "store/settings_defaults.h"
#include "store_fixture.h"

namespace veltra {
namespace {

constexpr int kBatch = 20;

using ProfileStoreConcurrencyTest = test::StoreTest;

// One thread works the tables while another keeps switching the model file under it, as the
// worker and the UI thread do. Every batch of macro steps must land whole in one file.
TEST_F(ProfileStoreConcurrencyTest, TableOperationsSurviveSwitchesOnAnotherThread) {
    ASSERT_TRUE(Open("A"));
    LoadProfileList(store_, "Profile");
    ASSERT_TRUE(Open("B"));
    LoadProfileList(store_, "Profile");

    std::atomic<int> operations{0};
    std::atomic<bool> done{false};
    std::thread worker([&] {
        std::vector<MacroRecord> batch(kBatch);
        while (!done.load()) {
            const int n = operations.load();
            store_.SetConfig(1, config_key::kMouseSpeed, std::to_string(n));
            std::string value;
            store_.GetConfig(1, config_key::kMouseSpeed, value);
            const int macro = store_.AddMacro("m");
            for (auto& record : batch) {
                record.macro_id = macro;
            }
            store_.AddMacroRecords(batch);
            std::vector<MacroRecord> records;
            store_.LoadMacroRecords(macro, records);
            KeyAssignment key;
            key.profile = 1;
            key.key_code = n % 8;
            key.macro_value = n + 1;
            store_.SaveKeyAssignment(key);
            LoadProfileList(store_, "Profile");
            operations.fetch_add(1);
        }
    });

    for (int i = 0; i < 100; ++i) {
        // Wait for the worker to get through at least one round between two changes of file.
        const int seen = operations.load();
        while (operations.load() == seen) {
            std::this_thread::yield();
        }
        switch (i % 3) {
            case 0:
                store_.SwitchDeviceModel(dir_.path(), i % 2 ? "A" : "B", 0);
                break;
            case 1:
                store_.Close();
                break;
            default:
                store_.OpenDeviceStore(dir_.path(), "A");
                break;
        }
    }
    done.store(true);
    worker.join();
    store_.Close();

    for (const char* stem : {"A", "B"}) {
        EXPECT_EQ(test::QueryInt(File(stem),
                                 "SELECT count(*) FROM (SELECT macro_id FROM "
                                 "t_macrorecord GROUP BY macro_id HAVING count(*) % " +
                                     std::to_string(kBatch) + " != 0)"),
                  0)
            << stem;
        EXPECT_EQ(test::QueryInt(File(stem), "SELECT count(*) FROM t_configdata"), 295) << stem;
        EXPECT_EQ(test::QueryInt(File(stem),
                                 "SELECT count(*) FROM t_profile_data WHERE "
                                 "status = 1"),
                  1)
            << stem;
    }
}

// Store objects of their own stand for separate processes: each has its own connection, and
// all start on a file that does not exist yet, as three veltractl runs on a new data folder do.
TEST_F(ProfileStoreConcurrencyTest, ConnectionsStartingTogetherCreateOneSetOfProfiles) {
    constexpr int kConnections = 4;
    constexpr int kRounds = 10;
    for (int round = 0; round < kRounds; ++round) {
        const std::string stem = "Round" + std::to_string(round);
        std::vector<std::unique_ptr<ProfileStore>> stores;
        for (int i = 0; i < kConnections; ++i) {
            stores.push_back(std::make_unique<ProfileStore>());
        }
        std::atomic<int> ready{0};
        std::vector<std::thread> threads;
        std::vector<int> active(kConnections, -1);
        std::vector<int> stored(kConnections, 0);
        for (int i = 0; i < kConnections; ++i) {
            threads.emplace_back([&, i] {
                ready.fetch_add(1);
                while (ready.load() < kConnections) {
                    std::this_thread::yield();
                }
                ProfileStore& store = *stores[i];
                if (!store.SwitchDeviceModel(dir_.path(), stem, 150)) {
                    return;
                }
                active[i] = LoadProfileList(store, "Profile").active_profile;
                stored[i] = store.SetConfig(active[i], DefaultConfig(150)[10 + i].key,
                                            std::to_string(100 + i));
                store.Close();
            });
        }
        for (std::thread& thread : threads) {
            thread.join();
        }
        for (int i = 0; i < kConnections; ++i) {
            EXPECT_EQ(active[i], 1) << stem << " connection " << i;
            EXPECT_TRUE(stored[i]) << stem << " connection " << i;
            EXPECT_EQ(test::QueryInt(File(stem),
                                     "SELECT value FROM t_configdata WHERE profile = 1 "
                                     "AND key = '" +
                                         DefaultConfig(150)[10 + i].key + "'"),
                      100 + i);
        }
        EXPECT_EQ(test::QueryInt(File(stem), "SELECT count(*) FROM t_profile_data"), 5) << stem;
        EXPECT_EQ(test::QueryInt(File(stem), "SELECT count(*) FROM t_configdata"), 295) << stem;
        EXPECT_EQ(test::QueryInt(File(stem),
                                 "SELECT count(DISTINCT profile || '/' || key) FROM t_configdata"),
                  295)
            << stem;
    }
    // No file being built is left behind.
    for (const auto& entry : std::filesystem::directory_iterator(dir_.path() / "db")) {
        EXPECT_EQ(entry.path().extension(), ".db") << entry.path();
    }
}

// A failure in the middle of creating the profiles leaves none at all, not the first two and a
// half, and the next load creates the whole set.
TEST_F(ProfileStoreConcurrencyTest, FailedProfileCreationLeavesNoProfile) {
    ASSERT_TRUE(Open());
    {
        SQLiteDB db;
        ASSERT_TRUE(db.Open(File().c_str(), {}, SQLITE_OPEN_READWRITE));
        ASSERT_EQ(db.Exec("CREATE TRIGGER refuse AFTER INSERT ON t_configdata WHEN "
                          "NEW.profile = 3 AND NEW.key = 'dpi_group4_rgb' "
                          "BEGIN SELECT RAISE(ABORT, 'refused'); END"),
                  SQLITE_OK);
    }
    const ProfileList failed = LoadProfileList(store_, "Profile");
    EXPECT_TRUE(failed.entries.empty());
    EXPECT_EQ(failed.active_profile, 0);
    EXPECT_EQ(Count("t_profile_data"), 0);
    EXPECT_EQ(Count("t_configdata"), 0);

    {
        SQLiteDB db;
        ASSERT_TRUE(db.Open(File().c_str(), {}, SQLITE_OPEN_READWRITE));
        ASSERT_EQ(db.Exec("DROP TRIGGER refuse"), SQLITE_OK);
    }
    const ProfileList created = LoadProfileList(store_, "Profile");
    EXPECT_EQ(created.entries.size(), 5u);
    EXPECT_EQ(created.entries.front().profile_id, 1);
    EXPECT_EQ(created.active_profile, 1);
    EXPECT_EQ(Count("t_configdata"), 295);
}

}  // namespace
}  // namespace veltra
