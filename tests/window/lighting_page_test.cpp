// The lighting page over the simulated mouse: the effects a profile gets, which controls each
// effect shows, what every control stores in the effect's row, and the settings write after it.
#include <gtest/gtest.h>

#include "config/language.h"
#include "device/device_worker.h"
#include "shell/settings_key.h"
#include "ui/widgets/buttons.h"
#include "ui/widgets/fields.h"
#include "ui/widgets/labels.h"
#include "ui/widgets/palette.h"
#include "ui/widgets/sliders.h"
#include "ui/widgets/tabs.h"
#include "ui/window/lighting_page.h"
#include "window/window_fixture.h"

namespace veltra::ui::testing {
namespace {

namespace light = lighting_page;

// Every control that belongs to one of the offered settings.
constexpr int kOptionControls[] = {
    light::kOptionsPanel, light::kOptionsTitle, light::kBrightnessLabel,
    light::kBrightness,   light::kSpeedLabel,   light::kSpeed,
    light::kColourTitle,  light::kFirstSwatch,  light::kHueTitle,
    light::kHue,          light::kPreview,      light::kLightnessLabel,
    light::kLightness,    light::kRedLabel,     light::kRed,
    light::kGreen,        light::kBlue,         light::kFirstSwatch + 7};

class LightingPageTest : public WindowTest {
  protected:
    // Opens the window on the lighting tab once the page has loaded the active profile.
    void OpenLighting() {
        OpenWindow();
        auto* tabs = Get<MTabCtrl>(ids::kTabBar);
        tabs->SetSelectItem(ids::kLightingTabIndex);
        Act(ids::kTabBar, ids::kLightingTabIndex);
        ASSERT_TRUE(WaitUntil([this] { return Effects()->GetCount() == 7; }));
        Settle();
    }

    // Lets the synchronisation's traffic end, then forgets it.
    void Settle() {
        ASSERT_TRUE(WaitUntil([this] { return window_->Worker().TaskQueueEmpty(); }));
        backend_->ClearTraffic();
    }

    // Waits until the worker has written the mouse `count` times since the traffic was cleared.
    void AwaitWrites(std::size_t count) {
        EXPECT_TRUE(WaitUntil(
            [&] { return ConfigWrites().size() >= count && window_->Worker().TaskQueueEmpty(); }));
        EXPECT_EQ(ConfigWrites().size(), count);
    }

    void Choose(int effect) {
        ASSERT_TRUE(Effects()->SelectData(effect));
        Act(light::kEffects, Effects()->GetCurSel());
    }

    LightMode Row(int mode, int profile = 0) {
        LightMode row;
        EXPECT_TRUE(
            store_.LoadLightMode(profile == 0 ? store_.GetActiveProfile() : profile, mode, row))
            << "effect " << mode;
        return row;
    }

    std::vector<QString> Components() {
        return {Title(light::kRed), Title(light::kGreen), Title(light::kBlue)};
    }

    // The panel holds every option control that shows.
    void ExpectOptionsOnThePanel() {
        const QRect panel = WindowRect(light::kOptionsPanel);
        for (int id : kOptionControls) {
            if (id != light::kOptionsPanel && Shown(id)) {
                EXPECT_TRUE(panel.contains(WindowRect(id))) << "control " << id;
            }
        }
        // Left of the page area the container would cut it off.
        EXPECT_GE(panel.left(), 205);
    }

    MComboBox* Effects() { return Get<MComboBox>(light::kEffects); }
};

TEST_F(LightingPageTest, ANewProfileGetsSevenEffectsWithTheFirstActiveAndNoOptions) {
    OpenLighting();
    const int profile = store_.GetActiveProfile();
    EXPECT_EQ(store_.CountLightModes(profile), 7);
    EXPECT_EQ(store_.GetActiveLightMode(profile), 0);
    // Nothing for the profile 0 that the store reports before it has profiles.
    EXPECT_EQ(store_.CountLightModes(0), 0);
    const char* names[] = {
        "Off", "Static", "Breathing", "Spectrum cycle", "Flowing", "Single-colour marquee", "Neon"};
    for (int index = 0; index < 7; ++index) {
        EXPECT_EQ(Effects()->GetItemData(index), index);
        EXPECT_EQ(Effects()->GetItemText(index), QString::fromUtf8(names[index]));
    }
    EXPECT_EQ(Effects()->GetCurData(), 0);
    for (int id : kOptionControls) {
        EXPECT_FALSE(Shown(id)) << "control " << id;
    }
    EXPECT_TRUE(Shown(light::kEffects));
    EXPECT_TRUE(Shown(light::kInnerPanel));
    // The reset button exists for the routing but has no place.
    EXPECT_TRUE(WindowRect(light::kReset).isEmpty());
}

TEST_F(LightingPageTest, EachEffectShowsTheControlsOfWhatItOffers) {
    OpenLighting();
    Choose(2);
    EXPECT_EQ(store_.GetActiveLightMode(store_.GetActiveProfile()), 2);
    EXPECT_FALSE(Shown(light::kBrightness));
    EXPECT_FALSE(Shown(light::kBrightnessLabel));
    for (int id : {light::kOptionsPanel, light::kOptionsTitle, light::kSpeed, light::kSpeedLabel,
                   light::kHue, light::kLightness, light::kRed, light::kBlue, light::kPreview,
                   light::kFirstSwatch + 5}) {
        EXPECT_TRUE(Shown(id)) << "control " << id;
    }
    ExpectOptionsOnThePanel();
    const int wide = WindowRect(light::kOptionsPanel).width();
    AwaitWrites(1);

    Choose(3);
    EXPECT_TRUE(Shown(light::kBrightness));
    EXPECT_TRUE(Shown(light::kSpeed));
    EXPECT_FALSE(Shown(light::kHue));
    EXPECT_FALSE(Shown(light::kRed));
    EXPECT_FALSE(Shown(light::kFirstSwatch));
    EXPECT_LT(WindowRect(light::kOptionsPanel).width(), wide);
    ExpectOptionsOnThePanel();

    Choose(1);
    for (int id : kOptionControls) {
        EXPECT_TRUE(Shown(id)) << "control " << id;
    }
    EXPECT_EQ(WindowRect(light::kOptionsPanel).width(), wide);
    ExpectOptionsOnThePanel();

    Choose(0);
    EXPECT_FALSE(Shown(light::kOptionsPanel));
    EXPECT_EQ(store_.GetActiveLightMode(store_.GetActiveProfile()), 0);
    AwaitWrites(4);
}

TEST_F(LightingPageTest, ATypedComponentIsCorrectedAndAppliedOncePerCommit) {
    OpenLighting();
    Choose(1);
    AwaitWrites(1);
    backend_->ClearTraffic();
    Get<MEdit>(light::kRed)->SetTitle(QStringLiteral("0"));
    Get<MEdit>(light::kGreen)->SetTitle(QStringLiteral("300"));
    Get<MEdit>(light::kBlue)->SetTitle(QStringLiteral("0"));
    // Typing alone applies nothing.
    Notify(light::kGreen, Event::TextChanged);
    EXPECT_EQ(Row(1).color_value, 255);

    Notify(light::kGreen, Event::Action);
    Notify(light::kGreen, Event::FocusLost);
    EXPECT_EQ(Title(light::kGreen), QStringLiteral("255"));
    EXPECT_EQ(Row(1).color_value, 0xFF00);
    EXPECT_EQ(Get<CArea>(light::kPreview)->GetColor(), 0x00FF00u);
    AwaitWrites(1);

    // A number below the range, and text that is no number, become 0 in the field.
    Get<MEdit>(light::kRed)->SetTitle(QStringLiteral("-4"));
    Get<MEdit>(light::kBlue)->SetTitle(QStringLiteral("x"));
    Notify(light::kRed, Event::Action);
    EXPECT_EQ(Components(), (std::vector<QString>{"0", "255", "0"}));
    EXPECT_EQ(Row(1).color_value, 0xFF00);
    // Other effects keep their colour.
    EXPECT_EQ(Row(5).color_value, 255);
}

TEST_F(LightingPageTest, ASwatchFillsTheComponentsAndThePaletteUnchecksIt) {
    OpenLighting();
    Choose(5);
    auto* yellow = Get<CColorButton>(light::kFirstSwatch + 5);
    ASSERT_EQ(yellow->GetColor(), 0x00DEFFu);
    yellow->SetCheck(true);
    Act(light::kFirstSwatch + 5, static_cast<int>(yellow->GetColor()));
    EXPECT_EQ(Components(), (std::vector<QString>{"255", "222", "0"}));
    EXPECT_EQ(Row(5).color_value, 0x00DEFF);
    EXPECT_EQ(Get<CArea>(light::kPreview)->GetColor(), 0xFFDE00u);

    auto* hue = Get<PaletteBar>(light::kHue);
    hue->SetHue(240);
    auto* lightness = Get<LightSlider>(light::kLightness);
    lightness->SetValue(255);
    Act(light::kLightness, 255);
    EXPECT_FALSE(yellow->GetCheck());
    const std::uint32_t blue = hue->PaletteHSLToRGB(255);
    EXPECT_EQ(static_cast<std::uint32_t>(Row(5).color_value), blue);
    EXPECT_EQ(Components(), (std::vector<QString>{QString::number(blue & 0xFF),
                                                  QString::number((blue >> 8) & 0xFF),
                                                  QString::number(blue >> 16)}));
    // The hue bar applies with the lightness the slider holds.
    lightness->SetValue(0);
    Act(light::kHue, 240);
    EXPECT_EQ(static_cast<std::uint32_t>(Row(5).color_value), hue->PaletteHSLToRGB(0));
    AwaitWrites(4);
}

TEST_F(LightingPageTest, SlidersStoreOnReleaseAndEachProfileKeepsItsOwnEffects) {
    OpenLighting();
    const int first = store_.GetActiveProfile();
    Choose(1);
    auto* brightness = Get<LightSlider>(light::kBrightness);
    auto* speed = Get<LightSlider>(light::kSpeed);
    EXPECT_EQ(speed->GetMaxValue(), 255);
    speed->SetValue(10);
    Notify(light::kSpeed, Event::Changing, 10);
    EXPECT_EQ(Row(1).speed, 127);
    Act(light::kSpeed, 10);
    brightness->SetValue(80);
    Act(light::kBrightness, 80);
    EXPECT_EQ(Row(1).speed, 10);
    EXPECT_EQ(Row(1).brightness, 80);
    EXPECT_EQ(Row(3).brightness, 255);
    AwaitWrites(3);

    // Another profile gets effects of its own; the page shows its active one.
    auto* profiles = Get<MComboBox>(ids::kProfileCombo);
    ASSERT_TRUE(profiles->SelectData(first + 1));
    Act(ids::kProfileCombo, profiles->GetCurSel());
    ASSERT_TRUE(WaitUntil([&] {
        return store_.CountLightModes(first + 1) == 7 && Effects()->GetCurData() == 0 &&
               window_->Worker().TaskQueueEmpty();
    }));
    EXPECT_FALSE(Shown(light::kBrightness));
    Choose(1);
    EXPECT_EQ(brightness->GetValue(), 255);
    EXPECT_EQ(speed->GetValue(), 127);
    EXPECT_EQ(Row(1, first).brightness, 80);

    ASSERT_TRUE(profiles->SelectData(first));
    Act(ids::kProfileCombo, profiles->GetCurSel());
    ASSERT_TRUE(WaitUntil([&] { return window_->Worker().TaskQueueEmpty(); }));
    EXPECT_EQ(store_.GetActiveProfile(), first);
    EXPECT_EQ(Effects()->GetCurData(), 1);
    EXPECT_EQ(brightness->GetValue(), 80);
    EXPECT_EQ(speed->GetValue(), 10);
}

TEST_F(LightingPageTest, TheStoredColourShowsWithItsEffect) {
    OpenLighting();
    const int profile = store_.GetActiveProfile();
    LightMode row = Row(2);
    row.color_value = 0x563412;
    ASSERT_TRUE(store_.UpdateLightMode(profile, 2, row));
    Choose(2);
    EXPECT_EQ(Components(), (std::vector<QString>{"18", "52", "86"}));
    EXPECT_EQ(Get<CArea>(light::kPreview)->GetColor(), 0x123456u);
    for (int index = 0; index < light::kSwatchCount; ++index) {
        EXPECT_FALSE(Get<CColorButton>(light::kFirstSwatch + index)->GetCheck());
    }
}

TEST_F(LightingPageTest, ResendingAsksFirstAndTheLanguageRenamesTheEffects) {
    OpenLighting();
    Choose(4);
    AwaitWrites(1);
    backend_->ClearTraffic();
    box_answer_ = kResultCancel;
    Act(light::kReset);
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0], GetLangText(275) + " | " + GetLangText(276) + " | 4");
    ASSERT_TRUE(WaitUntil([this] { return window_->Worker().TaskQueueEmpty(); }));
    EXPECT_TRUE(ConfigWrites().empty());
    box_answer_ = kResultOk;
    Act(light::kReset);
    AwaitWrites(1);

    SetLanguage(2052);
    window_->ApplyLanguageTexts();
    EXPECT_EQ(Effects()->GetItemText(3), QString::fromUtf8("光谱循环"));
    EXPECT_EQ(Effects()->GetItemText(0), QString::fromUtf8("关闭灯光"));
    EXPECT_EQ(Effects()->GetCurData(), 4);
    EXPECT_EQ(Effects()->GetItemData(6), 6);
    EXPECT_EQ(Title(light::kTitle), QString::fromUtf8("灯光效果"));
    EXPECT_EQ(Title(light::kSpeedLabel), QString::fromUtf8("速度"));
}

TEST_F(LightingPageTest, AModelWithoutLightingWritesNothing) {
    WriteDeviceType(301);
    wired_ = backend_->Plug(mouse_, sim::Link::Wired, 0x3554, 0xF5A1);
    OpenWindow();
    ASSERT_EQ(store_.DeviceType(), 301);
    ASSERT_FALSE(Get<MTabCtrl>(ids::kTabBar)->IsItemVisible(ids::kLightingTabIndex));
    Settle();
    const int profile = store_.GetActiveProfile();
    EXPECT_EQ(store_.CountLightModes(profile), 0);

    // Rows an imported profile brought along stay as they are.
    for (int mode : {0, 1}) {
        LightMode imported;
        imported.profile = profile;
        imported.mode = mode;
        imported.brightness = 9;
        imported.config_func = 19;
        imported.reserved = 280 + mode;
        ASSERT_GT(store_.AddLightMode(imported), 0);
    }
    window_->OnSettingsRefreshed({.profile = profile, .lighting = true});
    ASSERT_TRUE(Effects()->SelectData(1));
    box_answer_ = kResultOk;
    Act(light::kEffects, Effects()->GetCurSel());
    Get<LightSlider>(light::kBrightness)->SetValue(100);
    Act(light::kBrightness, 100);
    Act(light::kSpeed, 100);
    Act(light::kFirstSwatch + 2, 0xFF0C00);
    Act(light::kHue, 10);
    Act(light::kLightness, 10);
    Act(light::kGreen);
    Act(light::kReset);

    EXPECT_TRUE(boxes_.empty());
    for (int id = 1; id <= 5; ++id) {
        EXPECT_EQ(store_.CountLightModes(id), id == profile ? 2 : 0);
    }
    for (int mode : {0, 1}) {
        const LightMode row = Row(mode, profile);
        EXPECT_EQ(row.brightness, 9);
        EXPECT_EQ(row.speed, 0);
        EXPECT_EQ(row.color_value, 0);
        EXPECT_EQ(row.status, 0);
    }
    ASSERT_TRUE(WaitUntil([this] { return window_->Worker().TaskQueueEmpty(); }));
    EXPECT_TRUE(ConfigWrites().empty());
}

}  // namespace
}  // namespace veltra::ui::testing
