// The DPI page, the report rate and the performance page over the simulated mouse: what each
// control stores, which task it queues and the frame that reaches the mouse.
#include <gtest/gtest.h>

#include <map>

#include "config/language.h"
#include "device/command_protocol.h"
#include "device/device_worker.h"
#include "shell/settings_key.h"
#include "store/settings_defaults.h"
#include "ui/dialogs/dpi_popup.h"
#include "ui/dialogs/palette_dialog.h"
#include "ui/widgets/buttons.h"
#include "ui/widgets/dpi_controls.h"
#include "ui/widgets/fields.h"
#include "ui/widgets/labels.h"
#include "ui/window/dpi_page.h"
#include "ui/window/performance_page.h"
#include "window/window_fixture.h"

namespace veltra::ui::testing {
namespace {

namespace dpi = dpi_page;
namespace perf = performance_page;

class DevicePagesTest : public WindowTest {
  protected:
    ~DevicePagesTest() override { SetPaletteHook({}); }

    std::string Stored(std::string_view key) {
        std::string value;
        store_.GetConfig(store_.GetActiveProfile(), key, value);
        return value;
    }

    // Waits until the worker has written the mouse `count` times since the traffic was cleared.
    std::vector<std::uint8_t> AwaitWrite(std::size_t count = 1) {
        EXPECT_TRUE(WaitUntil(
            [&] { return ConfigWrites().size() >= count && window_->Worker().TaskQueueEmpty(); }));
        const auto writes = ConfigWrites();
        EXPECT_EQ(writes.size(), count);
        return writes.empty() ? std::vector<std::uint8_t>{} : writes.back();
    }

    // One write of the settings as they are, so that the mouse's block matches the store.
    void Settle() {
        Act(dpi::kLevels, Levels()->GetSelectItem());
        AwaitWrite();
        backend_->ClearTraffic();
    }

    // The write the mouse must receive: the block it holds, as a write command, with the
    // payload bytes `changes` replaced.
    std::vector<std::uint8_t> Expected(const std::map<int, std::uint8_t>& changes) {
        const sim::Payload block = backend_->Firmware(mouse_).ConfigBlock();
        std::vector<std::uint8_t> frame(kFrameSize, 0);
        std::copy(block.begin(), block.end(), frame.begin() + 1);
        frame[1] = 0x55;
        frame[2] = 0xAA;
        frame[3] = static_cast<std::uint8_t>(Command::WriteConfig);
        frame[4] = ConfigLengthByte(store_.DeviceType());
        frame[64] = 0;
        for (const auto& [payload_byte, value] : changes) {
            frame[static_cast<std::size_t>(payload_byte) + 1] = value;
        }
        return frame;
    }

    DPIControl* Levels() { return Get<DPIControl>(dpi::kLevels); }
    DPISlider* Slider() { return Get<DPISlider>(dpi::kSlider); }
};

constexpr int kModeByte = 4;
constexpr int kPowerByte = 5;
constexpr int kEnableMaskByte = 23;
constexpr int kColourPlaneByte = 24;
constexpr int kDpiByte = 28;

TEST_F(DevicePagesTest, ADragStoresEveryValueAndWritesTheMouseOnceWithTheLastOne) {
    OpenWindow();
    Levels()->SetSelectItem(2);
    Settle();
    const std::vector<std::uint8_t> expected = Expected({{kDpiByte + 2, 3000 / 50}});

    const int lower = Slider()->GetLowerLimit();
    Notify(dpi::kSlider, Event::Changing, 40 - lower);
    EXPECT_EQ(Stored("dpi_group2_value"), "2000");
    Notify(dpi::kSlider, Event::Changing, 50 - lower);
    EXPECT_EQ(Stored("dpi_group2_value"), "2500");
    EXPECT_EQ(Levels()->GetDPIValue(2), 2500);
    ASSERT_TRUE(WaitUntil([this] { return window_->Worker().TaskQueueEmpty(); }));
    EXPECT_TRUE(ConfigWrites().empty());

    Notify(dpi::kSlider, Event::Action, 60 - lower);
    EXPECT_EQ(Stored("dpi_group2_value"), "3000");
    EXPECT_EQ(AwaitWrite(), expected);
    EXPECT_EQ(backend_->Firmware(mouse_).DpiValue(2), 3000);
}

TEST_F(DevicePagesTest, LevelMaskAndColourEachStoreTheirKeysAndReachTheMouse) {
    OpenWindow();
    Settle();

    // Selecting a level makes it the active one and shows it in the pop-up.
    std::map<int, std::uint8_t> changes;
    changes[kModeByte] = static_cast<std::uint8_t>(
        (backend_->Firmware(mouse_).ConfigBlock()[kModeByte] & 0x1F) | 4 << 5);
    std::vector<std::uint8_t> expected = Expected(changes);
    Levels()->SetSelectItem(4);
    Act(dpi::kLevels, 4);
    EXPECT_EQ(Stored("dpi_index"), "4");
    EXPECT_EQ(Slider()->GetProgress(), Levels()->GetDPIValue(4) / 50);
    EXPECT_EQ(AwaitWrite(1), expected);
    EXPECT_EQ(window_->DpiPopup()->Value(), Levels()->GetDPIValue(4));

    // The enable mask.
    Levels()->SetDPIFlag(0x0F);
    expected = Expected({{kEnableMaskByte, 0x0F}});
    Notify(dpi::kLevels, Event::DpiMaskChanged, 4);
    EXPECT_EQ(Stored("dpi_flag"), "15");
    EXPECT_EQ(AwaitWrite(2), expected);

    // A colour from the palette: the colour and its palette index (13, 0xFF00FF) travel as
    // the four colour planes.
    SetPaletteHook([](std::uint32_t& colour, int& preset) {
        colour = 0xFF00FF;
        preset = 13;
        return true;
    });
    const sim::Payload block = backend_->Firmware(mouse_).ConfigBlock();
    changes.clear();
    for (int plane = 0; plane < 4; ++plane) {
        const bool bit = (13 >> plane & 1) != 0;
        changes[kColourPlaneByte + plane] =
            static_cast<std::uint8_t>(bit ? block[kColourPlaneByte + plane] | 1 << 4
                                          : block[kColourPlaneByte + plane] & ~(1 << 4));
    }
    expected = Expected(changes);
    Notify(dpi::kLevels, Event::DpiColourPick, 4);
    EXPECT_EQ(Stored("dpi_group4_rgb"), std::to_string(0xFF00FF));
    EXPECT_EQ(Stored("dpi_group4_rgbindex"), "13");
    EXPECT_EQ(Levels()->GetDPIColorValue(4), 0xFF00FFu);
    EXPECT_EQ(AwaitWrite(3), expected);
    EXPECT_EQ(backend_->Firmware(mouse_).ColourIndex(4), 13);

    // A palette closed without a colour changes nothing and writes nothing.
    SetPaletteHook([](std::uint32_t&, int&) { return false; });
    Notify(dpi::kLevels, Event::DpiColourPick, 4);
    ASSERT_TRUE(WaitUntil([this] { return window_->Worker().TaskQueueEmpty(); }));
    EXPECT_EQ(ConfigWrites().size(), 3u);
    EXPECT_EQ(Stored("dpi_group4_rgbindex"), "13");
}

TEST_F(DevicePagesTest, ResettingTheLevelsStoresTheFamilyDefaultsAndSendsThem) {
    OpenWindow();
    ASSERT_EQ(store_.DeviceType(), 101);
    store_.SetConfig(store_.GetActiveProfile(), "dpi_group3_value", "700");
    store_.SetConfig(store_.GetActiveProfile(), "dpi_flag", "3");

    box_answer_ = kResultCancel;
    Act(dpi::kLevelsReset);
    EXPECT_EQ(Stored("dpi_group3_value"), "700");
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0], GetLangText(258) + " | " + GetLangText(253) + " | 4");

    backend_->ClearTraffic();
    box_answer_ = kResultOk;
    Act(dpi::kLevelsReset);
    EXPECT_EQ(Stored("dpi_flag"), "221");
    EXPECT_EQ(Stored("dpi_index"), "0");
    EXPECT_EQ(Stored("dpi_count"), "8");
    const int defaults[] = {1200, 1600, 2400, 4800, 6400, 8000, 9600, 12000};
    for (int level = 0; level < 8; ++level) {
        EXPECT_EQ(Levels()->GetDPIValue(level), defaults[level]);
        // The values themselves, so the mouse never receives DPI code 0.
        EXPECT_EQ(Stored(DpiGroupValueKey(level)), std::to_string(defaults[level]));
    }
    EXPECT_EQ(Levels()->GetSelectItem(), 0);
    EXPECT_EQ(window_->DpiPopup()->Value(), 1200);
    AwaitWrite();
    const sim::FirmwareModel firmware = backend_->Firmware(mouse_);
    EXPECT_EQ(firmware.DpiEnableMask(), 221);
    EXPECT_EQ(firmware.DpiValue(3), 4800);
    EXPECT_EQ(firmware.DpiValue(7), 12000);
    EXPECT_EQ(firmware.ColourIndex(3), 11);
}

TEST_F(DevicePagesTest, AStoredZeroShowsTheDefaultAndTheSliderFollowsTheFamilyRule) {
    OpenWindow();
    store_.SetConfig(store_.GetActiveProfile(), "dpi_group3_value", "0");
    store_.SetConfig(store_.GetActiveProfile(), "dpi_index", "3");
    window_->OnSettingsRefreshed({.profile = store_.GetActiveProfile(), .performance = true});
    EXPECT_EQ(Levels()->GetDPIValue(3), 4800);
    EXPECT_EQ(Levels()->GetSelectItem(), 3);
    EXPECT_EQ(Slider()->GetUpperLimit(), 240);
    EXPECT_EQ(Slider()->GetProgress(), 96);

    // An active level out of range selects the first.
    store_.SetConfig(store_.GetActiveProfile(), "dpi_index", "9");
    window_->OnSettingsRefreshed({.profile = store_.GetActiveProfile(), .performance = true});
    EXPECT_EQ(Levels()->GetSelectItem(), 0);
}

TEST_F(DevicePagesTest, TheOtherFamilysLastLevelSlidesInHundredsFromOneThousand) {
    WriteDeviceType(301);
    wired_ = backend_->Plug(mouse_, sim::Link::Wired, 0x3554, 0xF5A1);
    OpenWindow();
    ASSERT_EQ(store_.DeviceType(), 301);
    store_.SetConfig(store_.GetActiveProfile(), "dpi_group3_value", "0");
    window_->OnSettingsRefreshed({.profile = store_.GetActiveProfile(), .performance = true});
    EXPECT_EQ(Levels()->GetDPIValue(3), 2400);

    Levels()->SetSelectItem(7);
    Act(dpi::kLevels, 7);
    EXPECT_EQ(Slider()->GetLowerLimit(), 20);
    EXPECT_EQ(Slider()->GetUpperLimit(), 256);
    EXPECT_EQ(Slider()->GetStep(), 2);
    Notify(dpi::kSlider, Event::Action, 0);
    EXPECT_EQ(Stored("dpi_group7_value"), "1000");
    Levels()->SetSelectItem(1);
    Act(dpi::kLevels, 1);
    EXPECT_EQ(Slider()->GetLowerLimit(), 10);
    EXPECT_EQ(Slider()->GetUpperLimit(), 128);
    EXPECT_EQ(Slider()->GetStep(), 1);
}

TEST_F(DevicePagesTest, TheMouseDpiButtonMovesThePageAndThePopUp) {
    OpenWindow();
    const int before = Levels()->GetSelectItem();
    ASSERT_TRUE(backend_->PressDpiButton(mouse_));
    ASSERT_TRUE(WaitUntil([&] { return Levels()->GetSelectItem() != before; }));
    const int level = Levels()->GetSelectItem();
    EXPECT_EQ(level, backend_->Firmware(mouse_).ActiveDpiLevel());
    EXPECT_EQ(Stored("dpi_index"), std::to_string(level));
    EXPECT_EQ(Slider()->GetProgress(), Levels()->GetDPIValue(level) / 50);
    EXPECT_EQ(window_->DpiPopup()->Value(), Levels()->GetDPIValue(level));
}

TEST_F(DevicePagesTest, TheReportRateStoresBothCopiesAndResetsTo1000) {
    OpenWindow();
    auto* rate = Get<ReporteCtrl>(dpi::kRate);
    ASSERT_EQ(rate->GetItemCount(), 4);
    Settle();
    const std::uint8_t mode = backend_->Firmware(mouse_).ConfigBlock()[kModeByte];
    const std::vector<std::uint8_t> expected =
        Expected({{kModeByte, static_cast<std::uint8_t>((mode & ~3) | 2)}});
    rate->SetSelectItemValue(2);
    Act(dpi::kRate, 2);
    EXPECT_EQ(Stored("report_rate"), "2");
    EXPECT_EQ(Stored("report_rate_wireless"), "2");
    EXPECT_EQ(window_->DpiPopup()->ReportRateIndex(), 2);
    EXPECT_EQ(AwaitWrite(), expected);
    EXPECT_EQ(backend_->Firmware(mouse_).ReportRateCode(), 2);

    box_answer_ = kResultOk;
    Act(dpi::kRateReset);
    EXPECT_EQ(Stored("report_rate"), "0");
    EXPECT_EQ(Stored("report_rate_wireless"), "0");
    EXPECT_EQ(rate->GetSelectItemValue(), 0);
    AwaitWrite(2);
    EXPECT_EQ(backend_->Firmware(mouse_).ReportRateCode(), 0);
}

TEST_F(DevicePagesTest, OverBluetoothTheRateIsTheOne133HzItemAndNothingIsStored) {
    wired_ = backend_->Plug(mouse_, sim::Link::Bluetooth, 0x3554, 0xF5D7);
    OpenWindow(false);
    ASSERT_TRUE(WaitUntil([this] {
        return window_->DeviceStateView().Snapshot().synced &&
               Get<MComboBox>(ids::kProfileCombo)->GetCount() > 0;
    }));
    store_.SetConfig(store_.GetActiveProfile(), "report_rate", "1");
    window_->OnSettingsRefreshed({.profile = store_.GetActiveProfile(), .performance = true});
    auto* rate = Get<ReporteCtrl>(dpi::kRate);
    ASSERT_EQ(rate->GetItemCount(), 1);
    EXPECT_EQ(rate->GetSelectItemValue(), 3);
    Act(dpi::kRate, 3);
    box_answer_ = kResultOk;
    Act(dpi::kRateReset);
    EXPECT_EQ(Stored("report_rate"), "1");
    EXPECT_EQ(rate->GetSelectItemValue(), 3);
}

TEST_F(DevicePagesTest, PowerOptionsStoreTheirCodesAndReachTheMouse) {
    OpenWindow();
    auto* idle = Get<MComboBox>(perf::kIdleLight);
    auto* sleep = Get<MComboBox>(perf::kSleep);
    ASSERT_EQ(idle->GetCount(), 8);
    EXPECT_EQ(idle->GetItemText(4), QStringLiteral("25s"));
    EXPECT_EQ(sleep->GetItemText(2), QStringLiteral("120s"));
    Settle();

    idle->SelectData(4);
    Act(perf::kIdleLight, idle->GetCurSel());
    EXPECT_EQ(Stored("sleep_light"), "4");
    AwaitWrite(1);
    sleep->SelectData(2);
    Act(perf::kSleep, sleep->GetCurSel());
    EXPECT_EQ(Stored("spare_time"), "2");
    AwaitWrite(2);
    auto* wakeup = Get<CCheckButton>(perf::kWakeup);
    auto* game = Get<CCheckButton>(perf::kGameMode);
    wakeup->SetCheck(false);
    Act(perf::kWakeup, 0);
    EXPECT_EQ(Stored("key_wakeup"), "0");
    AwaitWrite(3);
    const std::uint8_t power = backend_->Firmware(mouse_).ConfigBlock()[kPowerByte];
    const std::vector<std::uint8_t> expected =
        Expected({{kPowerByte, static_cast<std::uint8_t>(power | 1 << 4)}});
    game->SetCheck(true);
    Act(perf::kGameMode, 1);
    EXPECT_EQ(Stored("game_mode"), "1");
    EXPECT_EQ(AwaitWrite(4), expected);
    const sim::FirmwareModel firmware = backend_->Firmware(mouse_);
    EXPECT_EQ(firmware.IdleLightCode(), 4);
    EXPECT_EQ(firmware.SleepCode(), 2);
    EXPECT_FALSE(firmware.KeyWakeup());
    EXPECT_TRUE(firmware.GameMode());

    // The page shows what the store holds, and the time lists keep their codes in Chinese.
    store_.SetConfig(store_.GetActiveProfile(), "key_wakeup", "2");
    window_->OnSettingsRefreshed({.profile = store_.GetActiveProfile(), .performance = true});
    EXPECT_FALSE(wakeup->GetCheck());
    SetLanguage(2052);
    window_->ApplyLanguageTexts();
    EXPECT_EQ(sleep->GetItemData(3), 3);
    EXPECT_EQ(sleep->GetItemText(3),
              QStringLiteral("180") + QString::fromStdString(GetLangText(544)));
}

}  // namespace
}  // namespace veltra::ui::testing
