#include <gtest/gtest.h>

#include <atomic>
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

}  // namespace
}  // namespace veltra
