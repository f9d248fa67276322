#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "store/profile_store.h"
#include "store_fixture.h"

namespace veltra {
namespace {

class ProfileTablesTest : public test::StoreTest {
  protected:
    void SetUp() override {
        StoreTest::SetUp();
        ASSERT_TRUE(Open());
    }

    static KeyAssignment Key(int profile, int key_code, int value, int value2 = 0) {
        KeyAssignment record;
        record.profile = profile;
        record.key_code = key_code;
        record.layout_value = 100 + key_code;
        record.layout_desc = "Button " + std::to_string(key_code);
        record.macro_type = 3;
        record.macro_value = value;
        record.macro_value2 = value2;
        record.macro_value3 = -7;
        record.macro_desc = "Ctrl+配置";
        return record;
    }

    static LightMode Light(int profile, int mode) {
        LightMode record;
        record.profile = profile;
        record.name = "effect " + std::to_string(mode);
        record.mode = mode;
        record.brightness = 3;
        record.speed = 2;
        record.direction = 1;
        record.colorful = 1;
        record.colorindex = 4;
        record.color_value = 0x20A3FF;
        record.config_func = 5;
        record.reserved = 6;
        return record;
    }

    static MacroRecord Step(int macro_id, int index, int value) {
        return {0, macro_id, 1, index, value, 10 * index, "step " + std::to_string(index)};
    }
};

TEST_F(ProfileTablesTest, KeyAssignmentRoundTripsEveryColumn) {
    const int id = store_.SaveKeyAssignment(Key(1, 4, 0x04, 0x02));
    EXPECT_GT(id, 0);
    KeyAssignment loaded;
    ASSERT_TRUE(store_.LoadKeyAssignment(1, 0, 4, loaded));
    EXPECT_EQ(loaded.key_id, id);
    EXPECT_EQ(loaded.profile, 1);
    EXPECT_EQ(loaded.fn_layer, 0);
    EXPECT_EQ(loaded.key_code, 4);
    EXPECT_EQ(loaded.layout_value, 104);
    EXPECT_EQ(loaded.layout_desc, "Button 4");
    EXPECT_EQ(loaded.macro_type, 3);
    EXPECT_EQ(loaded.macro_value, 4);
    EXPECT_EQ(loaded.macro_value2, 2);
    EXPECT_EQ(loaded.macro_value3, -7);
    EXPECT_EQ(loaded.macro_desc, "Ctrl+配置");
    EXPECT_FALSE(store_.LoadKeyAssignment(2, 0, 4, loaded));
}

TEST_F(ProfileTablesTest, EveryKeyOperationKeepsToItsLayer) {
    KeyAssignment upper = Key(1, 4, 7);
    upper.fn_layer = 1;
    store_.SaveKeyAssignment(Key(1, 4, 3));
    store_.SaveKeyAssignment(upper);
    store_.SaveKeyAssignment(upper);
    EXPECT_EQ(Count("t_key_macro_data", "key_code = 4"), 2);

    KeyAssignment loaded;
    ASSERT_TRUE(store_.LoadKeyAssignment(1, 0, 4, loaded));
    EXPECT_EQ(loaded.macro_value, 3);
    ASSERT_TRUE(store_.LoadKeyAssignment(1, 1, 4, loaded));
    EXPECT_EQ(loaded.macro_value, 7);
    EXPECT_EQ(loaded.fn_layer, 1);
    EXPECT_FALSE(store_.LoadKeyAssignment(1, 2, 4, loaded));

    EXPECT_TRUE(store_.SetKeyMacroDesc(1, 1, 4, "upper"));
    ASSERT_TRUE(store_.LoadKeyAssignment(1, 0, 4, loaded));
    EXPECT_EQ(loaded.macro_desc, "Ctrl+配置");
    std::vector<KeyAssignment> keys;
    ASSERT_EQ(store_.LoadKeyAssignments(1, 1, keys), 1);
    EXPECT_EQ(keys[0].macro_desc, "upper");
    EXPECT_EQ(store_.LoadKeyAssignments(1, 0, keys), 1);
}

TEST_F(ProfileTablesTest, SavingReplacesAndZeroValuesRestoreTheFactoryFunction) {
    store_.SaveKeyAssignment(Key(1, 4, 1));
    store_.SaveKeyAssignment(Key(1, 4, 2));
    store_.SaveKeyAssignment(Key(1, 5, 0, 9));
    store_.SaveKeyAssignment(Key(2, 4, 3));
    EXPECT_EQ(Count("t_key_macro_data", "profile = 1 AND key_code = 4"), 1);
    std::vector<KeyAssignment> keys;
    ASSERT_EQ(store_.LoadKeyAssignments(1, 0, keys), 2);
    EXPECT_EQ(keys[0].macro_value, 2);
    EXPECT_EQ(keys[1].macro_value2, 9);

    EXPECT_EQ(store_.SaveKeyAssignment(Key(1, 4, 0, 0)), 0);
    KeyAssignment loaded;
    EXPECT_FALSE(store_.LoadKeyAssignment(1, 0, 4, loaded));
    EXPECT_EQ(Count("t_key_macro_data"), 2);

    EXPECT_TRUE(store_.SetKeyMacroDesc(1, 0, 5, "renamed"));
    ASSERT_TRUE(store_.LoadKeyAssignment(1, 0, 5, loaded));
    EXPECT_EQ(loaded.macro_desc, "renamed");

    EXPECT_TRUE(store_.DeleteKeyAssignment(1, 0, 5));
    EXPECT_FALSE(store_.LoadKeyAssignment(1, 0, 5, loaded));
    EXPECT_TRUE(store_.DeleteKeyAssignment(1, 0, 5));  // nothing left to remove is no failure
    ASSERT_GT(store_.SaveKeyAssignment(Key(1, 5, 0, 9)), 0);

    EXPECT_TRUE(store_.DeleteKeyAssignments(1));
    EXPECT_EQ(store_.LoadKeyAssignments(1, 0, keys), 0);
    EXPECT_EQ(store_.LoadKeyAssignments(2, 0, keys), 1);
}

TEST_F(ProfileTablesTest, LightModesKeepOneActiveEffectPerProfile) {
    EXPECT_EQ(store_.GetActiveLightMode(1), 0);
    for (int mode = 1; mode <= 3; ++mode) {
        EXPECT_GT(store_.AddLightMode(Light(1, mode)), 0);
    }
    store_.AddLightMode(Light(2, 2));
    EXPECT_EQ(store_.CountLightModes(1), 3);

    EXPECT_TRUE(store_.SetActiveLightMode(1, 2));
    EXPECT_TRUE(store_.SetActiveLightMode(2, 2));
    EXPECT_TRUE(store_.SetActiveLightMode(1, 3));
    EXPECT_EQ(Count("t_light_data", "profile = 1 AND status = 1"), 1);
    EXPECT_EQ(store_.GetActiveLightMode(1), 3);
    EXPECT_EQ(store_.GetActiveLightMode(2), 2);
    EXPECT_TRUE(store_.SetActiveLightMode(1, 9));
    EXPECT_EQ(Count("t_light_data", "profile = 1 AND status = 1"), 0);

    LightMode changed = Light(7, 99);
    changed.name = "ignored";
    changed.brightness = 1;
    changed.color_value = 255;
    changed.status = 1;
    EXPECT_TRUE(store_.UpdateLightMode(1, 2, changed));
    LightMode loaded;
    ASSERT_TRUE(store_.LoadLightMode(1, 2, loaded));
    EXPECT_EQ(loaded.profile, 1);
    EXPECT_EQ(loaded.mode, 2);
    EXPECT_EQ(loaded.name, "effect 2");
    EXPECT_EQ(loaded.brightness, 1);
    EXPECT_EQ(loaded.speed, 2);
    EXPECT_EQ(loaded.color_value, 255);
    EXPECT_EQ(loaded.config_func, 5);
    EXPECT_EQ(loaded.reserved, 6);
    EXPECT_EQ(loaded.status, 0);

    std::vector<LightMode> modes;
    ASSERT_EQ(store_.LoadLightModes(1, modes), 3);
    EXPECT_EQ(modes[2].mode, 3);
    EXPECT_EQ(modes[2].colorindex, 4);
    EXPECT_FALSE(store_.LoadLightMode(1, 9, loaded));
}

TEST_F(ProfileTablesTest, MacrosAndTheirSettings) {
    const int plain = store_.AddMacro("Plain");
    MacroInfo info{0, "Tuned", 2, 5, 0, 30};
    const int tuned = store_.AddMacroWithSettings(info);
    EXPECT_EQ(plain, 1);
    EXPECT_EQ(tuned, 2);

    MacroInfo loaded;
    ASSERT_TRUE(store_.LoadMacro(plain, loaded));
    EXPECT_EQ(loaded.name, "Plain");
    EXPECT_EQ(loaded.play_type, 0);
    EXPECT_EQ(loaded.play_times, 1);
    EXPECT_EQ(loaded.delay_type, 1);
    EXPECT_EQ(loaded.delay_time, 0);

    EXPECT_TRUE(store_.RenameMacro(plain, "Renamed"));
    info.macro_id = tuned;
    info.play_times = 9;
    info.delay_time = 40;
    EXPECT_TRUE(store_.UpdateMacro(info));
    std::vector<MacroInfo> macros;
    ASSERT_EQ(store_.LoadMacros(macros), 2);
    EXPECT_EQ(macros[0].name, "Renamed");
    EXPECT_EQ(macros[1].macro_id, tuned);
    EXPECT_EQ(macros[1].play_type, 2);
    EXPECT_EQ(macros[1].play_times, 9);
    EXPECT_EQ(macros[1].delay_time, 40);
    EXPECT_FALSE(store_.LoadMacro(99, loaded));
}

TEST_F(ProfileTablesTest, MacroRecordsComeBackInIndexOrder) {
    const int macro = store_.AddMacro("m");
    EXPECT_GT(store_.AddMacroRecord(Step(macro, 2, 30)), 0);
    store_.AddMacroRecords({Step(macro, 1, 20), Step(macro, 0, 10)});
    std::vector<MacroRecord> records;
    ASSERT_EQ(store_.LoadMacroRecords(macro, records), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(records[i].record_index, i);
        EXPECT_EQ(records[i].macro_id, macro);
        EXPECT_EQ(records[i].type, 1);
        EXPECT_EQ(records[i].value, 10 * (i + 1));
        EXPECT_EQ(records[i].delay_time, 10 * i);
        EXPECT_EQ(records[i].desc, "step " + std::to_string(i));
    }
    EXPECT_EQ(records[2].record_id, 1);

    // Replacing the steps, as the macro editor does.
    EXPECT_TRUE(store_.DeleteMacroRecords(macro));
    store_.AddMacroRecords({Step(macro, 0, 5)});
    EXPECT_EQ(store_.LoadMacroRecords(macro, records), 1);
    EXPECT_EQ(records[0].value, 5);
}

TEST_F(ProfileTablesTest, DeletingAMacroTakesOnlyItsRecords) {
    const int first = store_.AddMacro("first");
    const int second = store_.AddMacro("second");
    store_.AddMacroRecords({Step(first, 0, 1), Step(first, 1, 2), Step(second, 0, 3)});
    EXPECT_TRUE(store_.DeleteMacro(first));
    MacroInfo info;
    EXPECT_FALSE(store_.LoadMacro(first, info));
    EXPECT_TRUE(store_.LoadMacro(second, info));
    EXPECT_EQ(Count("t_macrorecord"), 1);
    EXPECT_EQ(Count("t_macrorecord", "macro_id = " + std::to_string(second)), 1);
}

TEST_F(ProfileTablesTest, LongestMacroIsCommittedWhole) {
    // Counted through a second connection, which sees only committed rows.
    std::vector<MacroRecord> records;
    for (int i = 0; i < 990; ++i) {
        records.push_back(Step(1, i, i));
    }
    store_.AddMacroRecords(records);
    EXPECT_EQ(Count("t_macrorecord"), 990);
    std::vector<MacroRecord> loaded;
    EXPECT_EQ(store_.LoadMacroRecords(1, loaded), 990);
    EXPECT_EQ(loaded[989].desc, "step 989");
}

}  // namespace
}  // namespace veltra
