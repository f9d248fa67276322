#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>
#include <limits>

#include "ui/widget_test_support.h"
#include "ui/widgets/control_factory.h"
#include "ui/widgets/device_controls.h"
#include "ui/widgets/dpi_controls.h"
#include "ui/widgets/manager.h"
#include "ui/widgets/mouse_ctrl.h"
#include "ui/widgets/tabs.h"

namespace veltra::ui {
namespace {

using testing::Notification;
using testing::RecordingDialog;
using Notes = std::vector<Notification>;

constexpr int kHuge = std::numeric_limits<int>::max();
constexpr int kTiny = std::numeric_limits<int>::min();

template <typename T>
T* Make(RecordingDialog& dialog, std::string_view name, int id, const QRect& rect,
        MControl* container = nullptr) {
    auto* control = dynamic_cast<T*>(dialog.CreateControl(name, id, rect, {}, container));
    EXPECT_NE(control, nullptr) << name;
    return control;
}

void Click(QWidget* widget, const QPoint& pos) {
    QTest::mouseClick(widget, Qt::LeftButton, {}, pos);
}

void Key(QWidget* widget, Qt::Key key) {
    QTest::keyClick(widget, key);
}

void Send(QWidget* widget, QEvent::Type type, const QPoint& pos, Qt::MouseButtons buttons) {
    QMouseEvent event(type, pos, widget->mapToGlobal(pos),
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

void SendKey(QWidget* widget, QEvent::Type type, Qt::Key key, bool repeat) {
    QKeyEvent event(type, key, Qt::NoModifier, QString(), repeat);
    QApplication::sendEvent(widget, &event);
}

// ---- Tab bar and pages ----

struct TabFixture {
    RecordingDialog dialog;
    MTabCtrl* tabs = nullptr;
    std::vector<MTabLayout*> pages;

    TabFixture() {
        dialog.show();
        tabs = Make<MTabCtrl>(dialog, "MTabCtrl", 49, QRect(1, 110, 190, 360));
        tabs->SetBarSize(190, 60);
        tabs->SetPadding(0, 190, 0, 300);
        tabs->SetItemSize(190, 60);
        const int ids[] = {1, 2, 3, 5, 6};
        for (int i = 0; i < 5; ++i) {
            pages.push_back(
                Make<MTabLayout>(dialog, "MTabLayout", 50 + i, QRect(205, 110, 400, 300)));
            tabs->AddItem(ids[i], QStringLiteral("Tab %1").arg(i), QStringLiteral("icon\\tab.png"),
                          pages.back());
        }
    }
    std::vector<bool> Shown() const {
        std::vector<bool> shown;
        for (MTabLayout* page : pages) {
            shown.push_back(page->isVisible());
        }
        return shown;
    }
};

TEST(TabCtrl, SelectingFromTheProgramSwitchesLinkedPagesWithoutNotifying) {
    TabFixture f;
    EXPECT_EQ(f.tabs->GetSelectItem(), 0);
    f.tabs->SetSelectItem(2);
    EXPECT_EQ(f.Shown(), (std::vector<bool>{false, false, true, false, false}));
    EXPECT_EQ(f.tabs->GetItemId(2), 3);
    EXPECT_EQ(f.tabs->accessibleName(), QStringLiteral("Tab 2"));
    // Out of range changes nothing.
    f.tabs->SetSelectItem(5);
    f.tabs->SetSelectItem(-1);
    EXPECT_EQ(f.tabs->GetSelectItem(), 2);
    EXPECT_EQ(f.Shown(), (std::vector<bool>{false, false, true, false, false}));
    EXPECT_EQ(f.tabs->GetItemId(5), -1);
    EXPECT_EQ(f.tabs->GetItemId(-1), -1);
    EXPECT_TRUE(f.dialog.notifications.empty());

    // A page placed inside a container gets the dialog's client coordinates.
    auto* inner = f.pages[2]->CreateControl("MText", 300, QRect(215, 120, 50, 20), "x");
    ASSERT_NE(inner, nullptr);
    EXPECT_EQ(inner->parentWidget(), f.pages[2]);
    EXPECT_EQ(inner->mapTo(&f.dialog, QPoint(0, 0)), QPoint(215, 120));
}

TEST(TabCtrl, ClicksAndKeysSelectAndNotifyTheIndex) {
    TabFixture f;
    Click(f.tabs, f.tabs->ItemRect(3).center());
    EXPECT_EQ(f.tabs->GetSelectItem(), 3);
    EXPECT_EQ(f.Shown(), (std::vector<bool>{false, false, false, true, false}));
    // The selected item clicked again still reports: the window re-applies its view.
    Click(f.tabs, f.tabs->ItemRect(3).center());
    // Below the items and outside: nothing.
    Click(f.tabs, QPoint(20, 340));
    Key(f.tabs, Qt::Key_Down);
    Key(f.tabs, Qt::Key_Down);  // already last: no notification
    Key(f.tabs, Qt::Key_Home);
    Key(f.tabs, Qt::Key_Up);  // already first
    Key(f.tabs, Qt::Key_End);
    EXPECT_EQ(f.dialog.notifications,
              (Notes{{49, 2, 3}, {49, 2, 3}, {49, 2, 4}, {49, 2, 0}, {49, 2, 4}}));
    EXPECT_EQ(f.Shown(), (std::vector<bool>{false, false, false, false, true}));
}

TEST(TabCtrl, HiddenItemsTakeNoSpaceAndAreSkipped) {
    TabFixture f;
    QRect third = f.tabs->ItemRect(3);
    f.tabs->SetItemVisible(3, false);
    EXPECT_FALSE(f.tabs->IsItemVisible(3));
    EXPECT_TRUE(f.tabs->ItemRect(3).isEmpty());
    EXPECT_EQ(f.tabs->ItemRect(4), third);
    EXPECT_EQ(f.tabs->ItemAt(third.center()), 4);
    f.tabs->SetSelectItem(2);
    Key(f.tabs, Qt::Key_Down);
    EXPECT_EQ(f.dialog.notifications, (Notes{{49, 2, 4}}));
    Key(f.tabs, Qt::Key_Up);
    EXPECT_EQ(f.tabs->GetSelectItem(), 2);
    f.tabs->SetItemVisible(3, true);
    EXPECT_EQ(f.tabs->ItemRect(3), third);
    // Bad indexes are ignored.
    f.tabs->SetItemVisible(-1, false);
    f.tabs->SetItemVisible(99, false);
    f.tabs->SetItemText(99, QStringLiteral("x"));
    f.tabs->SetItemPage(-3, nullptr);
    EXPECT_FALSE(f.tabs->IsItemVisible(99));
}

TEST(TabCtrl, ItemsShareAnAreaTooSmallAndPagesMayGoFirst) {
    TabFixture f;
    f.tabs->SetPadding(0, 190, 0, 100);  // five items of 60 in 100 pixels
    EXPECT_EQ(f.tabs->ItemRect(4).bottom(), 99);
    f.tabs->SetPadding(50, 10, 300, 0);  // inverted: the whole control
    EXPECT_EQ(f.tabs->ItemRect(0).topLeft(), QPoint(0, 0));
    delete f.pages[1];
    f.pages.erase(f.pages.begin() + 1);
    f.tabs->SetSelectItem(1);
    f.tabs->SetSelectItem(0);
    EXPECT_TRUE(f.pages[0]->isVisible());
    EXPECT_FALSE(f.tabs->grab().isNull());
}

// ---- Battery and connection state ----

TEST(BatteryCtrl, LevelsAreClampedAndUnknownStatesShowAsUnknown) {
    RecordingDialog dialog;
    auto* battery = Make<BatteryCtrl>(dialog, "BatteryCtrl", 44, QRect(20, 60, 150, 30));
    EXPECT_EQ(battery->GetState(), kBatteryUnknown);
    battery->SetBatteryInfo(150, kBatteryDischarging);
    EXPECT_EQ(battery->GetLevel(), 100);
    battery->SetBatteryInfo(-20, kBatteryCharging);
    EXPECT_EQ(battery->GetLevel(), 0);
    EXPECT_EQ(battery->GetState(), kBatteryCharging);
    battery->SetBatteryInfo(kHuge, 77);
    EXPECT_EQ(battery->GetLevel(), 100);
    EXPECT_EQ(battery->GetState(), kBatteryUnknown);
    battery->SetBatteryInfo(kTiny, -1);
    EXPECT_EQ(battery->GetState(), kBatteryUnknown);
    battery->SetBatteryInfo(64, kBatteryDischarging);
    EXPECT_EQ(battery->accessibleName(), QStringLiteral("64%"));
}

TEST(BatteryCtrl, AnimatesOnlyWhileChargingAndVisible) {
    RecordingDialog dialog;
    auto* page = Make<MTabLayout>(dialog, "MTabLayout", 50, QRect(0, 0, 300, 100));
    auto* battery = Make<BatteryCtrl>(dialog, "BatteryCtrl", 44, QRect(20, 60, 150, 30), page);
    battery->SetBatteryInfo(40, kBatteryCharging);
    EXPECT_FALSE(dialog.AnimationRunning());  // the window is not shown yet
    dialog.show();
    EXPECT_TRUE(dialog.AnimationRunning());
    battery->SetBatteryInfo(40, kBatteryDischarging);
    EXPECT_FALSE(dialog.AnimationRunning());
    battery->SetBatteryInfo(40, kBatteryCharging);
    EXPECT_TRUE(dialog.AnimationRunning());
    battery->SetVisible(false);
    EXPECT_FALSE(dialog.AnimationRunning());
    battery->SetVisible(true);
    EXPECT_TRUE(dialog.AnimationRunning());
    // Its page hidden (another tab chosen) stops the timer too.
    page->hide();
    EXPECT_FALSE(dialog.AnimationRunning());
    page->show();
    EXPECT_TRUE(dialog.AnimationRunning());
    // Each run of the sweep fills the body further.
    QImage before = battery->grab().toImage();
    for (int tick = 0; tick < 24; ++tick) {
        battery->Animate();
    }
    EXPECT_NE(battery->grab().toImage(), before);
    dialog.hide();
    EXPECT_FALSE(dialog.AnimationRunning());
    dialog.show();
    battery->SetBatteryInfo(100, kBatteryUnknown);
    EXPECT_FALSE(dialog.AnimationRunning());
    EXPECT_TRUE(dialog.notifications.empty());
}

TEST(DeviceState, ModesOutsideTheKnownOnesShowAsNotConnected) {
    RecordingDialog dialog;
    auto* state = Make<CDeviceState>(dialog, "CDeviceState", 45, QRect(160, 60, 160, 30));
    state->SetTitle(QStringLiteral("有线"));
    EXPECT_EQ(state->accessibleName(), QStringLiteral("有线"));
    state->SetConnectionMode(kModeReceiver);
    EXPECT_EQ(state->GetConnectionMode(), kModeReceiver);
    state->SetConnectionMode(7);
    EXPECT_EQ(state->GetConnectionMode(), kModeNone);
    EXPECT_FALSE(state->grab().isNull());
}

// ---- Device list ----

struct ListFixture {
    RecordingDialog dialog;
    CDeviceList* list = nullptr;
    ListFixture() {
        dialog.resize(1280, 780);
        dialog.show();
        list = Make<CDeviceList>(dialog, "CDeviceList", 63, QRect(60, 160, 1160, 520));
        list->AddDevice(QStringLiteral("Quillo"), 101, {});
        list->AddDevice(QStringLiteral("Quillo Pro"), 102, QStringLiteral("device\\none.png"));
        list->AddDevice(QStringLiteral("Quillo Mini"), 201, QStringLiteral("/no/such/file.png"));
    }
};

TEST(DeviceList, SelectionRefusesUnknownTypesAndProgramCallsDoNotNotify) {
    ListFixture f;
    EXPECT_EQ(f.list->GetSelectDevice(), 101);  // the first model added
    f.list->SetSelectDevice(201);
    EXPECT_EQ(f.list->GetSelectDevice(), 201);
    f.list->SetSelectDevice(999);
    EXPECT_EQ(f.list->GetSelectDevice(), 201);
    EXPECT_EQ(f.list->accessibleName(), QStringLiteral("Quillo Mini"));
    // The same type again replaces the model rather than listing it twice.
    f.list->AddDevice(QStringLiteral("Quillo Mini 2"), 201, {});
    EXPECT_EQ(f.list->GetDeviceCount(), 3);
    f.list->SetAllDeviceState(0);
    f.list->SetDeviceState(101, kModeReceiver, 1);
    f.list->SetDeviceVersion(101, 0x0102);
    f.list->SetDeviceBattery(101, 55, kBatteryCharging);
    EXPECT_TRUE(f.dialog.notifications.empty());
    f.list->ClearList();
    EXPECT_EQ(f.list->GetDeviceCount(), 0);
    EXPECT_EQ(f.list->GetSelectDevice(), 0);
    f.list->SetSelectDevice(101);
    EXPECT_EQ(f.list->GetSelectDevice(), 0);
}

TEST(DeviceList, ClickAndKeysChooseAModelAndReportItsType) {
    ListFixture f;
    Click(f.list, f.list->CardRect(1).center());
    EXPECT_EQ(f.list->GetSelectDevice(), 102);
    // Between the cards: nothing.
    Click(f.list, QPoint(2, 2));
    // A press on one card released on another is no choice.
    Send(f.list, QEvent::MouseButtonPress, f.list->CardRect(0).center(), Qt::LeftButton);
    Send(f.list, QEvent::MouseButtonRelease, f.list->CardRect(2).center(), Qt::NoButton);
    f.list->setFocus();
    Key(f.list, Qt::Key_Right);  // moves the cursor only
    EXPECT_EQ(f.list->GetSelectDevice(), 102);
    Key(f.list, Qt::Key_Return);
    Key(f.list, Qt::Key_Home);
    Key(f.list, Qt::Key_Space);
    EXPECT_EQ(f.dialog.notifications, (Notes{{63, 2, 102}, {63, 2, 201}, {63, 2, 101}}));
}

TEST(DeviceList, ManyModelsScrollToKeepTheCursorInSight) {
    ListFixture f;
    for (int i = 0; i < 20; ++i) {
        f.list->AddDevice(QStringLiteral("Model %1").arg(i), 300 + i, {});
    }
    EXPECT_TRUE(f.list->CardRect(22).isEmpty());
    f.list->setFocus();
    Key(f.list, Qt::Key_End);
    EXPECT_FALSE(f.list->CardRect(22).isEmpty());
    EXPECT_TRUE(f.list->CardRect(0).isEmpty());
    Key(f.list, Qt::Key_Return);
    EXPECT_EQ(f.dialog.notifications, (Notes{{63, 2, 319}}));
    Key(f.list, Qt::Key_PageUp);
    Key(f.list, Qt::Key_PageUp);
    Key(f.list, Qt::Key_PageUp);
    EXPECT_FALSE(f.list->CardRect(0).isEmpty());
    // The wheel scrolls without moving the selection.
    QWheelEvent down(QPointF(50, 50), f.list->mapToGlobal(QPointF(50, 50)), {}, QPoint(0, -360),
                     Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(f.list, &down);
    EXPECT_TRUE(f.list->CardRect(0).isEmpty());
    EXPECT_EQ(f.list->GetSelectDevice(), 319);
}

TEST(DeviceList, HostileValuesAreHarmless) {
    ListFixture f;
    f.list->SetDeviceState(999, kModeWired, 1);
    f.list->SetDeviceState(101, 42, kTiny);
    f.list->SetDeviceState(102, kModeBluetooth, kHuge);
    f.list->SetDeviceVersion(101, -5);
    f.list->SetDeviceVersion(102, kHuge);
    f.list->SetDeviceBattery(101, kTiny, 9);
    f.list->SetDeviceBattery(102, kHuge, kBatteryCharging);
    f.list->SetAllDeviceState(kTiny);
    f.list->SetModeImage(QStringLiteral("icon\\dev_mode.png"), -3);
    f.list->SetBatteryImages({}, QStringLiteral("..\\..\\etc\\passwd"));
    for (QSize size : {QSize(0, 0), QSize(30, 20), QSize(1160, 520)}) {
        f.list->resize(size);
        f.list->grab();
    }
    Key(f.list, Qt::Key_Down);
    EXPECT_TRUE(f.dialog.notifications.empty());
    f.list->ClearList();
    Key(f.list, Qt::Key_Return);
    Key(f.list, Qt::Key_End);
    EXPECT_TRUE(f.dialog.notifications.empty());
}

// ---- DPI levels ----

struct DpiFixture {
    RecordingDialog dialog;
    DPIControl* dpi = nullptr;
    DpiFixture() {
        dialog.resize(1280, 780);
        dialog.show();
        dpi = Make<DPIControl>(dialog, "DPIControl", 97, QRect(250, 260, 960, 120));
        const std::pair<int, std::uint32_t> levels[] = {
            {1200, 0x0000FF}, {1600, 0xFFFF00}, {2400, 0x00FF00}, {4800, 0xFF0000},
            {6400, 0xFF007F}, {8000, 0x00FFFF}, {9600, 0x007FFF}, {12000, 0xFFFFFF}};
        for (auto [value, colour] : levels) {
            dpi->AddItem(value, colour);
        }
        dpi->SetDPIFlag(221);
        dpi->SetSelectItem(0);
    }
};

TEST(DPIControl, LevelsKeepEightSlotsAndIgnoreBadIndexes) {
    DpiFixture f;
    f.dpi->AddItem(16000, 0);  // a ninth level
    EXPECT_EQ(f.dpi->GetItemCount(), 8);
    f.dpi->SetDPIValue(3, 5000);
    f.dpi->SetDPIColorValue(3, 0x123456);
    EXPECT_EQ(f.dpi->GetDPIValue(3), 5000);
    EXPECT_EQ(f.dpi->GetDPIColorValue(3), 0x123456u);
    f.dpi->SetDPIValue(8, 1);
    f.dpi->SetDPIValue(-1, 1);
    f.dpi->SetDPIColorValue(kHuge, 1);
    EXPECT_EQ(f.dpi->GetDPIValue(8), 0);
    EXPECT_EQ(f.dpi->GetDPIValue(kTiny), 0);
    EXPECT_EQ(f.dpi->GetDPIColorValue(-1), 0u);
    f.dpi->SetDPIFlag(0x1FF);
    EXPECT_EQ(f.dpi->GetDPIFlag(), 0xFF);
    f.dpi->SetSelectItem(8);
    f.dpi->SetSelectItem(-1);
    EXPECT_EQ(f.dpi->GetSelectItem(), 0);

    // Fewer levels shown: the rest keep their values but cannot be selected.
    f.dpi->DeleteAllItems();
    EXPECT_EQ(f.dpi->GetSelectItem(), -1);
    f.dpi->AddItem(800, 0);
    f.dpi->AddItem(1600, 0);
    EXPECT_EQ(f.dpi->GetDPIValue(3), 5000);
    f.dpi->SetSelectItem(3);
    EXPECT_EQ(f.dpi->GetSelectItem(), -1);
    EXPECT_TRUE(f.dpi->ItemRect(3).isEmpty());
    EXPECT_TRUE(f.dialog.notifications.empty());
}

TEST(DPIControl, ClicksOnLevelCheckBoxAndSwatchNotifyTheirCodes) {
    DpiFixture f;
    Click(f.dpi, f.dpi->ItemRect(4).center());
    EXPECT_EQ(f.dpi->GetSelectItem(), 4);
    Click(f.dpi, f.dpi->CheckRect(1).center());  // level 1 joins the cycle
    EXPECT_EQ(f.dpi->GetDPIFlag(), 221 | 2);
    EXPECT_EQ(f.dpi->GetSelectItem(), 1);
    Click(f.dpi, f.dpi->SwatchRect(6).center());
    EXPECT_EQ(f.dpi->GetSelectItem(), 6);
    Click(f.dpi, QPoint(f.dpi->ItemRect(0).left() - 2, 60));  // between two levels
    EXPECT_EQ(f.dialog.notifications, (Notes{{97, 2, 4}, {97, 7, 1}, {97, 9, 6}}));
}

TEST(DPIControl, KeysMoveToggleAndPick) {
    DpiFixture f;
    f.dpi->setFocus();
    Key(f.dpi, Qt::Key_Right);
    Key(f.dpi, Qt::Key_Space);  // level 1 on
    Key(f.dpi, Qt::Key_Return);
    Key(f.dpi, Qt::Key_Left);
    Key(f.dpi, Qt::Key_Left);  // at the first level: nothing
    Key(f.dpi, Qt::Key_End);
    EXPECT_EQ(f.dialog.notifications,
              (Notes{{97, 2, 1}, {97, 7, 1}, {97, 9, 1}, {97, 2, 0}, {97, 2, 7}}));
    EXPECT_EQ(f.dpi->GetDPIFlag(), 223);
}

TEST(DPIControl, TheLastEnabledLevelCannotBeCleared) {
    DpiFixture f;
    f.dpi->SetDPIFlag(1 << 2);
    Click(f.dpi, f.dpi->CheckRect(2).center());
    EXPECT_EQ(f.dpi->GetDPIFlag(), 1 << 2);
    EXPECT_TRUE(f.dialog.notifications.empty());
    // A hidden level's bit does not count: the mouse would cycle through nothing shown.
    f.dpi->DeleteAllItems();
    f.dpi->AddItem(800, 0);
    f.dpi->SetDPIFlag(1 | 1 << 6);
    Click(f.dpi, f.dpi->CheckRect(0).center());
    EXPECT_EQ(f.dpi->GetDPIFlag(), 1 | 1 << 6);
    EXPECT_TRUE(f.dialog.notifications.empty());
}

TEST(DPIControl, EmptyOrTinyControlsIgnoreInput) {
    RecordingDialog dialog;
    dialog.show();
    auto* dpi = Make<DPIControl>(dialog, "DPIControl", 97, QRect(0, 0, 10, 4));
    Key(dpi, Qt::Key_Right);
    Key(dpi, Qt::Key_Space);
    Click(dpi, QPoint(5, 2));
    EXPECT_TRUE(dialog.notifications.empty());
    for (int i = 0; i < 8; ++i) {
        dpi->AddItem(kTiny, 0xFFFFFFFF);
    }
    EXPECT_FALSE(dpi->grab().isNull());
}

// ---- DPI slider ----

struct SliderFixture {
    RecordingDialog dialog;
    DPISlider* slider = nullptr;
    SliderFixture() {
        dialog.resize(1280, 780);
        dialog.show();
        slider = Make<DPISlider>(dialog, "DPISlider", 98, QRect(250, 410, 960, 100));
        slider->SetLimits(10, 128);
        slider->SetEndTexts(QStringLiteral("500"), QStringLiteral("6400"));
        slider->SetProgress(24);
    }
    QPoint At(int progress) const {
        QRectF track = slider->TrackRect();
        qreal share = static_cast<qreal>(progress - slider->GetLowerLimit()) /
                      (slider->GetUpperLimit() - slider->GetLowerLimit());
        return QPointF(track.left() + track.width() * share, track.center().y()).toPoint();
    }
};

TEST(DPISlider, ProgressStaysWithinLimitsAndProgramCallsDoNotNotify) {
    SliderFixture f;
    EXPECT_EQ(f.slider->GetProgress(), 24);
    EXPECT_EQ(f.slider->GetPosition(), 14);
    f.slider->SetProgress(500);
    EXPECT_EQ(f.slider->GetProgress(), 128);
    f.slider->SetProgress(kTiny);
    EXPECT_EQ(f.slider->GetProgress(), 10);
    // The other family's level 7: 1000 .. 12800.
    f.slider->SetLimits(20, 256);
    EXPECT_EQ(f.slider->GetProgress(), 20);
    EXPECT_EQ(f.slider->GetPosition(), 0);
    f.slider->SetUpperLimit(5);  // below the lower limit
    EXPECT_EQ(f.slider->GetUpperLimit(), 20);
    EXPECT_EQ(f.slider->GetProgress(), 20);
    f.slider->SetLimits(kTiny, kHuge);
    f.slider->SetProgress(kHuge);
    EXPECT_FALSE(f.slider->grab().isNull());
    EXPECT_TRUE(f.dialog.notifications.empty());
}

TEST(DPISlider, KeysReportEachStepAndTheFinalValueOnRelease) {
    SliderFixture f;
    f.slider->setFocus();
    Key(f.slider, Qt::Key_Right);
    EXPECT_EQ(f.dialog.notifications, (Notes{{98, 1, 15}, {98, 2, 15}}));
    f.dialog.notifications.clear();
    // Held down: every repeat moves, one final value.
    SendKey(f.slider, QEvent::KeyPress, Qt::Key_Left, false);
    SendKey(f.slider, QEvent::KeyRelease, Qt::Key_Left, true);
    SendKey(f.slider, QEvent::KeyPress, Qt::Key_Left, true);
    SendKey(f.slider, QEvent::KeyRelease, Qt::Key_Left, false);
    EXPECT_EQ(f.dialog.notifications, (Notes{{98, 1, 14}, {98, 1, 13}, {98, 2, 13}}));
    f.dialog.notifications.clear();
    Key(f.slider, Qt::Key_PageUp);
    Key(f.slider, Qt::Key_End);
    Key(f.slider, Qt::Key_End);  // already there: nothing
    Key(f.slider, Qt::Key_Home);
    EXPECT_EQ(
        f.dialog.notifications,
        (Notes{{98, 1, 23}, {98, 2, 23}, {98, 1, 118}, {98, 2, 118}, {98, 1, 0}, {98, 2, 0}}));
}

TEST(DPISlider, DraggingReportsChangesAndTheEndOfTheDrag) {
    SliderFixture f;
    Send(f.slider, QEvent::MouseButtonPress, f.At(40), Qt::LeftButton);
    Send(f.slider, QEvent::MouseMove, f.At(60), Qt::LeftButton);
    Send(f.slider, QEvent::MouseMove, f.At(60), Qt::LeftButton);  // no change, no report
    Send(f.slider, QEvent::MouseMove, QPoint(5000, 0), Qt::LeftButton);
    Send(f.slider, QEvent::MouseButtonRelease, QPoint(5000, 0), Qt::NoButton);
    EXPECT_EQ(f.dialog.notifications,
              (Notes{{98, 1, 30}, {98, 1, 50}, {98, 1, 118}, {98, 2, 118}}));
    f.dialog.notifications.clear();
    // A click on the thumb that moves nothing reports nothing; a press far from the track too.
    Click(f.slider, f.slider->ThumbCentre().toPoint());
    Click(f.slider, QPoint(5, 5));
    EXPECT_TRUE(f.dialog.notifications.empty());
    EXPECT_EQ(f.slider->GetProgress(), 128);
}

TEST(DPISlider, WithTwoStepsAMoveLandsOnlyOnWholeMovesFromTheLowerLimit) {
    SliderFixture f;
    f.slider->SetLimits(20, 256);
    f.slider->SetStep(2);
    f.slider->SetProgress(21);  // a value the program set stays until the user moves
    f.slider->setFocus();
    Key(f.slider, Qt::Key_Right);
    Key(f.slider, Qt::Key_Left);
    Key(f.slider, Qt::Key_PageUp);
    Key(f.slider, Qt::Key_End);
    EXPECT_EQ(f.dialog.notifications, (Notes{{98, 1, 4},
                                             {98, 2, 4},
                                             {98, 1, 2},
                                             {98, 2, 2},
                                             {98, 1, 22},
                                             {98, 2, 22},
                                             {98, 1, 236},
                                             {98, 2, 236}}));
    f.dialog.notifications.clear();
    // A drag to a point between two moves lands on the nearer one.
    Send(f.slider, QEvent::MouseButtonPress, f.At(61), Qt::LeftButton);
    Send(f.slider, QEvent::MouseButtonRelease, f.At(61), Qt::NoButton);
    ASSERT_FALSE(f.dialog.notifications.empty());
    EXPECT_EQ(f.dialog.notifications.back().param % 2, 0);
}

TEST(DPISlider, FocusLostWhileAKeyIsHeldStillEndsTheChange) {
    SliderFixture f;
    SendKey(f.slider, QEvent::KeyPress, Qt::Key_Right, false);
    SendKey(f.slider, QEvent::KeyPress, Qt::Key_Right, true);
    QFocusEvent lost(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QApplication::sendEvent(f.slider, &lost);
    SendKey(f.slider, QEvent::KeyRelease, Qt::Key_Right, false);  // arrives elsewhere
    EXPECT_EQ(f.dialog.notifications, (Notes{{98, 1, 15}, {98, 1, 16}, {98, 2, 16}}));
}

// ---- Report rate ----

TEST(ReporteCtrl, StartsWithFourRatesAndSelectsByValue) {
    RecordingDialog dialog;
    dialog.show();
    auto* rate = Make<ReporteCtrl>(dialog, "ReporteCtrl", 106, QRect(230, 640, 1010, 30));
    EXPECT_EQ(rate->GetItemCount(), 4);
    EXPECT_EQ(rate->GetSelectItemValue(), 0);
    EXPECT_EQ(rate->accessibleName(), QStringLiteral("1000Hz"));
    rate->SetSelectItemValue(2);
    EXPECT_EQ(rate->GetSelectItem(), 1);
    rate->SetSelectItemValue(9);
    rate->SetSelectItemValue(-1);
    EXPECT_EQ(rate->GetSelectItemValue(), 2);
    Click(rate, rate->ItemRect(0).center());
    Click(rate, rate->ItemRect(0).center());
    rate->setFocus();
    Key(rate, Qt::Key_Left);  // first already
    Key(rate, Qt::Key_Right);
    Key(rate, Qt::Key_End);
    Click(rate, QPoint(1000, 15));  // past the segments
    EXPECT_EQ(dialog.notifications, (Notes{{106, 2, 3}, {106, 2, 3}, {106, 2, 2}, {106, 2, 0}}));

    // Over Bluetooth there is one rate.
    dialog.notifications.clear();
    rate->DeleteAllItems();
    EXPECT_EQ(rate->GetSelectItemValue(), -1);
    Key(rate, Qt::Key_Right);
    rate->AddItem(QStringLiteral("133Hz"), 3, 0x0108F1);
    EXPECT_EQ(rate->GetSelectItemValue(), 3);
    Key(rate, Qt::Key_Right);
    Click(rate, rate->ItemRect(0).center());
    EXPECT_EQ(dialog.notifications, (Notes{{106, 2, 3}}));
}

// ---- Button picture ----

struct MouseFixture {
    RecordingDialog dialog;
    MouseCtrl* mouse = nullptr;
    MouseFixture() {
        dialog.resize(1280, 780);
        dialog.show();
        mouse = Make<MouseCtrl>(dialog, "MouseCtrl", 89, QRect(620, 150, 550, 500));
        mouse->AddItem(QStringLiteral("左键"), 1, 0, {230, 120}, {200, 90}, {150, 90});
        mouse->AddItem(QStringLiteral("Right"), 2, 1, {320, 120}, {350, 90}, {400, 90});
        mouse->AddItem(QStringLiteral("Side"), 4, 0, {210, 300}, {180, 330}, {20, 480});
    }
};

TEST(MouseCtrl, LabelsSitBesidePointThreeInsideTheControl) {
    MouseFixture f;
    EXPECT_EQ(f.mouse->LabelRect(0).right() + 1, 150);
    EXPECT_EQ(f.mouse->LabelRect(1).left(), 400);
    EXPECT_NEAR(f.mouse->LabelRect(0).center().y(), 90, 1);
    QRect pushed = f.mouse->LabelRect(2);  // would stick out at the bottom left
    EXPECT_TRUE(f.mouse->rect().contains(pushed));
    f.mouse->SetItemKeyDesc(2, QStringLiteral("A very long description of a key combination"));
    EXPECT_LE(f.mouse->LabelRect(1).width(), 200);
    EXPECT_TRUE(f.mouse->LabelRect(3).isEmpty());
}

TEST(MouseCtrl, ClicksAndKeysSelectAnItemAndReportItsKeyValue) {
    MouseFixture f;
    Click(f.mouse, f.mouse->LabelRect(1).center());
    EXPECT_EQ(f.mouse->GetItemKeyValue(), 2);
    Click(f.mouse, QPoint(230, 120));  // the button's dot
    Click(f.mouse, QPoint(215, 105));  // on the line between points 1 and 2
    Click(f.mouse, QPoint(500, 400));  // empty picture
    EXPECT_EQ(f.mouse->GetItemKeyValue(), 1);
    f.mouse->setFocus();
    Key(f.mouse, Qt::Key_Up);  // already first
    Key(f.mouse, Qt::Key_Down);
    Key(f.mouse, Qt::Key_End);
    Key(f.mouse, Qt::Key_Down);  // already last
    EXPECT_EQ(f.dialog.notifications,
              (Notes{{89, 2, 2}, {89, 2, 1}, {89, 2, 1}, {89, 2, 2}, {89, 2, 4}}));
}

TEST(MouseCtrl, ProgramCallsDoNotNotifyAndUnknownKeysAreHarmless) {
    MouseFixture f;
    f.mouse->SetSelectItem(4);
    EXPECT_EQ(f.mouse->GetItemKeyValue(), 4);
    f.mouse->SetItemKeyDesc(4, QStringLiteral("Ctrl + C"));
    EXPECT_EQ(f.mouse->GetItemKeyDesc(4), QStringLiteral("Ctrl + C"));
    EXPECT_EQ(f.mouse->accessibleName(), QStringLiteral("Side: Ctrl + C"));
    f.mouse->SetItemKeyDesc(77, QStringLiteral("x"));
    EXPECT_EQ(f.mouse->GetItemKeyDesc(77), QString());
    f.mouse->SetSelectItem(77);
    EXPECT_EQ(f.mouse->GetItemKeyValue(), -1);
    f.mouse->AddItem(QStringLiteral("Far"), 9, kHuge, {kTiny, kTiny}, {kHuge, kHuge}, {kHuge, 0});
    EXPECT_FALSE(f.mouse->grab().isNull());
    EXPECT_TRUE(f.dialog.notifications.empty());
    f.mouse->DeleteAllItems();
    EXPECT_EQ(f.mouse->GetItemCount(), 0);
    Key(f.mouse, Qt::Key_Down);
    Click(f.mouse, QPoint(230, 120));
    EXPECT_TRUE(f.dialog.notifications.empty());
}

// ---- Handlers that rebuild the page ----

// The dialog may delete a control from its notification handler; the control must not touch
// itself afterwards (run under the address sanitizer to see a fault).
TEST(DeviceControls, AHandlerMayDeleteTheControlThatNotifies) {
    RecordingDialog dialog;
    dialog.resize(1280, 780);
    dialog.show();
    QPointer<MControl> current;
    dialog.on_notify = [&](const Notification&) { delete current.data(); };

    auto* tabs = Make<MTabCtrl>(dialog, "MTabCtrl", 1, QRect(0, 0, 190, 360));
    tabs->AddItem(1, QStringLiteral("A"), {});
    tabs->AddItem(2, QStringLiteral("B"), {});
    current = tabs;
    Key(tabs, Qt::Key_Down);
    EXPECT_TRUE(current.isNull());

    auto* dpi = Make<DPIControl>(dialog, "DPIControl", 2, QRect(0, 0, 960, 120));
    dpi->AddItem(800, 0);
    dpi->AddItem(1600, 0);
    dpi->SetDPIFlag(3);
    current = dpi;
    Click(dpi, dpi->CheckRect(1).center());
    EXPECT_TRUE(current.isNull());

    auto* slider = Make<DPISlider>(dialog, "DPISlider", 3, QRect(0, 0, 960, 100));
    current = slider;
    SendKey(slider, QEvent::KeyPress, Qt::Key_Right, false);
    EXPECT_TRUE(current.isNull());
    slider = Make<DPISlider>(dialog, "DPISlider", 3, QRect(0, 0, 960, 100));
    current = slider;
    Send(slider, QEvent::MouseButtonPress, QPoint(900, 50), Qt::LeftButton);
    EXPECT_TRUE(current.isNull());

    auto* list = Make<CDeviceList>(dialog, "CDeviceList", 4, QRect(0, 0, 600, 300));
    list->AddDevice(QStringLiteral("Q"), 101, {});
    current = list;
    Key(list, Qt::Key_Return);
    EXPECT_TRUE(current.isNull());

    auto* rate = Make<ReporteCtrl>(dialog, "ReporteCtrl", 5, QRect(0, 0, 800, 30));
    current = rate;
    Key(rate, Qt::Key_Left);
    EXPECT_TRUE(current.isNull());

    auto* mouse = Make<MouseCtrl>(dialog, "MouseCtrl", 6, QRect(0, 0, 550, 500));
    mouse->AddItem(QStringLiteral("L"), 1, 0, {230, 120}, {200, 90}, {150, 90});
    current = mouse;
    Click(mouse, QPoint(230, 120));
    EXPECT_TRUE(current.isNull());
    EXPECT_EQ(dialog.notifications.size(), 7u);
}

// ---- Skin images ----

// A skin folder for one test, with single-colour state strips.
class TemporarySkin {
  public:
    TemporarySkin() {
        QDir(dir_.path()).mkpath(Manager::GetTheme() + QStringLiteral("/icon"));
        Manager::SetSkinRoot(dir_.path());
    }
    ~TemporarySkin() { Manager::SetSkinRoot({}); }
    void Strip(const QString& file, int side, const std::vector<QColor>& frames) {
        QImage strip(side * static_cast<int>(frames.size()), side, QImage::Format_ARGB32);
        for (int i = 0; i < static_cast<int>(frames.size()); ++i) {
            QPainter(&strip).fillRect(QRect(i * side, 0, side, side), frames[i]);
        }
        ASSERT_TRUE(strip.save(SkinPath(file)));
    }

  private:
    QTemporaryDir dir_;
};

QColor PixelAt(QWidget* widget, const QPoint& pos) {
    return widget->grab().toImage().pixelColor(pos);
}

TEST(DeviceControls, SkinStripsShowTheStateOfEachPart) {
    TemporarySkin skin;
    skin.Strip(QStringLiteral("icon/tab_x.png"), 24, {Qt::red, Qt::green});
    std::vector<QColor> boxes(4, Qt::blue);
    boxes.resize(8, Qt::yellow);
    skin.Strip(QStringLiteral("btn_checkbox.png"), 18, boxes);
    RecordingDialog dialog;
    dialog.show();

    auto* tabs = Make<MTabCtrl>(dialog, "MTabCtrl", 49, QRect(0, 0, 190, 120));
    tabs->AddItem(1, QStringLiteral("A"), QStringLiteral("icon\\tab_x.png"));
    tabs->AddItem(2, QStringLiteral("B"), QStringLiteral("icon\\tab_x.png"));
    // The icon sits 28 pixels in, 24 wide, centred in its row.
    EXPECT_EQ(PixelAt(tabs, QPoint(40, tabs->ItemRect(0).center().y())), QColor(Qt::green));
    EXPECT_EQ(PixelAt(tabs, QPoint(40, tabs->ItemRect(1).center().y())), QColor(Qt::red));

    auto* dpi = Make<DPIControl>(dialog, "DPIControl", 97, QRect(0, 130, 300, 120));
    dpi->SetImage(QStringLiteral("btn_checkbox.png"), 8);
    dpi->AddItem(800, 0);
    dpi->AddItem(1600, 0);
    dpi->SetDPIFlag(1);
    EXPECT_EQ(PixelAt(dpi, dpi->CheckRect(0).center()), QColor(Qt::yellow));
    EXPECT_EQ(PixelAt(dpi, dpi->CheckRect(1).center()), QColor(Qt::blue));
}

// ---- Every class ----

TEST(DeviceControls, EveryClassPaintsAtAnySizeAndHasAFocusPolicyThatFitsItsInput) {
    RecordingDialog dialog;
    dialog.show();
    for (std::string_view name :
         {"MTabCtrl", "MTabLayout", "BatteryCtrl", "CDeviceState", "CDeviceList", "DPIControl",
          "DPISlider", "ReporteCtrl", "MouseCtrl"}) {
        for (QRect rect : {QRect(0, 0, 0, 0), QRect(0, 0, 3, 3), QRect(0, 0, 400, 200)}) {
            MControl* control = dialog.CreateControl(name, 700, rect);
            ASSERT_NE(control, nullptr) << name;
            control->SetImage(QStringLiteral("no\\such.png"), 4);
            control->grab();
            delete control;
        }
    }
    // Input controls take the focus while they hold something to choose; display-only ones
    // never do.
    EXPECT_EQ(dialog.CreateControl("BatteryCtrl", 1, QRect())->focusPolicy(), Qt::NoFocus);
    auto* buttons = dynamic_cast<MouseCtrl*>(dialog.CreateControl("MouseCtrl", 2, QRect()));
    EXPECT_EQ(buttons->focusPolicy(), Qt::NoFocus);
    buttons->AddItem("Left", 0, 0, QPoint(10, 10), QPoint(20, 10), QPoint(30, 10));
    EXPECT_EQ(buttons->focusPolicy(), Qt::StrongFocus);
    buttons->DeleteAllItems();
    EXPECT_EQ(buttons->focusPolicy(), Qt::NoFocus);
}

}  // namespace
}  // namespace veltra::ui
