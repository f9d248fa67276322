#include "macro/macro_store.h"

#include <gtest/gtest.h>

#include <vector>

#include "settings/key_function.h"
#include "store/store_fixture.h"

namespace veltra {
namespace {

class MacroStoreTest : public test::StoreTest {
  protected:
    void SetUp() override {
        StoreTest::SetUp();
        ASSERT_TRUE(Open("Mouse", 101));
        ASSERT_TRUE(store_.CreateDefaultProfiles({"Profile 1", "Profile 2"}));
    }
    int New(const char* name) {
        MacroChange outcome = MacroChange::kStoreFailed;
        const int id = CreateMacro(store_, name, outcome);
        EXPECT_EQ(outcome, MacroChange::kDone);
        return id;
    }
    void Assign(int profile, int key_code, int macro_id, const char* desc) {
        KeyAssignment row;
        row.profile = profile;
        row.key_code = key_code;
        row.macro_type = static_cast<int>(KeyFunctionType::MacroFunction);
        row.macro_value = macro_id;
        row.macro_desc = desc;
        ASSERT_GT(store_.SaveKeyAssignment(row), 0);
    }
};

const std::vector<MacroStep> kSteps = {
    {"↓  A", 2, 65, 7}, {" -   10 ms", 1, 10, 8}, {"↑  A", 3, 65, 7}};

TEST_F(MacroStoreTest, NewMacrosGetTheDefaultsAndStopAtTheDirectorySize) {
    const int id = New("Custom 1");
    MacroInfo info;
    ASSERT_TRUE(store_.LoadMacro(id, info));
    EXPECT_EQ(info.play_type, 0);
    EXPECT_EQ(info.play_times, 1);
    EXPECT_EQ(info.delay_type, 1);
    EXPECT_EQ(info.delay_time, 0);
    for (int i = 1; i < kMaxMacros; ++i) {
        New("more");
    }
    MacroChange outcome = MacroChange::kDone;
    EXPECT_EQ(CreateMacroWithSteps(store_, info, kSteps, outcome), 0);
    EXPECT_EQ(outcome, MacroChange::kTooManyMacros);
    EXPECT_EQ(Count("t_macro_data"), kMaxMacros);
    EXPECT_EQ(Count("t_macrorecord"), 0);
}

TEST_F(MacroStoreTest, StepsAreReplacedInListOrderOrNotAtAll) {
    const int id = New("m");
    ASSERT_TRUE(StoreMacroSteps(store_, id, kSteps));
    EXPECT_EQ(LoadMacroSteps(store_, id), kSteps);
    const std::vector<MacroStep> reversed(kSteps.rbegin(), kSteps.rend());
    ASSERT_TRUE(StoreMacroSteps(store_, id, reversed));
    EXPECT_EQ(LoadMacroSteps(store_, id), reversed);

    // A store that refuses one of the rows (the bulk insert goes on past it) keeps the old
    // steps: the deletion before it is rolled back too.
    SQLiteDB other;
    ASSERT_TRUE(other.Open(File().c_str(), {}, SQLITE_OPEN_READWRITE));
    ASSERT_EQ(other.Exec("CREATE TRIGGER refuse BEFORE INSERT ON t_macrorecord WHEN NEW.type = 1 "
                         "BEGIN SELECT RAISE(ABORT, 'refused'); END"),
              SQLITE_OK);
    EXPECT_FALSE(StoreMacroSteps(store_, id, kSteps));
    ASSERT_EQ(other.Exec("DROP TRIGGER refuse"), SQLITE_OK);
    EXPECT_EQ(LoadMacroSteps(store_, id), reversed);
}

TEST_F(MacroStoreTest, DeletingResetsTheButtonsOfEveryProfileThatPlayedIt) {
    const int first = New("first");
    const int second = New("second");
    ASSERT_TRUE(StoreMacroSteps(store_, first, kSteps));
    Assign(1, 3, first, "first");
    Assign(2, 4, first, "first");
    Assign(2, 5, second, "second");
    EXPECT_EQ(FindMacroUses(store_, first).size(), 2u);

    int reset = -1;
    EXPECT_EQ(DeleteMacroAndUses(store_, first, reset), MacroChange::kDone);
    EXPECT_EQ(reset, 2);
    EXPECT_TRUE(FindMacroUses(store_, first).empty());
    EXPECT_EQ(FindMacroUses(store_, second).size(), 1u);
    EXPECT_EQ(Count("t_macrorecord"), 0);
    EXPECT_EQ(DeleteMacroAndUses(store_, first, reset), MacroChange::kNotFound);

    // The slots moved up: the second macro is slot 0 now, and its button says so.
    const MacroSlotTable slots(std::vector<int>{second});
    KeyAssignment row;
    ASSERT_TRUE(store_.LoadKeyAssignment(2, 0, 5, row));
    const KeyFunction function{KeyFunctionType::MacroFunction, row.macro_value, 0, 0, ""};
    EXPECT_EQ(EncodeKeyFunction(5, function, slots).code, 0);
    EXPECT_EQ(EncodeKeyFunction(5, function, slots).class_byte, 0xFF);
}

TEST_F(MacroStoreTest, RenamingRewritesTheButtonTextsOfEveryProfile) {
    const int id = New("old");
    Assign(1, 3, id, "old");
    Assign(2, 3, id, "old");
    EXPECT_EQ(RenameMacroAndUses(store_, id, "new"), MacroChange::kDone);
    for (int profile : {1, 2}) {
        KeyAssignment row;
        ASSERT_TRUE(store_.LoadKeyAssignment(profile, 0, 3, row));
        EXPECT_EQ(row.macro_desc, "new");
    }
    MacroInfo info;
    ASSERT_TRUE(store_.LoadMacro(id, info));
    EXPECT_EQ(info.name, "new");
    EXPECT_EQ(RenameMacroAndUses(store_, id + 5, "x"), MacroChange::kNotFound);
}

}  // namespace
}  // namespace veltra
