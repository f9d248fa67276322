#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "device/worker_fixture.h"
#include "store/settings_defaults.h"

namespace veltra::test {
namespace {

using ::testing::ElementsAre;

std::vector<std::uint8_t> Report(std::uint8_t marker, std::uint8_t command, std::uint8_t byte4) {
    return {0x55, marker, command, 0x00, byte4};
}

TEST_F(WorkerTest, NotificationStoresAndShowsLevelAndRateOnlyWhenTheyChange) {
    const int wired = sim_->Plug(mouse_, sim::Link::Wired, kVid, kWiredPid);
    StartSynced();
    sim_->ClearTraffic();
    view_.Clear();
    clock_ms_ += 60'000;  // a wired mouse is never polled, however long it runs
    const std::string level5 = Stored(DpiGroupValueKey(5));
    const std::string level6 = Stored(DpiGroupValueKey(6));

    sim_->InjectInput(wired, Report(0xBB, 0x01, 0xA1));  // level 5, rate code 1
    sim_->InjectInput(wired, Report(0xBB, 0x01, 0xA1));  // the same again: nothing
    sim_->InjectInput(wired, Report(0xAA, 0x02, 0xC2));  // another command: ignored
    sim_->InjectInput(wired, Report(0xAA, 0x01, 0xC1));  // level 6, rate unchanged
    ASSERT_TRUE(view_.WaitFor("Mouse dpi 6 " + level6 + " 101"));
    Worker().StopWorker();

    EXPECT_THAT(view_.Calls(), ElementsAre("Mouse dpi 5 " + level5 + " 101 rate 1",
                                           "Mouse dpi 6 " + level6 + " 101"));
    EXPECT_EQ(Stored(config_key::kDpiIndex), "6");
    EXPECT_EQ(Stored(config_key::kReportRate), "1");
    EXPECT_EQ(state_.Snapshot().last_notified_dpi_level, 6);
    EXPECT_TRUE(Writes().empty());
}

TEST_F(WorkerTest, ReaderWaitsUntilTheQueueIsEmpty) {
    sim_->Plug(mouse_, sim::Link::Wired, kVid, kWiredPid);
    Worker().RunTask(TaskCode::InitialSync);
    ASSERT_TRUE(state_.Snapshot().synced);
    view_.Clear();
    sim_->PressDpiButton(mouse_);
    const int level = sim_->Firmware(mouse_).ActiveDpiLevel();
    ASSERT_NE(level, 0);
    for (int i = 0; i < 3; ++i) {
        Worker().QueueTask(TaskCode::ProfileChange);
    }
    Worker().StartWorker();
    const std::string dpi =
        "Mouse dpi " + std::to_string(level) + " " + Stored(DpiGroupValueKey(level)) + " 101";
    ASSERT_TRUE(view_.WaitForPrefix(dpi));
    Worker().StopWorker();

    const std::vector<std::string> calls = view_.Calls();
    ASSERT_GE(calls.size(), 7u);
    EXPECT_EQ(std::count(calls.begin(), calls.begin() + 6, "TaskFinished 7"), 3);
    EXPECT_TRUE(calls[6].starts_with(dpi));
}

TEST_F(WorkerTest, ReceiverMouseThatSleepsAndWakesFlipsTheLayoutAndResynchronises) {
    sim_->Plug(mouse_, sim::Link::Receiver, kVid, kReceiverPid);
    StartSynced();
    EXPECT_EQ(view_.Count("Connection 52 connected pages"), 1);
    ASSERT_TRUE(view_.WaitFor("Battery 80", 2));  // the read's, then the first reader run's poll

    view_.Clear();
    sim_->WithFirmware(mouse_, [](sim::FirmwareModel& m) { m.SetAsleep(true); });
    clock_ms_ += 4'999;
    clock_ms_ += 1;
    ASSERT_TRUE(view_.WaitFor("Connection 50 stop-recording"));
    EXPECT_THAT(view_.Calls(), ElementsAre("Connection 50 stop-recording"));

    view_.Clear();
    sim_->WithFirmware(mouse_, [](sim::FirmwareModel& m) { m.SetAsleep(false); });
    clock_ms_ += 5'000;
    ASSERT_TRUE(view_.WaitFor(kFullRefresh));
    Worker().StopWorker();
    // The poll shows the mouse again, then the model change's synchronisation runs without a
    // wait dialog: profiles, rescan, read, pages.
    EXPECT_THAT(view_.Calls(),
                ElementsAre("Battery 80", "Connection 52 connected", "DeviceList 101: 101=2/1/256",
                            "Profiles 1", "DeviceList 101: 101=2/1/256",
                            "Connection 52 connected pages", "Battery 80", kFullRefresh));
}

// With no interface of the served model, a read takes whatever another model's mouse sends;
// such a report must not reach this model's profile or the window.
TEST_F(WorkerTest, ReportOfAnotherModelsMouseIsIgnored) {
    constexpr std::uint16_t kOtherPid = 0xF5D7;
    comm_->AddDevice(kVid, kOtherPid, "", 102, ConnectionMode::Wired);
    const int other = sim_->Plug(sim_->AddMouse(), sim::Link::Wired, kVid, kOtherPid);
    Worker().RunTask(TaskCode::InitialSync);
    // Only another model is attached: it is listed, the served model stays not connected.
    EXPECT_THAT(view_.Calls(), ElementsAre("DeviceList 101: 101=- 102=0/1/256", "Connection 50"));
    ASSERT_TRUE(Worker().DevicesPresent());

    view_.Clear();
    sim_->ClearTraffic();
    sim_->InjectInput(other, Report(0xBB, 0x01, 0xA1));
    Worker().ReadNotifications();

    bool delivered = false;
    for (const sim::TrafficEntry& e : sim_->Traffic()) {
        delivered |= e.op == sim::TrafficEntry::Op::Read && e.path == sim_->ProtocolPath(other) &&
                     e.result > 0;
    }
    EXPECT_TRUE(delivered);
    EXPECT_TRUE(view_.Calls().empty());
    const DeviceState state = state_.Snapshot();
    EXPECT_EQ(state.last_notified_dpi_level, 0);
    EXPECT_EQ(state.last_notified_rate, 0);
    EXPECT_FALSE(state.connected_shown);
}

}  // namespace
}  // namespace veltra::test
