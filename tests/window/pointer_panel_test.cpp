// The desktop's pointer settings on the performance page, over a desktop the test controls.
#include <gtest/gtest.h>

#include "config/language.h"
#include "device/device_worker.h"
#include "ui/widgets/buttons.h"
#include "ui/widgets/fields.h"
#include "ui/widgets/labels.h"
#include "ui/widgets/sliders.h"
#include "ui/window/pointer_panel.h"
#include "window/window_fixture.h"

namespace veltra::ui::testing {
namespace {

namespace ptr = pointer_panel;

class PointerPanelTest : public WindowTest {
  protected:
    std::string Stored(std::string_view key) {
        std::string value;
        store_.GetConfig(store_.GetActiveProfile(), key, value);
        return value;
    }
    QString Lang(int id, const QString& desktop) {
        return QString::fromStdString(GetLangText(id)).replace(QStringLiteral("%s"), desktop);
    }
    // Writes the desktop received for `setting`, once the worker is idle.
    std::vector<int> Writes(PointerSetting setting) {
        EXPECT_TRUE(WaitUntil([this] { return window_->Worker().TaskQueueEmpty(); }));
        std::vector<int> values;
        for (const auto& [written, value] : pointer_->writes) {
            if (written == setting) {
                values.push_back(value);
            }
        }
        return values;
    }
};

TEST_F(PointerPanelTest, TheDesktopsValuesAreShownAndMirroredInTheProfile) {
    pointer_->values[PointerSetting::DoubleClick] = 500;
    OpenWindow();
    EXPECT_EQ(Get<MSlider>(ptr::kSpeed)->GetValue(), 9);
    EXPECT_EQ(Title(ptr::kSpeedValue), QStringLiteral("10"));
    EXPECT_TRUE(Get<CCheckButton>(ptr::kPrecision)->GetCheck());
    // 500 ms, a time the slider has no position for, shows position 5 and its own value.
    EXPECT_EQ(Get<MSlider>(ptr::kDoubleClick)->GetValue(), 5);
    EXPECT_EQ(Title(ptr::kDoubleClickValue), QStringLiteral("500"));
    EXPECT_EQ(Stored("mouse_speed"), "10");
    EXPECT_EQ(Stored("mouse_sensitivity"), "1");
    EXPECT_EQ(Stored("doubleclick_time"), "500");
    EXPECT_EQ(Title(ptr::kNote), Lang(604, QStringLiteral("GNOME")));

    // GNOME has no wheel lines: shown from the profile, disabled, and the tooltip says why.
    EXPECT_EQ(Stored("wheel_scrolllines"), "3");
    for (int id : {ptr::kByLines, ptr::kOneScreen, ptr::kLines}) {
        EXPECT_FALSE(Control(id)->isEnabled()) << id;
        EXPECT_EQ(Control(id)->toolTip(), Lang(602, QStringLiteral("GNOME"))) << id;
    }
    EXPECT_TRUE(pointer_->writes.empty());
}

TEST_F(PointerPanelTest, SlidersChangeTheDesktopOnceWhenReleased) {
    OpenWindow();
    Get<MSlider>(ptr::kSpeed)->SetValue(13);
    Notify(ptr::kSpeed, Event::Changing, 13);
    EXPECT_EQ(Stored("mouse_speed"), "14");
    EXPECT_EQ(Title(ptr::kSpeedValue), QStringLiteral("14"));
    EXPECT_TRUE(Writes(PointerSetting::Speed).empty());
    Get<MSlider>(ptr::kSpeed)->SetValue(15);
    Notify(ptr::kSpeed, Event::Action, 15);
    EXPECT_EQ(Writes(PointerSetting::Speed), std::vector<int>{16});

    Get<MSlider>(ptr::kDoubleClick)->SetValue(5);
    Act(ptr::kDoubleClick, 5);
    EXPECT_EQ(Title(ptr::kDoubleClickValue), QStringLiteral("550"));
    EXPECT_EQ(Stored("doubleclick_time"), "550");
    EXPECT_EQ(Writes(PointerSetting::DoubleClick), std::vector<int>{550});

    auto* precision = Get<CCheckButton>(ptr::kPrecision);
    precision->SetCheck(false);
    Act(ptr::kPrecision, 0);
    EXPECT_EQ(Stored("mouse_sensitivity"), "0");
    EXPECT_EQ(Writes(PointerSetting::Precision), std::vector<int>{0});
}

TEST_F(PointerPanelTest, WhatTheDesktopRefusesIsShownAsTheDesktopHasIt) {
    OpenWindow();
    pointer_->outcome = PointerWrite::Failed;
    auto* precision = Get<CCheckButton>(ptr::kPrecision);
    precision->SetCheck(false);
    Act(ptr::kPrecision, 0);
    EXPECT_TRUE(precision->GetCheck());
    EXPECT_EQ(Stored("mouse_sensitivity"), "1");
    EXPECT_EQ(Title(ptr::kNote), Lang(606, QStringLiteral("GNOME")));

    Get<MSlider>(ptr::kSpeed)->SetValue(2);
    Notify(ptr::kSpeed, Event::Action, 2);
    ASSERT_TRUE(WaitUntil([this] { return Title(ptr::kSpeedValue) == QStringLiteral("10"); }));
    EXPECT_EQ(Get<MSlider>(ptr::kSpeed)->GetValue(), 9);
    EXPECT_EQ(Stored("mouse_speed"), "10");

    // Stored where the desktop reads it at the next login: said so, not claimed as applied.
    pointer_->outcome = PointerWrite::AppliesLater;
    precision->SetCheck(false);
    Act(ptr::kPrecision, 0);
    EXPECT_FALSE(precision->GetCheck());
    EXPECT_EQ(Title(ptr::kNote), Lang(605, QStringLiteral("GNOME")));
}

TEST_F(PointerPanelTest, WheelLinesAreCorrectedIntoRangeAndOneScreenOnlyWhereOffered) {
    pointer_->desktop = PointerDesktop::Kde;
    pointer_->values[PointerSetting::WheelLines] = 5;
    OpenWindow();
    auto* lines = Get<NumberEdit2>(ptr::kLines);
    EXPECT_EQ(lines->GetTitle(), QStringLiteral("5"));
    EXPECT_TRUE(Get<CRadioButton>(ptr::kByLines)->GetCheck());
    EXPECT_EQ(Stored("wheel_scrollflag"), "1");
    EXPECT_EQ(Stored("wheel_scrolllines"), "5");
    // Plasma scrolls by lines only.
    EXPECT_FALSE(Control(ptr::kOneScreen)->isEnabled());
    EXPECT_EQ(Control(ptr::kOneScreen)->toolTip(), Lang(602, QStringLiteral("KDE Plasma")));

    for (const auto& [typed, shown] :
         {std::pair{"35", "20"}, std::pair{"0", "1"}, std::pair{"", "1"}, std::pair{"7", "7"}}) {
        lines->SetTitle(QString::fromLatin1(typed));
        Notify(ptr::kLines, Event::TextChanged);
        EXPECT_EQ(lines->GetTitle(), QString::fromLatin1(shown)) << typed;
    }
    Act(ptr::kLines, 7);
    EXPECT_EQ(Stored("wheel_scrolllines"), "7");
    EXPECT_EQ(Writes(PointerSetting::WheelLines), std::vector<int>{7});

    // Where one screen is offered, choosing lines again always starts from three.
    pointer_->page_scroll = true;
    Get<CRadioButton>(ptr::kOneScreen)->SetCheck(true);
    Act(ptr::kOneScreen, 1);
    EXPECT_EQ(lines->GetTitle(), QStringLiteral("0"));
    EXPECT_FALSE(lines->isEnabled());
    EXPECT_EQ(Stored("wheel_scrollflag"), "0");
    EXPECT_EQ(Stored("wheel_scrolllines"), "0");
    Get<CRadioButton>(ptr::kByLines)->SetCheck(true);
    Act(ptr::kByLines, 1);
    EXPECT_EQ(lines->GetTitle(), QStringLiteral("3"));
    EXPECT_EQ(Writes(PointerSetting::WheelLines), (std::vector<int>{7, kWheelPageScroll, 3}));
}

TEST_F(PointerPanelTest, WithoutASupportedDesktopThePanelSaysSoAndKeepsTheProfile) {
    pointer_.reset();
    OpenWindow();
    EXPECT_EQ(Title(ptr::kNote), QString::fromStdString(GetLangText(603)));
    for (int id : {ptr::kSpeed, ptr::kPrecision, ptr::kByLines, ptr::kOneScreen, ptr::kLines,
                   ptr::kDoubleClick}) {
        EXPECT_FALSE(Control(id)->isEnabled()) << id;
    }
    // The profile's own values, unchanged.
    EXPECT_EQ(Title(ptr::kSpeedValue), QString::fromStdString(Stored("mouse_speed")));
    EXPECT_EQ(Title(ptr::kDoubleClickValue), QString::fromStdString(Stored("doubleclick_time")));
    EXPECT_EQ(Stored("doubleclick_time"), "550");
    // A slider event that still arrives changes nothing.
    Notify(ptr::kSpeed, Event::Action, 3);
    EXPECT_EQ(Stored("mouse_speed"), "10");
}

}  // namespace
}  // namespace veltra::ui::testing
