// The flows that wait on the worker: restore defaults, the choice of model and profile, and what
// the mouse does on its own (plugging, its DPI button, its battery).
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "config/language.h"
#include "device/device_worker.h"
#include "shell/settings_key.h"
#include "ui/dialogs/dpi_popup.h"
#include "ui/dialogs/wait_dialog.h"
#include "ui/widgets/device_controls.h"
#include "ui/widgets/fields.h"
#include "ui/widgets/tabs.h"
#include "window/window_fixture.h"

namespace veltra::ui::testing {
namespace {

ino_t Inode(const std::filesystem::path& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}

TEST_F(WindowTest, RestoreDefaultsCancelledChangesNothing) {
    OpenWindow();
    ASSERT_TRUE(store_.SetConfig(1, "report_rate", "3"));
    const ino_t before = Inode(StorePath());
    box_answer_ = kResultCancel;
    Act(ids::kRestoreDefaults);
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0], GetLangText(571) + " | " + GetLangText(570) + " | 4");
    EXPECT_EQ(Inode(StorePath()), before);
    std::string value;
    ASSERT_TRUE(store_.GetConfig(1, "report_rate", value));
    EXPECT_EQ(value, "3");
    EXPECT_TRUE(window_->Worker().TaskQueueEmpty());
}

TEST_F(WindowTest, RestoreDefaultsConfirmedRecreatesTheStoreAndWaitsForTheReset) {
    OpenWindow();
    ASSERT_TRUE(store_.SetConfig(1, "report_rate", "3"));
    const std::filesystem::path path = StorePath();
    bool waited = false;
    window_->SetWaitDialogHook([&waited](WaitDlg&) { waited = true; });
    box_answer_ = kResultOk;
    // Returns once the worker has finished the factory reset and ended the wait dialog.
    Act(ids::kRestoreDefaults);
    EXPECT_TRUE(waited);
    EXPECT_EQ(window_->CurrentWaitDialog(), nullptr);
    // The same file, made anew: the value set before is gone.
    EXPECT_EQ(StorePath(), path);
    ASSERT_TRUE(WaitUntil([this] { return window_->Worker().TaskQueueEmpty(); }));
    std::string value;
    store_.GetConfig(1, "report_rate", value);
    EXPECT_NE(value, "3");
    EXPECT_EQ(Get<MComboBox>(ids::kProfileCombo)->GetCount(), 5);
}

TEST_F(WindowTest, ChoosingAProfileMakesItActiveBehindTheWaitDialog) {
    OpenWindow();
    auto* profiles = Get<MComboBox>(ids::kProfileCombo);
    profiles->SelectData(3);
    Act(ids::kProfileCombo, profiles->GetCurSel());
    EXPECT_EQ(window_->CurrentWaitDialog(), nullptr);
    EXPECT_EQ(store_.GetActiveProfile(), 3);
    ASSERT_TRUE(WaitUntil([this] { return window_->Worker().TaskQueueEmpty(); }));
    EXPECT_EQ(profiles->GetCurData(), 3);
}

TEST_F(WindowTest, AFlowStartedDuringTheWaitReplacesTheDialogAndNothingHangs) {
    OpenWindow();
    auto* profiles = Get<MComboBox>(ids::kProfileCombo);
    int dialogs = 0;
    window_->SetWaitDialogHook([&](WaitDlg& dialog) {
        EXPECT_TRUE(dialog.isModal());
        if (++dialogs == 1) {
            profiles->SelectData(4);
            Act(ids::kProfileCombo, profiles->GetCurSel());
        }
    });
    profiles->SelectData(2);
    Act(ids::kProfileCombo, profiles->GetCurSel());
    EXPECT_EQ(dialogs, 2);
    EXPECT_EQ(window_->CurrentWaitDialog(), nullptr);
    EXPECT_EQ(store_.GetActiveProfile(), 4);
}

TEST_F(WindowTest, ChoosingAnotherModelServesItsStoreAndForgetsTheMouse) {
    OpenWindow();
    const std::string first_store = StorePath().filename().string();
    auto* models = Get<MComboBox>(ids::kModelCombo);
    ASSERT_TRUE(models->SelectData(301));
    Act(ids::kModelCombo, models->GetCurSel());
    EXPECT_EQ(ReadDeviceType(), 301);
    ASSERT_TRUE(WaitForConnection(false));
    EXPECT_NE(StorePath().filename().string(), first_store);
    EXPECT_TRUE(Shown(ids::kNoticeText));
    EXPECT_FALSE(Shown(ids::kTabBar));
    // The P3 has no lighting page; the V1 has one.
    EXPECT_FALSE(Get<MTabCtrl>(ids::kTabBar)->IsItemVisible(ids::kLightingTabIndex));

    // Back through the device list: the V1's mouse is found again.
    Get<CDeviceList>(ids::kDeviceList)->SetSelectDevice(101);
    Act(ids::kDeviceList, 101);
    ASSERT_TRUE(WaitForConnection(true));
    EXPECT_EQ(ReadDeviceType(), 101);
    EXPECT_EQ(StorePath().filename().string(), first_store);
    EXPECT_TRUE(Get<MTabCtrl>(ids::kTabBar)->IsItemVisible(ids::kLightingTabIndex));
}

TEST_F(WindowTest, PlugAndUnplugMoveBetweenHomeAndTheDevicePages) {
    OpenWindow();
    backend_->Unplug(wired_);
    ASSERT_TRUE(WaitForConnection(false));
    EXPECT_TRUE(Shown(ids::kNoticeText));
    EXPECT_FALSE(Shown(ids::kTabBar));
    EXPECT_FALSE(Shown(ids::kBattery));
    EXPECT_EQ(Get<MTabCtrl>(ids::kTabBar)->GetSelectItem(), 0);
    EXPECT_EQ(Get<BatteryCtrl>(ids::kBattery)->GetState(), kBatteryUnknown);

    backend_->Replug(wired_);
    ASSERT_TRUE(WaitForConnection(true));
    EXPECT_TRUE(Shown(ids::kTabBar));
    EXPECT_EQ(Get<MTabCtrl>(ids::kTabBar)->GetSelectItem(), 1);
}

TEST_F(WindowTest, TheReceiverConnectionAndTheBatteryReachTheWindow) {
    backend_->WithFirmware(mouse_,
                           [](sim::FirmwareModel& firmware) { firmware.SetBatteryLevel(37); });
    backend_->Plug(mouse_, sim::Link::Receiver, 0x3554, 0xF5D6);
    OpenWindow(false);
    ASSERT_TRUE(WaitUntil([this] {
        return Title(ids::kConnectionState) == QString::fromStdString(GetLangText(52));
    }));
    EXPECT_EQ(Get<CDeviceState>(ids::kConnectionState)->GetConnectionMode(), kModeReceiver);
    ASSERT_TRUE(WaitUntil([this] { return Get<BatteryCtrl>(ids::kBattery)->GetLevel() == 37; }));
    EXPECT_EQ(Get<BatteryCtrl>(ids::kBattery)->GetState(), kBatteryDischarging);
}

TEST_F(WindowTest, AMouseAsleepBehindItsReceiverComesBackWhenItWakes) {
    backend_->WithFirmware(mouse_, [](sim::FirmwareModel& firmware) { firmware.SetAsleep(true); });
    const int receiver = backend_->Plug(mouse_, sim::Link::Receiver, 0x3554, 0xF5D6);
    ASSERT_GE(receiver, 0);
    OpenWindow(false);
    ASSERT_TRUE(WaitForConnection(false));
    EXPECT_TRUE(Shown(ids::kNoticeText));

    backend_->WithFirmware(mouse_, [](sim::FirmwareModel& firmware) { firmware.SetAsleep(false); });
    // The receiver is asked again at its next poll.
    clock_ms_ += 6000;
    ASSERT_TRUE(WaitUntil([this] {
        return Title(ids::kConnectionState) == QString::fromStdString(GetLangText(52));
    }));
    EXPECT_TRUE(Shown(ids::kTabBar));
    EXPECT_FALSE(Control(ids::kDeviceList)->isHidden());

    // Asleep again: the next poll finds no answer and the window goes home.
    backend_->WithFirmware(mouse_, [](sim::FirmwareModel& firmware) { firmware.SetAsleep(true); });
    clock_ms_ += 6000;
    ASSERT_TRUE(WaitForConnection(false));
    EXPECT_FALSE(Shown(ids::kTabBar));
}

TEST_F(WindowTest, TheMouseDpiButtonShowsThePopUp) {
    OpenWindow();
    DPIMsgDlg* popup = window_->DpiPopup();
    ASSERT_NE(popup, nullptr);
    EXPECT_FALSE(popup->isVisible());
    ASSERT_TRUE(backend_->PressDpiButton(mouse_));
    ASSERT_TRUE(WaitUntil([popup] { return popup->isVisible() || popup->ShownInsideOwner(); }));
    EXPECT_GT(popup->Value(), 0);
}

}  // namespace
}  // namespace veltra::ui::testing
