#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "device/driver_comm.h"
#include "device/fake_hid.h"

namespace veltra {
namespace {

// The worker rescans and exchanges while the UI thread queries the mode and switches the device
// type, as the program does. Run under ThreadSanitizer this catches unguarded state; the mode
// check catches a scan seen half-way (the Bluetooth interface comes first in the scan).
TEST(DriverCommConcurrency, QueriesNeverMeetAScanHalfWay) {
    constexpr std::uint16_t kVid = 0x1A2B;
    auto backend = std::make_unique<test::FakeHidBackend>();
    test::AnswerReadCommands(*backend->Add(test::Interface("bt", kVid, 1, 0xFF00, 0x000E)), false);
    test::AnswerReadCommands(*backend->Add(test::Interface("w", kVid, 1)), false);
    test::AnswerReadCommands(*backend->Add(test::Interface("x", kVid, 2, 0x00C0, 0x0001, 49)),
                             true);
    DriverComm comm(std::move(backend));
    comm.SetSleeper([](std::chrono::milliseconds) {});
    comm.AddDevice(kVid, 1, "", 5, ConnectionMode::Wired);
    comm.AddDevice(kVid, 2, "", 6, ConnectionMode::Wired);

    std::atomic<bool> done{false};
    std::atomic<int> exchanges{0};
    std::thread worker([&] {
        for (int i = 0; i < 300; ++i) {
            comm.CloseAll();
            comm.EnumerateDevice();
            comm.SetCurrentDeviceType(i % 2 == 0 ? 5 : 6);
            Frame frame{};
            frame[1] = 0x55;
            frame[2] = 0xAA;
            frame[3] = static_cast<std::uint8_t>(i % 2);
            if (comm.SetDeviceData(frame, true) == ExchangeResult::Answered) {
                ++exchanges;
            }
            int type = 0;
            comm.ReadInput(frame, type);
        }
        done = true;
    });

    int bluetooth_seen = 0;
    int queries = 0;
    while (!done) {
        comm.SetCurrentDeviceType(queries % 3 == 0 ? 6 : 5);
        if (comm.GetConnectionMode() == ConnectionMode::Bluetooth ||
            comm.GetAttachedMode() == ConnectionMode::Bluetooth) {
            ++bluetooth_seen;
        }
        std::vector<DeviceRecord> records;
        comm.CollectRecords(records);
        EXPECT_TRUE(records.empty() || records.size() == 1 || records.size() == 2);
        comm.SelectDevice();
        ++queries;
    }
    worker.join();
    EXPECT_EQ(bluetooth_seen, 0);
    EXPECT_GT(exchanges.load(), 0);
}

}  // namespace
}  // namespace veltra
