// The notification icon tells the battery of a wireless mouse, and a low battery is told once
// per threshold on the desktop.
#include <QImage>

#include "config/language.h"
#include "shell/settings_key.h"
#include "sim/firmware_model.h"
#include "ui/widgets/buttons.h"
#include "ui/widgets/device_controls.h"
#include "ui/widgets/fields.h"
#include "ui/widgets/manager.h"
#include "window/fake_notification_service.h"
#include "window/window_fixture.h"

namespace veltra::ui::testing {
namespace {

constexpr std::uint16_t kVendor = 0x3554;
constexpr std::uint16_t kReceiverPid = 0xF5D6;
constexpr std::uint16_t kBluetoothPid = 0xF5D7;
// The connection-state texts of the two wireless links.
constexpr int kReceiverText = 52;
constexpr int kBluetoothText = 53;

class TrayBatteryTest : public WindowTest {
  protected:
    void SetBattery(int level, bool charging = false) {
        backend_->WithFirmware(mouse_, [level, charging](sim::FirmwareModel& firmware) {
            firmware.SetBatteryLevel(static_cast<std::uint8_t>(level));
            firmware.SetPower(charging, false);
        });
    }
    void SetAsleep(bool asleep) {
        backend_->WithFirmware(
            mouse_, [asleep](sim::FirmwareModel& firmware) { firmware.SetAsleep(asleep); });
    }
    // The mouse behind its receiver, the window open on it.
    void OpenOnReceiver(int level) {
        SetBattery(level);
        backend_->Plug(mouse_, sim::Link::Receiver, kVendor, kReceiverPid);
        OpenWindow(false);
        ASSERT_TRUE(WaitForLink(kReceiverText));
        ASSERT_TRUE(WaitForLevel(level));
    }
    // Connected over the link the connection-state text names, and read.
    ::testing::AssertionResult WaitForLink(int text_id) {
        const QString text = QString::fromStdString(GetLangText(text_id));
        if (WaitUntil([&] {
                return Title(ids::kConnectionState) == text &&
                       window_->DeviceStateView().Snapshot().synced &&
                       Get<MComboBox>(ids::kProfileCombo)->GetCount() > 0;
            })) {
            return ::testing::AssertionSuccess();
        }
        return ::testing::AssertionFailure()
               << "the window shows " << Title(ids::kConnectionState).toStdString();
    }
    // The receiver's next poll brings the mouse's reading to the window.
    ::testing::AssertionResult Poll(int level, bool charging = false) {
        SetBattery(level, charging);
        clock_ms_ += 6000;
        return WaitForLevel(level);
    }
    ::testing::AssertionResult WaitForLevel(int level) {
        auto* battery = Get<BatteryCtrl>(ids::kBattery);
        if (WaitUntil([&] { return battery->GetLevel() == level; })) {
            return ::testing::AssertionSuccess();
        }
        return ::testing::AssertionFailure() << "the window shows " << battery->GetLevel();
    }
    std::vector<QString> Titles() const {
        std::vector<QString> titles;
        for (const DesktopNotice& notice : notices_.shown) {
            titles.push_back(notice.title);
        }
        return titles;
    }
    static QImage Picture(const QIcon& icon) { return icon.pixmap(64, 64).toImage(); }
    QImage PlainPicture() const {
        return Picture(QIcon(Manager::SkinFolder() + QStringLiteral("/icon/app.png")));
    }
};

TEST_F(TrayBatteryTest, AFallingBatteryIsToldOncePerThresholdAndAgainAfterACharge) {
    OpenOnReceiver(20);
    EXPECT_EQ(window_->TrayStep(), TrayBatteryStep::Half);
    EXPECT_EQ(tray_.tooltip, QStringLiteral("Veltra Mouse\nVeltra V1 — 2.4 GHz receiver — 20 %"));
    EXPECT_TRUE(notices_.shown.empty());

    ASSERT_TRUE(Poll(15));
    ASSERT_EQ(notices_.shown.size(), 1u);
    EXPECT_EQ(notices_.shown[0].title, QStringLiteral("Veltra V1 battery low"));
    EXPECT_EQ(notices_.shown[0].body, QStringLiteral("Battery at 15 %. Charge the mouse soon."));
    EXPECT_FALSE(notices_.shown[0].urgent);
    EXPECT_EQ(window_->TrayStep(), TrayBatteryStep::Low);
    // Nothing beyond the receiver's poll goes to the mouse for the icon or the notices.
    const std::size_t before = backend_->Traffic().size();
    ASSERT_TRUE(Poll(14));
    EXPECT_EQ(notices_.shown.size(), 1u);
    std::vector<std::vector<std::uint8_t>> sent;
    const std::vector<sim::TrafficEntry> traffic = backend_->Traffic();
    for (std::size_t i = before; i < traffic.size(); ++i) {
        if (traffic[i].op == sim::TrafficEntry::Op::Write) {
            sent.push_back(traffic[i].data);
        }
    }
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0][3], 0x00) << "the status read";
    EXPECT_EQ(tray_.tooltip, QStringLiteral("Veltra Mouse\nVeltra V1 — 2.4 GHz receiver — 14 %"));

    // Asleep: the receiver answers for the mouse, and the icon is the program's again.
    SetAsleep(true);
    clock_ms_ += 6000;
    ASSERT_TRUE(WaitForConnection(false));
    EXPECT_EQ(window_->TrayStep(), TrayBatteryStep::Plain);
    EXPECT_EQ(tray_.tooltip, QStringLiteral("Veltra Mouse"));
    EXPECT_EQ(Picture(tray_.icon), PlainPicture());
    // Awake at the same level: nothing new to tell.
    SetAsleep(false);
    clock_ms_ += 6000;
    ASSERT_TRUE(WaitForLink(kReceiverText));
    ASSERT_TRUE(WaitForLevel(14));
    EXPECT_EQ(window_->TrayStep(), TrayBatteryStep::Low);
    EXPECT_EQ(notices_.shown.size(), 1u);

    ASSERT_TRUE(Poll(5));
    ASSERT_EQ(notices_.shown.size(), 2u);
    EXPECT_EQ(notices_.shown[1].title, QStringLiteral("Veltra V1 battery almost empty"));
    EXPECT_EQ(notices_.shown[1].body,
              QStringLiteral("Battery at 5 %. Connect the cable now to keep the mouse working."));
    EXPECT_TRUE(notices_.shown[1].urgent);

    // Charging starts nothing; a charge above the threshold arms it again.
    ASSERT_TRUE(Poll(30, true));
    EXPECT_EQ(window_->TrayStep(), TrayBatteryStep::Charging);
    EXPECT_EQ(tray_.tooltip,
              QStringLiteral("Veltra Mouse\nVeltra V1 — 2.4 GHz receiver — 30 %, charging"));
    ASSERT_TRUE(Poll(16));
    EXPECT_EQ(notices_.shown.size(), 2u);
    ASSERT_TRUE(Poll(15));
    EXPECT_EQ(Titles(), (std::vector<QString>{QStringLiteral("Veltra V1 battery low"),
                                              QStringLiteral("Veltra V1 battery almost empty"),
                                              QStringLiteral("Veltra V1 battery low")}));
    // No message from the icon besides: the notification service took them.
    EXPECT_TRUE(tray_.messages.empty());
}

TEST_F(TrayBatteryTest, TheSettingsPageSwitchesTheNoticesOff) {
    OpenOnReceiver(40);
    Act(ids::kSettingsButton);
    auto* check = Get<CCheckButton>(ids::kBatteryNoticeCheck);
    ASSERT_NE(check, nullptr);
    EXPECT_TRUE(Shown(ids::kBatteryNoticeCheck));
    EXPECT_TRUE(check->GetCheck());
    check->SetCheck(false);
    Act(ids::kBatteryNoticeCheck);
    EXPECT_FALSE(ReadSettingFlag(kBatteryNoticeValue, true));

    ASSERT_TRUE(Poll(10));
    EXPECT_TRUE(notices_.shown.empty());
    // The icon still tells the level.
    EXPECT_EQ(window_->TrayStep(), TrayBatteryStep::Low);

    // Switched on again, the next threshold is told; the one passed while off is not repeated.
    check->SetCheck(true);
    Act(ids::kBatteryNoticeCheck);
    EXPECT_TRUE(ReadSettingFlag(kBatteryNoticeValue, false));
    ASSERT_TRUE(Poll(12));
    EXPECT_TRUE(notices_.shown.empty());
    ASSERT_TRUE(Poll(4));
    EXPECT_EQ(Titles(), std::vector<QString>{QStringLiteral("Veltra V1 battery almost empty")});
}

TEST_F(TrayBatteryTest, ACableShowsThePlainIcon) {
    SetBattery(8);
    OpenWindow();
    EXPECT_EQ(window_->TrayStep(), TrayBatteryStep::Plain);
    EXPECT_EQ(tray_.tooltip, QStringLiteral("Veltra Mouse\nVeltra V1 — Cable"));
    EXPECT_EQ(Picture(tray_.icon), PlainPicture());
    // A low level on the cable: the mouse says it is powered, so nothing is told.
    EXPECT_TRUE(notices_.shown.empty());

    backend_->Unplug(wired_);
    ASSERT_TRUE(WaitForConnection(false));
    EXPECT_EQ(tray_.tooltip, QStringLiteral("Veltra Mouse"));
    // Off the cable, the same level is news.
    backend_->Plug(mouse_, sim::Link::Receiver, kVendor, kReceiverPid);
    ASSERT_TRUE(WaitForLink(kReceiverText));
    ASSERT_TRUE(WaitUntil([this] { return notices_.shown.size() == 1; }));
    EXPECT_EQ(notices_.shown[0].body, QStringLiteral("Battery at 8 %. Charge the mouse soon."));
    EXPECT_EQ(window_->TrayStep(), TrayBatteryStep::Low);
}

TEST_F(TrayBatteryTest, BluetoothShowsTheBatteryInTheUsersLanguage) {
    SetBattery(80);
    wired_ = backend_->Plug(mouse_, sim::Link::Bluetooth, kVendor, kBluetoothPid);
    OpenWindow(false);
    ASSERT_TRUE(WaitForLink(kBluetoothText));
    ASSERT_TRUE(WaitForLevel(80));
    EXPECT_EQ(window_->TrayStep(), TrayBatteryStep::Full);
    EXPECT_EQ(tray_.tooltip, QStringLiteral("Veltra Mouse\nVeltra V1 — Bluetooth — 80 %"));
    const QImage full = Picture(tray_.icon);
    EXPECT_FALSE(full.isNull());
    EXPECT_NE(full, PlainPicture());

    SetLanguage(2052);
    window_->ApplyLanguageTexts();
    // The caption is the program's name, the same in every language.
    EXPECT_EQ(tray_.tooltip, QStringLiteral("Veltra Mouse\nVeltra V1 — 蓝牙 — 80%"));
    SetLanguage(1033);
}

TEST_F(TrayBatteryTest, EachStepHasAPictureOfItsOwn) {
    OpenOnReceiver(90);
    std::vector<QImage> pictures{PlainPicture(), Picture(tray_.icon)};
    ASSERT_EQ(window_->TrayStep(), TrayBatteryStep::Full);
    for (const auto& [level, charging, step] :
         {std::tuple{40, false, TrayBatteryStep::Half}, std::tuple{12, false, TrayBatteryStep::Low},
          std::tuple{50, true, TrayBatteryStep::Charging}}) {
        ASSERT_TRUE(Poll(level, charging));
        EXPECT_EQ(window_->TrayStep(), step);
        const QImage picture = Picture(tray_.icon);
        for (const QImage& other : pictures) {
            EXPECT_NE(picture, other) << "level " << level;
        }
        pictures.push_back(picture);
    }
}

TEST_F(TrayBatteryTest, TheWarningReachesTheDesktopsNotificationService) {
    PrivateSessionBus bus;
    if (!bus.Running()) {
        GTEST_SKIP() << "no dbus-daemon";
    }
    ASSERT_TRUE(bus.StartService());
    DBusNotices notices(bus.Connect(QStringLiteral("window")), QStringLiteral("Veltra Mouse"),
                        QStringLiteral("veltra-mouse"), {});
    notice_port_ = &notices;
    OpenOnReceiver(16);
    ASSERT_TRUE(Poll(15));
    ASSERT_TRUE(WaitUntil([&] { return bus.Service().notices.size() == 1; }));
    const ReceivedNotice& notice = bus.Service().notices[0];
    EXPECT_EQ(notice.application, QStringLiteral("Veltra Mouse"));
    EXPECT_EQ(notice.title, QStringLiteral("Veltra V1 battery low"));
    EXPECT_EQ(notice.body, QStringLiteral("Battery at 15 %. Charge the mouse soon."));
    EXPECT_EQ(notice.icon, QStringLiteral("veltra-mouse"));
    window_.reset();
}

}  // namespace
}  // namespace veltra::ui::testing
