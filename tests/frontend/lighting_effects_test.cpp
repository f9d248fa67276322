#include "frontend/lighting_effects.h"

#include <gtest/gtest.h>

#include <vector>

#include "store/store_fixture.h"

namespace veltra {
namespace {

class LightingEffectsTest : public test::StoreTest {
  protected:
    void SetUp() override {
        StoreTest::SetUp();
        ASSERT_TRUE(Open("Mouse", 101));
    }

    static std::string Lang(int id) { return "text " + std::to_string(id); }

    std::vector<LightMode> Rows(int profile) {
        std::vector<LightMode> rows;
        store_.LoadLightModes(profile, rows);
        return rows;
    }

    int Active(int profile) {
        return Count("t_light_data", "profile = " + std::to_string(profile) + " AND status = 1");
    }
};

TEST_F(LightingEffectsTest, AProfileGetsTheSevenDefaultsOnceWithEffectZeroActive) {
    EXPECT_EQ(EnsureLightEffects(store_, 1, true, Lang), 7);
    EXPECT_EQ(EnsureLightEffects(store_, 1, true, Lang), 0);
    const std::vector<LightMode> rows = Rows(1);
    ASSERT_EQ(rows.size(), 7u);
    for (std::size_t index = 0; index < rows.size(); ++index) {
        const LightMode& row = rows[index];
        const DefaultLightEffect& effect = kDefaultLightEffects[index];
        EXPECT_EQ(row.mode, static_cast<int>(index));
        EXPECT_EQ(row.name, DefaultLightEffectName(effect, Lang));
        EXPECT_EQ(row.config_func, effect.config_func);
        EXPECT_EQ(row.reserved, effect.reserved);
        EXPECT_EQ(row.brightness, 255);
        EXPECT_EQ(row.speed, 127);
        EXPECT_EQ(row.direction, 0);
        EXPECT_EQ(row.colorful, 1);
        EXPECT_EQ(row.colorindex, 0);
        EXPECT_EQ(row.color_value, 255);
        EXPECT_EQ(row.status, index == 0 ? 1 : 0) << index;
    }
    EXPECT_EQ(rows[1].name, "text 281");
    // Profiles are independent.
    EXPECT_EQ(store_.CountLightModes(2), 0);
    EXPECT_EQ(EnsureLightEffects(store_, 2, true, Lang), 7);
    EXPECT_EQ(Count("t_light_data"), 14);
}

TEST_F(LightingEffectsTest, OnlyAProfileWithoutEffectsOfAModelWithLightingGetsRows) {
    EXPECT_EQ(EnsureLightEffects(store_, 1, false, Lang), 0);
    // Before the profiles exist the active profile reads as 0: no rows for it either.
    EXPECT_EQ(EnsureLightEffects(store_, 0, true, Lang), 0);
    EXPECT_EQ(Count("t_light_data"), 0);
    // A profile that already has effects (an imported one, say) keeps its own.
    LightMode imported;
    imported.profile = 3;
    imported.mode = 4;
    imported.status = 1;
    ASSERT_GT(store_.AddLightMode(imported), 0);
    EXPECT_EQ(EnsureLightEffects(store_, 3, true, Lang), 0);
    EXPECT_EQ(store_.CountLightModes(3), 1);
    EXPECT_EQ(store_.GetActiveLightMode(3), 4);
}

TEST_F(LightingEffectsTest, ChoosingMakesExactlyOneEffectOfTheProfileActive) {
    EnsureLightEffects(store_, 1, true, Lang);
    EnsureLightEffects(store_, 2, true, Lang);
    EXPECT_EQ(ChooseLightEffect(store_, 1, 3), LightWrite::Stored);
    EXPECT_EQ(ChooseLightEffect(store_, 1, 5), LightWrite::Stored);
    EXPECT_EQ(Active(1), 1);
    EXPECT_EQ(store_.GetActiveLightMode(1), 5);
    EXPECT_EQ(store_.GetActiveLightMode(2), 0);

    // An effect the profile does not have leaves the active one as it was.
    EXPECT_EQ(ChooseLightEffect(store_, 1, 9), LightWrite::NoEffect);
    EXPECT_EQ(store_.GetActiveLightMode(1), 5);
    EXPECT_EQ(Active(1), 1);
    EXPECT_EQ(ChooseLightEffect(store_, 4, 0), LightWrite::NoEffect);
    EXPECT_EQ(store_.CountLightModes(4), 0);
}

TEST_F(LightingEffectsTest, ValuesChangeOnlyTheirEffectAndAMissingRowWritesNothing) {
    EXPECT_EQ(SetLightEffectValue(store_, 1, 1, LightSetting::Brightness, 80),
              LightWrite::NoEffect);
    EXPECT_EQ(Count("t_light_data"), 0);

    EnsureLightEffects(store_, 1, true, Lang);
    EnsureLightEffects(store_, 2, true, Lang);
    ChooseLightEffect(store_, 1, 2);
    EXPECT_EQ(SetLightEffectValue(store_, 1, 1, LightSetting::Brightness, 80), LightWrite::Stored);
    EXPECT_EQ(SetLightEffectValue(store_, 1, 1, LightSetting::Speed, 30), LightWrite::Stored);
    EXPECT_EQ(SetLightEffectValue(store_, 1, 2, LightSetting::Colour, 0xFF00), LightWrite::Stored);
    EXPECT_EQ(SetLightEffectValue(store_, 1, 7, LightSetting::Colour, 0xFF00),
              LightWrite::NoEffect);

    const std::vector<LightMode> rows = Rows(1);
    ASSERT_EQ(rows.size(), 7u);
    EXPECT_EQ(rows[1].brightness, 80);
    EXPECT_EQ(rows[1].speed, 30);
    EXPECT_EQ(rows[1].color_value, 255);
    EXPECT_EQ(rows[1].config_func, 19);
    EXPECT_EQ(rows[1].reserved, 281);
    EXPECT_EQ(rows[2].color_value, 0xFF00);
    EXPECT_EQ(rows[2].brightness, 255);
    // A change of values is no choice of effect.
    EXPECT_EQ(store_.GetActiveLightMode(1), 2);
    for (const LightMode& row : Rows(2)) {
        EXPECT_EQ(row.brightness, 255);
        EXPECT_EQ(row.color_value, 255);
    }
    EXPECT_EQ(store_.CountLightModes(1), 7);
}

TEST_F(LightingEffectsTest, AClosedStoreIsLeftAlone) {
    ASSERT_TRUE(store_.Close());
    EXPECT_EQ(EnsureLightEffects(store_, 1, true, Lang), 0);
    EXPECT_EQ(ChooseLightEffect(store_, 1, 0), LightWrite::NoEffect);
    EXPECT_EQ(SetLightEffectValue(store_, 1, 0, LightSetting::Speed, 1), LightWrite::NoEffect);
    EXPECT_EQ(LoadLightEffect(store_, 1, 0), std::nullopt);
}

}  // namespace
}  // namespace veltra
