#include "frontend/demo_controls.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>

#include "config/catalogue.h"
#include "frontend/device_link.h"
#include "sim/firmware_model.h"
#include "sim/simulated_backend.h"
#include "support/temp_dir.h"

namespace veltra {
namespace {

constexpr int kWithBluetooth = 101;
constexpr int kWithoutBluetooth = 301;
constexpr int kWiredPid = 0xF5D5;
constexpr int kReceiverPid = 0xF5D6;
constexpr int kBluetoothPid = 0xF5D7;

Catalogue ShippedCatalogue() {
    const std::filesystem::path source(VELTRA_SOURCE_DIR);
    return ReadCatalogue(source / "data" / "config.xml", source / "data");
}

// The demo mouse of `device_type`, made the way `--demo` makes it.
class DemoControlsTest : public ::testing::Test {
  protected:
    explicit DemoControlsTest(int device_type = kWithBluetooth) {
        DeviceLinkOptions options;
        options.demo = true;
        options.device_type = device_type;
        options.demo_time_scale = 0.05;
        link_ = MakeDeviceLink(catalogue_, options);
        controls_ = std::make_unique<DemoControls>(*link_.simulated, link_.demo_mouse, catalogue_,
                                                   device_type, link_.demo_devices);
    }

    sim::SimulatedBackend& backend() { return *link_.simulated; }

    // Product id -> number of its interfaces in the enumeration.
    std::map<int, int> Listed() {
        std::map<int, int> listed;
        for (const HidInterfaceInfo& info : backend().Enumerate()) {
            ++listed[info.product_id];
        }
        return listed;
    }

    test::ScopedEnv record_{"VELTRA_HID_RECORD", std::nullopt};
    Catalogue catalogue_ = ShippedCatalogue();
    DeviceLink link_;
    std::unique_ptr<DemoControls> controls_;
};

class DemoWithoutBluetoothTest : public DemoControlsTest {
  protected:
    DemoWithoutBluetoothTest() : DemoControlsTest(kWithoutBluetooth) {}
};

TEST_F(DemoControlsTest, EachLinkPlugsInAndOutOfTheEnumeration) {
    ASSERT_GE(link_.demo_mouse, 0);
    const std::map<int, int> start = Listed();
    ASSERT_EQ(start.size(), 2u);
    ASSERT_TRUE(start.count(kWiredPid) && start.count(kReceiverPid));
    EXPECT_TRUE(controls_->IsPlugged(DemoLink::Cable));
    EXPECT_TRUE(controls_->IsPlugged(DemoLink::Receiver));
    EXPECT_TRUE(controls_->Available(DemoLink::Bluetooth));
    EXPECT_FALSE(controls_->IsPlugged(DemoLink::Bluetooth));

    EXPECT_TRUE(controls_->SetPlugged(DemoLink::Cable, false));
    EXPECT_FALSE(controls_->IsPlugged(DemoLink::Cable));
    EXPECT_EQ(Listed().count(kWiredPid), 0u);
    EXPECT_TRUE(controls_->SetPlugged(DemoLink::Cable, false)) << "already out";
    EXPECT_TRUE(controls_->SetPlugged(DemoLink::Receiver, false));
    EXPECT_TRUE(Listed().empty());

    // Unplugging a pairing that never existed leaves it absent; the first plug pairs it.
    EXPECT_TRUE(controls_->SetPlugged(DemoLink::Bluetooth, false));
    EXPECT_TRUE(Listed().empty());
    EXPECT_TRUE(controls_->SetPlugged(DemoLink::Bluetooth, true));
    EXPECT_TRUE(controls_->IsPlugged(DemoLink::Bluetooth));
    const std::map<int, int> paired = Listed();
    ASSERT_EQ(paired.size(), 1u);
    ASSERT_EQ(paired.count(kBluetoothPid), 1u);

    // Later plugs bring the same pairing back rather than adding another.
    EXPECT_TRUE(controls_->SetPlugged(DemoLink::Bluetooth, false));
    EXPECT_TRUE(Listed().empty());
    EXPECT_TRUE(controls_->SetPlugged(DemoLink::Bluetooth, true));
    EXPECT_TRUE(controls_->SetPlugged(DemoLink::Bluetooth, true));
    EXPECT_EQ(Listed(), paired);

    EXPECT_TRUE(controls_->SetPlugged(DemoLink::Cable, true));
    EXPECT_TRUE(controls_->SetPlugged(DemoLink::Receiver, true));
    std::map<int, int> all = start;
    all.insert(paired.begin(), paired.end());
    EXPECT_EQ(Listed(), all);
}

TEST_F(DemoWithoutBluetoothTest, BluetoothIsRefusedAndChangesNothing) {
    const std::map<int, int> start = Listed();
    EXPECT_FALSE(controls_->Available(DemoLink::Bluetooth));
    EXPECT_FALSE(controls_->SetPlugged(DemoLink::Bluetooth, true));
    EXPECT_FALSE(controls_->IsPlugged(DemoLink::Bluetooth));
    EXPECT_EQ(Listed(), start);
    EXPECT_TRUE(controls_->Available(DemoLink::Cable));
    EXPECT_TRUE(controls_->Available(DemoLink::Receiver));
}

TEST_F(DemoControlsTest, SleepButtonsAndBatteryReachTheFirmware) {
    EXPECT_TRUE(controls_->SetAsleep(true));
    EXPECT_TRUE(controls_->Asleep());
    EXPECT_TRUE(backend().Firmware(link_.demo_mouse).Asleep());

    // The button wakes the mouse, as a real press does.
    const int level = backend().Firmware(link_.demo_mouse).ActiveDpiLevel();
    EXPECT_TRUE(controls_->PressDpiButton());
    EXPECT_NE(backend().Firmware(link_.demo_mouse).ActiveDpiLevel(), level);
    EXPECT_FALSE(controls_->Asleep());

    EXPECT_TRUE(controls_->SetBatteryLevel(150));
    EXPECT_EQ(controls_->BatteryLevel(), 100);
    EXPECT_TRUE(controls_->SetBatteryLevel(-3));
    EXPECT_EQ(controls_->BatteryLevel(), 0);
    EXPECT_TRUE(controls_->SetBatteryLevel(42));
    EXPECT_EQ(backend().Firmware(link_.demo_mouse).BatteryLevel(), 42);
}

TEST_F(DemoControlsTest, DrainingAndChargingMoveTheLevelAndThePower) {
    const auto firmware = [this] { return backend().Firmware(link_.demo_mouse); };
    ASSERT_TRUE(controls_->SetBatteryLevel(8));
    ASSERT_TRUE(controls_->DrainBattery(5));
    EXPECT_EQ(firmware().BatteryLevel(), 3);
    ASSERT_TRUE(controls_->DrainBattery(5));
    EXPECT_EQ(firmware().BatteryLevel(), 0);
    EXPECT_FALSE(firmware().ExternalPower());

    ASSERT_TRUE(controls_->ChargeBattery(25));
    EXPECT_EQ(firmware().BatteryLevel(), 25);
    EXPECT_TRUE(firmware().ExternalPower());
    EXPECT_FALSE(firmware().ChargeComplete());
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(controls_->ChargeBattery(25));
    }
    EXPECT_EQ(firmware().BatteryLevel(), 100);
    EXPECT_TRUE(firmware().ChargeComplete());

    // Off the charger again.
    ASSERT_TRUE(controls_->DrainBattery(5));
    EXPECT_EQ(firmware().BatteryLevel(), 95);
    EXPECT_FALSE(firmware().ExternalPower());
    EXPECT_FALSE(firmware().ChargeComplete());
}

TEST_F(DemoControlsTest, ReportRateCyclesThroughTheFourCodesAndWraps) {
    const int first = backend().Firmware(link_.demo_mouse).ReportRateCode();
    for (int step = 1; step <= 4; ++step) {
        ASSERT_TRUE(controls_->CycleReportRate());
        EXPECT_EQ(backend().Firmware(link_.demo_mouse).ReportRateCode(), (first + step) % 4);
    }
}

TEST_F(DemoControlsTest, TheMouseStateShowsWhatTheWritesLeft) {
    const std::optional<DemoMouseState> before = controls_->MouseState();
    ASSERT_TRUE(before);
    EXPECT_EQ(before->writes, 0);
    backend().WithFirmware(link_.demo_mouse, [](sim::FirmwareModel& firmware) {
        sim::Payload write = firmware.ConfigBlock();
        write[2] = 0x02;
        write[7] = 0x90;
        write[8] = 0xE9;
        firmware.Receive(write);
    });
    const std::optional<DemoMouseState> after = controls_->MouseState();
    ASSERT_TRUE(after);
    EXPECT_EQ(after->writes, 1);
    EXPECT_EQ(after->keys[0], (std::array<std::uint8_t, 2>{0x90, 0xE9}));
    EXPECT_EQ(after->keys[1], before->keys[1]);
    EXPECT_EQ(after->report_rate_hz, before->report_rate_hz);
    EXPECT_TRUE(after->report_rate_hz == 125 || after->report_rate_hz == 1000 ||
                after->report_rate_hz == 250 || after->report_rate_hz == 500);
    EXPECT_GT(after->dpi, 0);
}

TEST(DemoControls, AnUnknownMouseRefusesEverything) {
    sim::SimulatedBackend backend;
    DemoControls controls(backend, 7, ShippedCatalogue(), kWithBluetooth, {});
    EXPECT_FALSE(controls.Available(DemoLink::Cable));
    EXPECT_FALSE(controls.SetPlugged(DemoLink::Cable, true));
    EXPECT_FALSE(controls.SetPlugged(DemoLink::Bluetooth, true));
    EXPECT_FALSE(controls.SetAsleep(true));
    EXPECT_FALSE(controls.PressDpiButton());
    EXPECT_FALSE(controls.CycleReportRate());
    EXPECT_FALSE(controls.SetBatteryLevel(50));
    EXPECT_FALSE(controls.DrainBattery(5));
    EXPECT_FALSE(controls.ChargeBattery(5));
    EXPECT_EQ(controls.BatteryLevel(), -1);
    EXPECT_FALSE(controls.MouseState());
    EXPECT_TRUE(backend.Enumerate().empty());
}

}  // namespace
}  // namespace veltra
