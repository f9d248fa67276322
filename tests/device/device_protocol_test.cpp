#include "device/device_protocol.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "device/driver_comm.h"
#include "device/macro_upload.h"
#include "settings/key_function.h"
#include "sim/simulated_backend.h"
#include "store/profile_list.h"
#include "store/profile_store.h"
#include "store/settings_defaults.h"
#include "support/temp_dir.h"

namespace veltra {
namespace {

constexpr std::uint16_t kVid = 0x3554;
constexpr std::uint16_t kWiredPid = 0xF5D5;
constexpr std::uint16_t kReceiverPid = 0xF5D6;
constexpr int kDeviceType = 101;

// A mouse on the simulated bus, DriverComm and a fresh store with five profiles.
class DeviceProtocolTest : public ::testing::Test {
  protected:
    void SetUp() override {
        auto backend = std::make_unique<sim::SimulatedBackend>(sim::BackendOptions{0.0, true});
        sim_ = backend.get();
        mouse_ = sim_->AddMouse();
        comm_ = std::make_unique<DriverComm>(std::move(backend));
        comm_->SetSleeper([this](std::chrono::milliseconds ms) { pauses_.push_back(ms.count()); });
        comm_->AddDevice(kVid, kWiredPid, "", kDeviceType, ConnectionMode::Wired);
        comm_->AddDevice(kVid, kReceiverPid, "", kDeviceType, ConnectionMode::Receiver);
        std::filesystem::create_directories(dir_.path() / "db");
        ASSERT_TRUE(store_.SwitchDeviceModel(dir_.path(), "veltra_v1", kDeviceType));
        state_.active_profile = LoadProfileList(store_, "Profile").active_profile;
        ASSERT_EQ(state_.active_profile, 1);
        state_.current_device_type = kDeviceType;
    }

    void Plug(sim::Link link, std::uint16_t pid = kWiredPid) {
        device_ = sim_->Plug(mouse_, link, kVid, pid);
        comm_->CloseAll();
        comm_->EnumerateDevice();
        comm_->SetCurrentDeviceType(kDeviceType);
        sim_->ClearTraffic();
    }

    std::string Get(std::string_view key) {
        std::string value;
        store_.GetConfig(state_.active_profile, key, value);
        return value;
    }

    std::vector<std::vector<std::uint8_t>> Writes() const {
        std::vector<std::vector<std::uint8_t>> writes;
        for (const auto& e : sim_->Traffic()) {
            if (e.op == sim::TrafficEntry::Op::Write) {
                writes.push_back(e.data);
            }
        }
        return writes;
    }

    // Writes the interface refused.
    std::size_t RefusedWrites() const {
        const auto traffic = sim_->Traffic();
        return static_cast<std::size_t>(
            std::count_if(traffic.begin(), traffic.end(), [](const sim::TrafficEntry& e) {
                return e.op == sim::TrafficEntry::Op::Write && e.result < 0;
            }));
    }

    void SaveKey(int key_code, KeyFunctionType type, int value, int value2 = 0, int value3 = 0) {
        KeyAssignment a;
        a.profile = state_.active_profile;
        a.key_code = key_code;
        a.macro_type = static_cast<int>(type);
        a.macro_value = value;
        a.macro_value2 = value2;
        a.macro_value3 = value3;
        ASSERT_GT(store_.SaveKeyAssignment(a), 0);
    }

    DeviceProtocol Protocol() {
        return DeviceProtocol(*comm_, store_, state_,
                              [this](const BatteryInfo& b) { batteries_.push_back(b); });
    }

    test::TempDir dir_;
    sim::SimulatedBackend* sim_ = nullptr;
    int mouse_ = -1;
    int device_ = -1;
    std::unique_ptr<DriverComm> comm_;
    ProfileStore store_;
    DeviceState state_;
    std::vector<BatteryInfo> batteries_;
    std::vector<long> pauses_;
};

TEST_F(DeviceProtocolTest, ReadCopiesTheMouseIntoTheActiveProfile) {
    Plug(sim::Link::Wired);
    sim_->WithFirmware(mouse_, [](sim::FirmwareModel& fw) {
        fw.SetBatteryLevel(37);
        fw.SetPower(true, false);
    });
    const sim::FirmwareModel fw = sim_->Firmware(mouse_);
    DeviceProtocol protocol = Protocol();
    ASSERT_TRUE(protocol.ReadDeviceData());

    ASSERT_EQ(batteries_.size(), 1u);
    EXPECT_EQ(batteries_[0].level, 37);
    EXPECT_TRUE(batteries_[0].charging);
    EXPECT_EQ(Get(config_key::kReportRate), std::to_string(fw.ReportRateCode()));
    EXPECT_EQ(Get(config_key::kReportRateWireless), std::to_string(fw.ReportRateCode()));
    EXPECT_EQ(Get(config_key::kDpiIndex), std::to_string(fw.ActiveDpiLevel()));
    EXPECT_EQ(Get(config_key::kSleepLight), std::to_string(fw.IdleLightCode()));
    EXPECT_EQ(Get(config_key::kSpareTime), std::to_string(fw.SleepCode()));
    EXPECT_EQ(Get(config_key::kDpiFlag), std::to_string(fw.DpiEnableMask()));
    for (int i = 0; i < kDpiLevels; ++i) {
        EXPECT_EQ(Get(DpiGroupRgbIndexKey(i)), std::to_string(fw.ColourIndex(i)));
        EXPECT_EQ(Get(DpiGroupRgbKey(i)), std::to_string(PaletteColour(fw.ColourIndex(i))));
        if (fw.DpiValue(i) != 0) {
            EXPECT_EQ(Get(DpiGroupValueKey(i)), std::to_string(fw.DpiValue(i)));
        }
    }
    EXPECT_TRUE(std::equal(state_.config_template.begin(), state_.config_template.end(),
                           fw.ConfigBlock().begin()));
    EXPECT_EQ(state_.status_block[1], 37);
}

TEST_F(DeviceProtocolTest, ReadTellsThePowerBitsApartAndKeepsLevelsWithoutDpi) {
    Plug(sim::Link::Wired);
    const auto mouse_reports = [this](std::uint8_t power_byte) {
        sim_->WithFirmware(mouse_, [power_byte](sim::FirmwareModel& fw) {
            sim::Payload block = fw.ConfigBlock();
            block[5] = power_byte;
            block[28 + 4] = 0;  // level 4 reports no DPI
            fw.ReplaceConfigBlock(block);
        });
    };
    store_.SetConfig(state_.active_profile, DpiGroupValueKey(4), "4200");
    DeviceProtocol protocol = Protocol();

    mouse_reports(0x08 | 0x02);  // key wake-up on, game mode off, sleep code 2
    ASSERT_TRUE(protocol.ReadDeviceData());
    EXPECT_EQ(Get(config_key::kKeyWakeup), "1");
    EXPECT_EQ(Get(config_key::kGameMode), "0");
    EXPECT_EQ(Get(config_key::kSpareTime), "2");
    EXPECT_EQ(Get(DpiGroupValueKey(4)), "4200");

    mouse_reports(0x10 | 0x01);  // game mode on, key wake-up off, sleep code 1
    ASSERT_TRUE(protocol.ReadDeviceData());
    EXPECT_EQ(Get(config_key::kKeyWakeup), "0");
    EXPECT_EQ(Get(config_key::kGameMode), "1");
    EXPECT_EQ(Get(config_key::kSpareTime), "1");
}

TEST_F(DeviceProtocolTest, EachWriteCarriesWhatTheOtherKindLastSent) {
    Plug(sim::Link::Wired);
    DeviceProtocol protocol = Protocol();
    ASSERT_TRUE(protocol.ReadDeviceData());
    const int profile = state_.active_profile;
    const sim::FirmwareModel read = sim_->Firmware(mouse_);
    store_.SetConfig(profile, config_key::kGameMode, read.GameMode() ? "0" : "1");
    store_.SetConfig(profile, config_key::kKeyWakeup, read.KeyWakeup() ? "0" : "1");
    store_.SetConfig(profile, config_key::kLightMode, read.LightingEnabled() ? "0" : "1");
    store_.SetConfig(profile, config_key::kSpareTime, std::to_string((read.SleepCode() + 1) & 3));
    SaveKey(5, KeyFunctionType::MouseButton, 2);
    sim_->ClearTraffic();

    EXPECT_EQ(protocol.WriteConfig(), ExchangeResult::NotAnswered);
    EXPECT_EQ(protocol.WriteKeys(), ExchangeResult::NotAnswered);
    EXPECT_EQ(protocol.WriteConfig(), ExchangeResult::NotAnswered);
    const auto writes = Writes();
    ASSERT_EQ(writes.size(), 3u);
    // The key write sends the power and lighting bits the settings write just changed...
    EXPECT_NE(writes[0][1 + 5], read.ConfigBlock()[5]);
    EXPECT_EQ(writes[1][1 + 5], writes[0][1 + 5]);
    // ...and the next settings write the button codes the key write just sent.
    EXPECT_EQ(writes[1][1 + 6], 0x20);
    for (int b = 6; b <= 18; ++b) {
        EXPECT_EQ(writes[2][1 + b], writes[1][1 + b]) << "payload byte " << b;
    }
    const sim::FirmwareModel after = sim_->Firmware(mouse_);
    EXPECT_NE(after.GameMode(), read.GameMode());
    EXPECT_NE(after.KeyWakeup(), read.KeyWakeup());
    EXPECT_NE(after.LightingEnabled(), read.LightingEnabled());
    EXPECT_EQ(after.KeyMask(), 0x20);
    EXPECT_EQ(after.KeySlot(5), (std::array<std::uint8_t, 2>{0x10, 0x02}));
}

TEST_F(DeviceProtocolTest, KeyWriteNamesAMacroByItsUploadSlot) {
    Plug(sim::Link::Wired);
    DeviceProtocol protocol = Protocol();
    ASSERT_TRUE(protocol.ReadDeviceData());
    ASSERT_GT(store_.AddMacro("Custom 1"), 0);
    const int second = store_.AddMacro("Custom 2");
    ASSERT_GT(second, 0);
    SaveKey(1, KeyFunctionType::MacroFunction, second);
    sim_->ClearTraffic();
    protocol.WriteKeys();
    EXPECT_EQ(sim_->Firmware(mouse_).KeySlot(1), (std::array<std::uint8_t, 2>{0xFF, 0x01}));
}

TEST_F(DeviceProtocolTest, RoundTripLeavesTheMouseUnchanged) {
    Plug(sim::Link::Wired);
    const sim::FirmwareModel before = sim_->Firmware(mouse_);
    DeviceProtocol protocol = Protocol();
    ASSERT_TRUE(protocol.ReadDeviceData());
    // The lighting bit is written but never read back; the store's value decides it.
    store_.SetConfig(state_.active_profile, config_key::kLightMode,
                     before.LightingEnabled() ? "1" : "0");
    protocol.WriteConfig();
    const sim::FirmwareModel after = sim_->Firmware(mouse_);
    for (std::size_t b = 4; b < 63; ++b) {
        EXPECT_EQ(after.ConfigBlock()[b], before.ConfigBlock()[b]) << "payload byte " << b;
    }
}

TEST_F(DeviceProtocolTest, SettingsWriteCarriesTheStoredValuesOnce) {
    Plug(sim::Link::Wired);
    DeviceProtocol protocol = Protocol();
    ASSERT_TRUE(protocol.ReadDeviceData());
    store_.SetConfig(state_.active_profile, DpiGroupValueKey(7), "12799");
    store_.SetConfig(state_.active_profile, DpiGroupValueKey(2), "6449");
    store_.SetConfig(state_.active_profile, config_key::kReportRate, "3");
    sim_->ClearTraffic();
    pauses_.clear();
    // The mouse never answers a write; having sent it is all there is to learn.
    EXPECT_EQ(protocol.WriteConfig(), ExchangeResult::NotAnswered);
    const auto writes = Writes();
    ASSERT_EQ(writes.size(), 1u);
    const auto& w = writes[0];
    ASSERT_EQ(w.size(), 65u);
    EXPECT_EQ(w[0], 0x00);
    EXPECT_EQ(w[1 + 2], 0x02);
    EXPECT_EQ(w[1 + 3], 0x20);
    EXPECT_EQ(w[1 + 4] & 3, 3);
    EXPECT_EQ(w[1 + 30], 128);
    EXPECT_EQ(w[1 + 35], 127);
    EXPECT_EQ(sim_->Firmware(mouse_).DpiValue(7), 12700);
    // A waited write is never answered: the exchange makes its 20 paced attempts.
    EXPECT_EQ(std::count(pauses_.begin(), pauses_.end(), 10), 20);
}

TEST_F(DeviceProtocolTest, WriteBeforeAnyReadSendsZeroKeySlots) {
    Plug(sim::Link::Wired);
    Protocol().WriteConfig();
    const auto writes = Writes();
    ASSERT_EQ(writes.size(), 1u);
    for (int b = 6; b <= 22; ++b) {
        EXPECT_EQ(writes[0][1 + b], 0) << "payload byte " << b;
    }
}

TEST_F(DeviceProtocolTest, MouseWithoutCustomKeysClearsStoredAssignments) {
    Plug(sim::Link::Wired);
    KeyAssignment a;
    a.profile = state_.active_profile;
    a.key_code = 1;
    a.macro_type = static_cast<int>(KeyFunctionType::MouseButton);
    a.macro_value = 1;
    store_.SaveKeyAssignment(a);
    std::vector<KeyAssignment> rows;
    ASSERT_EQ(store_.LoadKeyAssignments(state_.active_profile, 0, rows), 1);

    ASSERT_EQ(sim_->Firmware(mouse_).KeyMask(), 0);
    ASSERT_TRUE(Protocol().ReadDeviceData());
    EXPECT_EQ(store_.LoadKeyAssignments(state_.active_profile, 0, rows), 0);
}

TEST_F(DeviceProtocolTest, KeyWriteSpillsRapidFireIntoTheNextSlot) {
    Plug(sim::Link::Wired);
    DeviceProtocol protocol = Protocol();
    ASSERT_TRUE(protocol.ReadDeviceData());
    KeyAssignment a;
    a.profile = state_.active_profile;
    a.key_code = 2;
    a.macro_type = static_cast<int>(KeyFunctionType::RapidFire);
    a.macro_value = kRapidFireMouseButton * kRapidFireKindFactor + 2;
    a.macro_value2 = 30;  // interval
    a.macro_value3 = 5;   // count
    store_.SaveKeyAssignment(a);
    sim_->ClearTraffic();
    protocol.WriteKeys();
    const auto writes = Writes();
    ASSERT_EQ(writes.size(), 1u);
    const auto& w = writes[0];
    EXPECT_EQ(w[1 + 6], 0x0C);  // slots 2 and 3
    EXPECT_EQ(w[1 + 7 + 4], 0x70);
    EXPECT_EQ(w[1 + 7 + 6], 5);
    EXPECT_EQ(w[1 + 7 + 7], 30);
    EXPECT_EQ(state_.config_template[6], 0x0C);
    EXPECT_EQ(sim_->Firmware(mouse_).KeyMask(), 0x0C);
}

TEST_F(DeviceProtocolTest, FailedConfigReadLeavesStoreAndTemplateAlone) {
    Plug(sim::Link::Wired);
    sim_->SetFault(device_, {sim::Fault::AnswerFfFf, -1, 3, 8});
    const std::string rate = Get(config_key::kReportRate);
    DeviceProtocol protocol = Protocol();
    EXPECT_FALSE(protocol.ReadDeviceData());
    EXPECT_TRUE(batteries_.empty());
    EXPECT_EQ(Get(config_key::kReportRate), rate);
    EXPECT_EQ(state_.config_template, ConfigTemplate{});
    // Two tries of each read with one 500 ms pause between them.
    EXPECT_EQ(Writes().size(), 4u);
    EXPECT_EQ(std::count(pauses_.begin(), pauses_.end(), 500), 2);
}

TEST_F(DeviceProtocolTest, ShortFormInterfaceReadsAndWrites) {
    Plug(sim::Link::ShortForm);
    DeviceProtocol protocol = Protocol();
    ASSERT_TRUE(protocol.ReadDeviceData());
    EXPECT_EQ(Get(config_key::kDpiFlag), std::to_string(sim_->Firmware(mouse_).DpiEnableMask()));
    sim_->ClearTraffic();
    protocol.WriteConfig();
    const auto writes = Writes();
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].size(), 49u);
    EXPECT_EQ(writes[0][0], 0x06);
}

TEST_F(DeviceProtocolTest, ResetSendsBothCommandsAndAsksForAResyncOnlyBehindTheReceiver) {
    Plug(sim::Link::Wired);
    ResetOutcome reset = Protocol().ResetDevice();
    EXPECT_EQ(reset.result, ExchangeResult::Sent);
    EXPECT_FALSE(reset.resync);
    auto writes = Writes();
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(writes[0][1 + 2], 0x04);
    EXPECT_EQ(writes[1][1 + 2], 0x03);
    EXPECT_EQ(std::count(pauses_.begin(), pauses_.end(), 5000), 0);

    sim_->Unplug(device_);
    Plug(sim::Link::Receiver, kReceiverPid);
    ASSERT_EQ(comm_->GetConnectionMode(), ConnectionMode::Receiver);
    reset = Protocol().ResetDevice();
    EXPECT_EQ(reset.result, ExchangeResult::Sent);
    EXPECT_TRUE(reset.resync);
    EXPECT_EQ(std::count(pauses_.begin(), pauses_.end(), 5000), 1);
}

TEST_F(DeviceProtocolTest, ResetReportsTheStepThatDidNotGoOut) {
    // Pulled out after the first step: the second is refused, and nobody waits for a restart.
    Plug(sim::Link::Receiver, kReceiverPid);
    sim_->SetFault(device_, {sim::Fault::UnplugAfterWrite, 1});
    ResetOutcome reset = Protocol().ResetDevice();
    EXPECT_EQ(reset.result, ExchangeResult::WriteFailed);
    EXPECT_FALSE(reset.resync);
    EXPECT_EQ(Writes().size(), 2u);
    EXPECT_EQ(RefusedWrites(), 1u);
    EXPECT_EQ(std::count(pauses_.begin(), pauses_.end(), 5000), 0);

    // A refused first step ends the sequence.
    Plug(sim::Link::Wired);
    sim_->Unplug(device_);
    reset = Protocol().ResetDevice();
    EXPECT_EQ(reset.result, ExchangeResult::WriteFailed);
    EXPECT_EQ(Writes().size(), 1u);

    comm_->CloseAll();
    EXPECT_EQ(Protocol().ResetDevice().result, ExchangeResult::NoDevice);
}

TEST_F(DeviceProtocolTest, MacroUploadFillsTheMouseBuffer) {
    Plug(sim::Link::Wired);
    const int macro = store_.AddMacro("Custom 1");
    ASSERT_GT(macro, 0);
    std::vector<MacroRecord> records;
    for (int i = 0; i < 3; ++i) {
        MacroRecord r;
        r.macro_id = macro;
        r.record_index = i;
        r.type =
            static_cast<int>(i == 1 ? MacroRecordType::Delay
                                    : (i == 0 ? MacroRecordType::KeyDown : MacroRecordType::KeyUp));
        r.value = i == 1 ? 50 : 65;
        records.push_back(r);
    }
    store_.AddMacroRecords(records);
    const MacroUploadOutcome upload = Protocol().UploadMacros();
    EXPECT_EQ(upload.result, ExchangeResult::NotAnswered);
    EXPECT_EQ(upload.chunks, 3u);  // 136 bytes: two full chunks and the last one
    EXPECT_EQ(upload.chunks_sent, 3u);
    EXPECT_EQ(upload.macros, 1u);
    EXPECT_EQ(upload.macros_sent, 1u);
    EXPECT_EQ(Writes().size(), 3u);
    const auto buffer = sim_->Firmware(mouse_).MacroBuffer();
    EXPECT_EQ(buffer[0], 128);
    EXPECT_EQ(buffer[2], 2);
    EXPECT_EQ(buffer[128 + 2], 0x42);
    EXPECT_EQ(buffer[132], 50);
    EXPECT_EQ(buffer[132 + 2], 0x82);
}

TEST_F(DeviceProtocolTest, MacroUploadStopsAtTheFirstRefusedChunk) {
    Plug(sim::Link::Wired);
    sim_->SetFault(device_, {sim::Fault::UnplugAfterWrite, 1});
    const MacroUploadOutcome upload = Protocol().UploadMacros();
    EXPECT_EQ(upload.result, ExchangeResult::WriteFailed);
    EXPECT_EQ(upload.chunks, 3u);
    EXPECT_EQ(upload.chunks_sent, 1u);
    // The refused chunk is the last one tried.
    EXPECT_EQ(Writes().size(), 2u);
    EXPECT_EQ(RefusedWrites(), 1u);
}

TEST_F(DeviceProtocolTest, MacrosPastTheSendLimitAreCountedAsNotSent) {
    Plug(sim::Link::Wired);
    // Each macro takes 100 events (400 bytes): the first two fit in 1000 bytes, the third not.
    for (int m = 0; m < 3; ++m) {
        const int macro = store_.AddMacro("Custom");
        std::vector<MacroRecord> records;
        for (int i = 0; i < 100; ++i) {
            MacroRecord r;
            r.macro_id = macro;
            r.record_index = i;
            r.type =
                static_cast<int>(i % 2 == 0 ? MacroRecordType::KeyDown : MacroRecordType::KeyUp);
            r.value = 65;
            records.push_back(r);
        }
        store_.AddMacroRecords(records);
    }
    const MacroUploadOutcome upload = Protocol().UploadMacros();
    EXPECT_EQ(upload.result, ExchangeResult::NotAnswered);
    EXPECT_EQ(upload.macros, 3u);
    EXPECT_EQ(upload.macros_sent, 2u);
    EXPECT_EQ(upload.chunks_sent, upload.chunks);
}

TEST_F(DeviceProtocolTest, NothingIsSentWithoutAMouse) {
    DeviceProtocol protocol = Protocol();
    EXPECT_FALSE(protocol.ReadDeviceData());
    EXPECT_EQ(protocol.WriteConfig(), ExchangeResult::NoDevice);
    EXPECT_EQ(protocol.WriteKeys(), ExchangeResult::NoDevice);
    EXPECT_EQ(protocol.UploadMacros().chunks_sent, 0u);
    EXPECT_TRUE(Writes().empty());
}

TEST_F(DeviceProtocolTest, WritesToAMousePulledOutAreReportedRefused) {
    Plug(sim::Link::Wired);
    DeviceProtocol protocol = Protocol();
    ASSERT_TRUE(protocol.ReadDeviceData());
    sim_->Unplug(device_);
    EXPECT_EQ(protocol.WriteConfig(), ExchangeResult::WriteFailed);
    EXPECT_EQ(protocol.WriteKeys(), ExchangeResult::WriteFailed);
}

}  // namespace
}  // namespace veltra
