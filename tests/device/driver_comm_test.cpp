#include "device/driver_comm.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "device/fake_hid.h"

namespace veltra {
namespace {

using test::Bytes;
using test::FakeDeviceState;
using test::FakeHidBackend;
using test::Interface;

constexpr std::uint16_t kVid = 0x1A2B;
constexpr std::uint16_t kWiredPid = 0x00FF;
constexpr std::uint16_t kReceiverPid = 0x00FE;
constexpr int kType = 7;

Frame Request(std::uint8_t command, std::uint8_t fill = 0) {
    Frame frame{};
    frame.fill(fill);
    frame[0] = 0x00;
    frame[1] = 0x55;
    frame[2] = 0xAA;
    frame[3] = command;
    return frame;
}

Bytes ToBytes(const Frame& frame) {
    return Bytes(frame.begin(), frame.end());
}

class DriverCommTest : public ::testing::Test {
  protected:
    DriverCommTest() {
        auto backend = std::make_unique<FakeHidBackend>();
        fake = backend.get();
        comm = std::make_unique<DriverComm>(std::move(backend));
        comm->SetSleeper([this](std::chrono::milliseconds d) { sleeps.push_back(d.count()); });
        comm->AddDevice(kVid, kWiredPid, "", kType, ConnectionMode::Wired);
        comm->AddDevice(kVid, kReceiverPid, "", kType, ConnectionMode::Receiver);
    }

    void Scan(int type = kType) {
        comm->CloseAll();
        comm->EnumerateDevice();
        comm->SetCurrentDeviceType(type);
    }

    // A wired interface answering the read commands, scanned and selected.
    std::shared_ptr<FakeDeviceState> ScanWired(int output_length = 65) {
        auto state = fake->Add(Interface("wired", kVid, kWiredPid, 0x00C0, 0x0001, output_length));
        test::AnswerReadCommands(*state, output_length == DriverComm::kShortFormLength);
        Scan();
        return state;
    }

    FakeHidBackend* fake = nullptr;
    std::unique_ptr<DriverComm> comm;
    std::vector<long> sleeps;
};

TEST_F(DriverCommTest, ScanKeepsSupportedMouseAndVendorInterfacesOnly) {
    auto mouse = fake->Add(Interface("a", kVid, kWiredPid, 0x00C0, 0x0001));
    auto keyboard = fake->Add(Interface("b", kVid, kWiredPid, 0x0001, 0x0006));
    auto vendor = fake->Add(Interface("c", kVid, kWiredPid, 0xFF00, 0x000E));
    auto other = fake->Add(Interface("d", 0x1234, 0x5678, 0x00C0, 0x0001));
    fake->Add(Interface("e", kVid, kReceiverPid, 0x00C0, 0x0001), false);
    Scan(0);

    std::vector<DeviceRecord> records;
    ASSERT_TRUE(comm->CollectRecords(records));
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].path, "a");
    EXPECT_EQ(records[0].mode, ConnectionMode::Wired);
    EXPECT_EQ(records[0].index, 0);
    EXPECT_EQ(records[0].release_number, 0x0102);
    EXPECT_EQ(records[0].name, "");
    EXPECT_EQ(records[1].path, "c");
    EXPECT_EQ(records[1].mode, ConnectionMode::Bluetooth);
    EXPECT_EQ(records[1].index, 1);
    EXPECT_EQ(records[1].device_type, kType);

    EXPECT_TRUE(mouse->open);
    EXPECT_EQ(keyboard->opens, 1);
    EXPECT_FALSE(keyboard->open);
    EXPECT_TRUE(vendor->open);
    EXPECT_EQ(other->opens, 0);

    comm->CloseAll();
    EXPECT_FALSE(mouse->open);
    EXPECT_FALSE(vendor->open);
    EXPECT_FALSE(comm->IsEnumerated());
    EXPECT_FALSE(comm->CollectRecords(records));
}

// A hidraw node lists one entry per top-level collection; a Bluetooth mouse lists its pointer
// collection before the vendor collection that carries the protocol.
TEST_F(DriverCommTest, InterfaceCheckAcceptsAPathWhenAnyOfItsCollectionsIsAccepted) {
    fake->Add(Interface("/dev/hidraw3", kVid, kWiredPid, 0x0001, 0x0002));
    fake->Add(Interface("/dev/hidraw3", kVid, kWiredPid, 0xFF00, 0x000E));
    fake->Add(Interface("/dev/hidraw4", kVid, kWiredPid, 0x0001, 0x0002));
    fake->Add(Interface("/dev/hidraw4", kVid, kWiredPid, 0x0001, 0x0006));
    fake->Add(Interface("/dev/hidraw5", kVid, kWiredPid, 0x0001, 0x0002), false);
    fake->Add(Interface("/dev/hidraw5", kVid, kWiredPid, 0x00C0, 0x0001), false);
    EXPECT_TRUE(comm->CheckInterface("/dev/hidraw3"));
    EXPECT_FALSE(comm->CheckInterface("/dev/hidraw4"));  // no accepted usage pair
    EXPECT_FALSE(comm->CheckInterface("/dev/hidraw5"));  // cannot be opened
    EXPECT_FALSE(comm->CheckInterface("/dev/hidraw6"));  // not listed
}

TEST_F(DriverCommTest, CatalogueLookupsTakeTheFirstMatch) {
    comm->ClearCatalogue();
    comm->AddDevice(kVid, kWiredPid, "dev_a", 3, ConnectionMode::Receiver);
    comm->AddDevice(kVid, kWiredPid, "dev_b", 4, ConnectionMode::Wired);
    EXPECT_TRUE(comm->IsSupported(kVid, kWiredPid));
    EXPECT_FALSE(comm->IsSupported(kVid, kReceiverPid));
    EXPECT_EQ(comm->LookupDeviceType(kVid, kWiredPid, ""), 3);
    EXPECT_EQ(comm->LookupDeviceType(kVid, kWiredPid, "dev_b"), 4);
    EXPECT_EQ(comm->LookupDeviceType(kVid, kWiredPid, "DEV_B"), 0);
    EXPECT_EQ(comm->LookupMode(kVid, kWiredPid), ConnectionMode::Receiver);
    EXPECT_EQ(comm->LookupMode(kVid, kReceiverPid), ConnectionMode::Wired);
}

TEST_F(DriverCommTest, SelectionPrefersWiredThenBluetoothThenReceiver) {
    auto receiver = fake->Add(Interface("r", kVid, kReceiverPid));
    test::AnswerReadCommands(*receiver, false);
    fake->Add(Interface("bt", kVid, kReceiverPid, 0xFF00, 0x000E));
    fake->Add(Interface("w", kVid, kWiredPid));
    Scan();

    std::optional<DeviceRecord> selected = comm->SelectDevice();
    ASSERT_TRUE(selected);
    EXPECT_EQ(selected->path, "w");
    EXPECT_EQ(comm->GetConnectionMode(), ConnectionMode::Wired);

    // Another device type has nothing; coming back selects afresh.
    comm->SetCurrentDeviceType(kType + 1);
    EXPECT_FALSE(comm->SelectDevice());
    EXPECT_EQ(comm->GetConnectionMode(), ConnectionMode::NotConnected);

    comm->ClearCatalogue();
    comm->AddDevice(kVid, kReceiverPid, "", kType, ConnectionMode::Receiver);
    Scan();
    selected = comm->SelectDevice();
    ASSERT_TRUE(selected);
    EXPECT_EQ(selected->path, "bt");
    EXPECT_EQ(comm->GetConnectionMode(), ConnectionMode::Bluetooth);
}

TEST_F(DriverCommTest, SleepingReceiverIsAttachedButNotOnline) {
    auto receiver = fake->Add(Interface("r", kVid, kReceiverPid));
    receiver->on_write = [](FakeDeviceState& s, const Bytes&) {
        s.inputs.push_back(test::Payload(0x00, 0x1C, {0x00, 0xFF, 0xFF}));
    };
    Scan();

    std::vector<DeviceRecord> records;
    ASSERT_TRUE(comm->CollectRecords(records));
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].online, 0);
    EXPECT_EQ(comm->GetConnectionMode(), ConnectionMode::NotConnected);
    EXPECT_EQ(comm->GetAttachedMode(), ConnectionMode::Receiver);
    // Selection ignores the online state.
    EXPECT_TRUE(comm->SelectDevice());

    // The probe: a 1 ms drain, the standard-form status request, 100 ms, then the answer.
    const std::vector<Bytes> writes = receiver->Writes();
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0], ToBytes(Request(0x00)));
    EXPECT_EQ(receiver->read_timeouts, (std::vector<int>{1, 100}));
    EXPECT_EQ(sleeps, (std::vector<long>{100}));
}

TEST_F(DriverCommTest, ReceiverProbeWaitsForAStatusWithBatteryAndGivesUpAfter30Reads) {
    auto awake = fake->Add(Interface("r1", kVid, kReceiverPid));
    awake->on_write = [](FakeDeviceState& s, const Bytes&) {
        s.inputs.push_back(test::Payload(0x01, 0x20, {1, 2, 3}));     // not a status answer
        s.inputs.push_back(test::Payload(0x00, 0x1C, {0x80, 0x00}));  // level 0: keep waiting
        s.inputs.push_back(test::StatusAnswer(0x00, 40));
    };
    auto silent = fake->Add(Interface("r2", kVid, kReceiverPid));
    Scan();

    std::vector<DeviceRecord> records;
    comm->CollectRecords(records);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].online, 1);
    EXPECT_EQ(records[1].online, 0);
    EXPECT_EQ(awake->Reads(), 1u + 3u);
    EXPECT_EQ(silent->Reads(), 1u + DriverComm::kProbeReads);
    EXPECT_EQ(comm->GetConnectionMode(), ConnectionMode::Receiver);
}

TEST_F(DriverCommTest, WiredWinsOverAnOnlineReceiver) {
    auto receiver = fake->Add(Interface("r", kVid, kReceiverPid));
    test::AnswerReadCommands(*receiver, false);
    fake->Add(Interface("w", kVid, kWiredPid));
    Scan();
    EXPECT_EQ(comm->GetConnectionMode(), ConnectionMode::Wired);
    EXPECT_EQ(comm->SelectDevice()->path, "w");
}

TEST_F(DriverCommTest, StandardFormExchangeByteForByte) {
    auto wired = ScanWired();
    Frame frame = Request(0x00);
    ASSERT_EQ(comm->SetDeviceData(frame, true), ExchangeResult::Answered);

    ASSERT_EQ(wired->Writes().size(), 1u);
    EXPECT_EQ(wired->Writes()[0], ToBytes(Request(0x00)));
    EXPECT_EQ(wired->read_timeouts, (std::vector<int>{1, 100}));
    EXPECT_EQ(wired->read_lengths, (std::vector<std::size_t>{65, 65}));
    EXPECT_EQ(sleeps, (std::vector<long>{10}));
    // The answer's payload lands from frame byte 0; the rest of the buffer is cleared.
    Bytes expected = test::StatusAnswer();
    expected.push_back(0);
    EXPECT_EQ(ToBytes(frame), expected);

    Frame config = Request(0x01);
    ASSERT_EQ(comm->SetDeviceData(config, true), ExchangeResult::Answered);
    EXPECT_EQ(config[23], 0x0F);
}

TEST_F(DriverCommTest, ShortFormExchangeByteForByte) {
    auto wired = ScanWired(DriverComm::kShortFormLength);
    Frame frame = Request(0x01, 0xEE);
    ASSERT_EQ(comm->SetDeviceData(frame, true), ExchangeResult::Answered);

    // Report id 6 replaces byte 0 and only 49 bytes go out; no drain read, no pauses.
    Bytes sent = ToBytes(Request(0x01, 0xEE));
    sent[0] = 0x06;
    sent.resize(49);
    ASSERT_EQ(wired->Writes().size(), 1u);
    EXPECT_EQ(wired->Writes()[0], sent);
    EXPECT_EQ(wired->read_timeouts, (std::vector<int>{100}));
    EXPECT_EQ(wired->read_lengths, (std::vector<std::size_t>{49}));
    EXPECT_TRUE(sleeps.empty());

    // 48 answer bytes land in frame bytes 0..47; 48..64 keep the request.
    const Bytes answer = test::ConfigAnswer();
    for (std::size_t i = 0; i < 48; ++i) {
        EXPECT_EQ(frame[i], answer[i]) << i;
    }
    for (std::size_t i = 48; i < frame.size(); ++i) {
        EXPECT_EQ(frame[i], 0xEE) << i;
    }
}

TEST_F(DriverCommTest, UnmatchedWritesArePacedByTwentyReads) {
    auto wired = ScanWired();
    Frame frame = Request(0x02);
    frame[4] = 0x21;
    EXPECT_EQ(comm->SetDeviceData(frame, true), ExchangeResult::NotAnswered);
    EXPECT_EQ(wired->Reads(), 1u + DriverComm::kExchangeAttempts);
    EXPECT_EQ(sleeps.size(), static_cast<std::size_t>(DriverComm::kExchangeAttempts));
    EXPECT_TRUE(std::all_of(sleeps.begin(), sleeps.end(), [](long ms) { return ms == 10; }));
    EXPECT_EQ(frame, Frame{});
}

TEST_F(DriverCommTest, ShortFormUnmatchedWriteMakesTwentyReadsWithoutPauses) {
    auto wired = ScanWired(DriverComm::kShortFormLength);
    Frame frame = Request(0x06);
    EXPECT_EQ(comm->SetDeviceData(frame, true), ExchangeResult::NotAnswered);
    EXPECT_EQ(wired->Reads(), static_cast<std::size_t>(DriverComm::kExchangeAttempts));
    EXPECT_TRUE(sleeps.empty());
}

TEST_F(DriverCommTest, RejectedAnswersCountAsFailedAttempts) {
    struct Case {
        const char* name;
        std::uint8_t command;
        Bytes bad;
    };
    const Case cases[] = {
        {"status 00 00", 0x00, test::Payload(0x00, 0x1C, {0x00, 0x00, 5})},
        {"status FF FF", 0x00, test::Payload(0x00, 0x1C, {0xFF, 0xFF, 5})},
        {"config FF FF", 0x01, test::Payload(0x01, 0x20, {0xFF, 0xFF, 5})},
        {"config mask 0", 0x01, test::ConfigAnswer(0x00)},
        {"config bad length", 0x01, test::Payload(0x01, 0x1C, {1, 2})},
        {"status for config", 0x01, test::StatusAnswer()},
        {"config for status", 0x00, test::ConfigAnswer()},
    };
    auto wired = ScanWired();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        wired->on_write = [&c](FakeDeviceState& s, const Bytes&) {
            s.inputs.push_back(c.bad);
            s.inputs.push_back(c.command == 0 ? test::StatusAnswer() : test::ConfigAnswer());
        };
        const std::size_t before = wired->Reads();
        Frame frame = Request(c.command);
        EXPECT_EQ(comm->SetDeviceData(frame, true), ExchangeResult::Answered);
        EXPECT_EQ(wired->Reads() - before, 1u + 2u);
    }
}

TEST_F(DriverCommTest, UnwaitedExchangeWritesOnceAndReportsItSent) {
    auto wired = ScanWired();
    Frame frame = Request(0x00, 0x11);
    EXPECT_EQ(comm->SetDeviceData(frame, false), ExchangeResult::Sent);
    EXPECT_EQ(wired->Writes().size(), 1u);
    EXPECT_EQ(wired->read_timeouts, (std::vector<int>{1}));
    EXPECT_EQ(frame, Request(0x00, 0x11));
}

TEST_F(DriverCommTest, UnwaitedShortFormExchangeOnlyWrites) {
    auto wired = ScanWired(DriverComm::kShortFormLength);
    Frame frame = Request(0x00, 0x11);
    EXPECT_EQ(comm->SetDeviceData(frame, false), ExchangeResult::Sent);
    EXPECT_EQ(wired->Writes().size(), 1u);
    EXPECT_EQ(wired->Reads(), 0u);
    EXPECT_EQ(frame, Request(0x00, 0x11));
}

TEST_F(DriverCommTest, FailedWriteKeepsTheRequest) {
    auto wired = ScanWired();
    wired->fail_writes = true;
    Frame frame = Request(0x00, 0x22);
    EXPECT_EQ(comm->SetDeviceData(frame, true), ExchangeResult::WriteFailed);
    EXPECT_EQ(frame, Request(0x00, 0x22));
    EXPECT_EQ(wired->Reads(), 1u);
    // Not waiting for an answer does not make a refused write sent.
    EXPECT_EQ(comm->SetDeviceData(frame, false), ExchangeResult::WriteFailed);
}

TEST_F(DriverCommTest, FailedShortFormWriteKeepsTheRequestAndReadsNothing) {
    auto wired = ScanWired(DriverComm::kShortFormLength);
    wired->fail_writes = true;
    Frame frame = Request(0x01, 0x22);
    EXPECT_EQ(comm->SetDeviceData(frame, true), ExchangeResult::WriteFailed);
    EXPECT_EQ(comm->SetDeviceData(frame, false), ExchangeResult::WriteFailed);
    EXPECT_EQ(frame, Request(0x01, 0x22));
    EXPECT_EQ(wired->Reads(), 0u);
}

TEST_F(DriverCommTest, NothingSelectableMeansNoTraffic) {
    auto wired = fake->Add(Interface("w", kVid, kWiredPid));
    Frame frame = Request(0x00);
    EXPECT_EQ(comm->SetDeviceData(frame, true), ExchangeResult::NoDevice);
    comm->CloseAll();  // never scanned: nothing happens
    EXPECT_FALSE(comm->IsEnumerated());
    Scan(kType + 1);
    EXPECT_EQ(comm->SetDeviceData(frame, true), ExchangeResult::NoDevice);
    EXPECT_TRUE(wired->Writes().empty());
    EXPECT_EQ(wired->Reads(), 0u);
}

TEST_F(DriverCommTest, CollectRecordsFiltersByCurrentTypeUnlessItIsZero) {
    comm->AddDevice(0x2222, 0x0001, "", 9, ConnectionMode::Wired);
    fake->Add(Interface("w", kVid, kWiredPid));
    fake->Add(Interface("x", 0x2222, 0x0001));
    Scan(0);
    std::vector<DeviceRecord> all;
    EXPECT_TRUE(comm->CollectRecords(all));
    EXPECT_EQ(all.size(), 2u);

    comm->SetCurrentDeviceType(9);
    std::vector<DeviceRecord> nines;
    EXPECT_TRUE(comm->CollectRecords(nines));
    ASSERT_EQ(nines.size(), 1u);
    EXPECT_EQ(nines[0].path, "x");

    comm->SetCurrentDeviceType(42);
    std::vector<DeviceRecord> none;
    EXPECT_TRUE(comm->CollectRecords(none));
    EXPECT_TRUE(none.empty());
}

TEST_F(DriverCommTest, ReadInputFromTheSelectedInterface) {
    auto wired = ScanWired(DriverComm::kShortFormLength);
    Bytes notification = test::ShortFormReport(test::Payload(0x00, 0x1C, {0x80, 50}));
    notification.resize(49);
    wired->Queue(notification);
    Frame buffer{};
    buffer.fill(0x99);
    int type = 0;
    EXPECT_TRUE(comm->ReadInput(buffer, type));
    EXPECT_EQ(type, kType);
    EXPECT_EQ(buffer[0], 0x55);
    EXPECT_EQ(buffer[5], 50);
    EXPECT_EQ(buffer[49], 0x00);  // bytes 1..50 of the read buffer
    EXPECT_EQ(buffer[50], 0x99);
    EXPECT_EQ(wired->read_timeouts.back(), 100);

    EXPECT_FALSE(comm->ReadInput(buffer, type));
}

TEST_F(DriverCommTest, ReadInputWithoutSelectionDeliversButReportsFalse) {
    auto first = fake->Add(Interface("w", kVid, kWiredPid));
    auto second = fake->Add(Interface("v", kVid, kWiredPid));
    second->Queue(test::StatusAnswer());
    Scan(kType + 1);
    Frame buffer{};
    int type = 0;
    EXPECT_FALSE(comm->ReadInput(buffer, type));
    EXPECT_EQ(type, kType + 1);
    EXPECT_EQ(buffer[0], 0x55);
    EXPECT_EQ(buffer[33], 0x00);  // only 33 bytes were read
    EXPECT_EQ(first->read_lengths, (std::vector<std::size_t>{33}));
    EXPECT_EQ(first->read_timeouts, (std::vector<int>{10}));
}

TEST_F(DriverCommTest, CancelStopsAnExchangeBeforeItsNextAttempt) {
    auto wired = ScanWired();
    comm->SetSleeper([this](std::chrono::milliseconds) {
        if (sleeps.size() == 2) {
            comm->RequestCancel();
        }
        sleeps.push_back(0);
    });
    Frame frame = Request(0x02);
    EXPECT_EQ(comm->SetDeviceData(frame, true), ExchangeResult::NotAnswered);
    EXPECT_EQ(wired->Reads(), 1u + 2u);
    EXPECT_EQ(sleeps.size(), 3u);

    // While cancelled nothing more goes out; after the reset traffic flows again.
    Frame status = Request(0x00);
    EXPECT_EQ(comm->SetDeviceData(status, true), ExchangeResult::Cancelled);
    EXPECT_EQ(wired->Writes().size(), 1u);
    comm->ResetCancel();
    EXPECT_EQ(comm->SetDeviceData(status, true), ExchangeResult::Answered);
}

TEST_F(DriverCommTest, CancelFromAnotherThreadWakesTheRealSleep) {
    auto wired = ScanWired();
    comm->SetSleeper(nullptr);
    // The third read asks another thread to cancel, as shutdown would; the pause after it
    // must not be waited out, and no further attempt is made.
    wired->before_read = [this](int reads) {
        if (reads == 3) {
            std::thread([this] { comm->RequestCancel(); }).join();
        }
    };
    Frame frame = Request(0x02);
    EXPECT_EQ(comm->SetDeviceData(frame, true), ExchangeResult::NotAnswered);
    EXPECT_EQ(wired->Reads(), 4u);
}

TEST_F(DriverCommTest, CancelEndsAProbeAndAScan) {
    auto receiver = fake->Add(Interface("r", kVid, kReceiverPid));
    auto wired = fake->Add(Interface("w", kVid, kWiredPid));
    comm->SetSleeper([this](std::chrono::milliseconds) { comm->RequestCancel(); });
    Scan();
    EXPECT_EQ(receiver->Reads(), 1u);
    EXPECT_EQ(wired->opens, 0);
}

TEST_F(DriverCommTest, ReplacingTheBackendClosesEveryInterface) {
    auto wired = ScanWired();
    EXPECT_TRUE(wired->open);
    comm->SetBackend(std::make_unique<FakeHidBackend>());
    EXPECT_FALSE(wired->open);
    Scan();
    EXPECT_EQ(comm->GetConnectionMode(), ConnectionMode::NotConnected);
}

}  // namespace
}  // namespace veltra
