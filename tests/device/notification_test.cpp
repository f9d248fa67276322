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
    ASSERT_TRUE(view_.WaitFor("PopupDpiValue " + level6));
    Worker().StopWorker();

    EXPECT_THAT(view_.Calls(),
                ElementsAre("ShowDpiLevel 5 " + level5 + " 101", "PopupDpiValue " + level5,
                            "ShowReportRate 1", "PopupReportRate 1",
                            "ShowDpiLevel 6 " + level6 + " 101", "PopupDpiValue " + level6));
    EXPECT_EQ(Stored(config_key::kDpiIndex), "6");
    EXPECT_EQ(Stored(config_key::kReportRate), "1");
    EXPECT_TRUE(Writes().empty());
}

TEST_F(WorkerTest, ReaderWaitsUntilTheQueueIsEmpty) {
    sim_->Plug(mouse_, sim::Link::Wired, kVid, kWiredPid);
    Worker().RunTask(1);
    ASSERT_EQ(state_.synced, 1);
    view_.Clear();
    sim_->PressDpiButton(mouse_);
    const int level = sim_->Firmware(mouse_).ActiveDpiLevel();
    ASSERT_NE(level, 0);
    for (int i = 0; i < 3; ++i) {
        Worker().QueueTask(7);
    }
    Worker().StartWorker();
    ASSERT_TRUE(view_.WaitFor("ShowDpiLevel " + std::to_string(level) + " " +
                              Stored(DpiGroupValueKey(level)) + " 101"));
    Worker().StopWorker();

    const std::vector<std::string> calls = view_.Calls();
    ASSERT_GE(calls.size(), 9u);
    EXPECT_EQ(std::count(calls.begin(), calls.begin() + 9, "EndWaitDialog"), 3);
    EXPECT_EQ(calls[9].rfind("ShowDpiLevel", 0), 0u);
}

TEST_F(WorkerTest, ReceiverMouseThatSleepsAndWakesFlipsTheLayoutAndResynchronises) {
    sim_->Plug(mouse_, sim::Link::Receiver, kVid, kReceiverPid);
    StartSynced();
    EXPECT_EQ(view_.Count("ShowConnectionState 52"), 1);
    ASSERT_TRUE(view_.WaitFor("ShowBattery 80"));  // the first reader run polls at once

    view_.Clear();
    sim_->WithFirmware(mouse_, [](sim::FirmwareModel& m) { m.SetAsleep(true); });
    clock_ms_ += 4'999;
    clock_ms_ += 1;
    ASSERT_TRUE(view_.WaitFor("StopMacroRecording"));
    EXPECT_THAT(view_.Calls(), ElementsAre("ShowConnectionState 50", "SelectTab 0", "ShowTabBar 0",
                                           "ShowHomePage 1", "ShowHomeHint 1", "ShowDeviceList 0",
                                           "StopMacroRecording"));

    view_.Clear();
    sim_->WithFirmware(mouse_, [](sim::FirmwareModel& m) { m.SetAsleep(false); });
    clock_ms_ += 5'000;
    ASSERT_TRUE(view_.WaitFor("RefreshPerformancePage 1"));
    Worker().StopWorker();
    const std::vector<std::string> calls = view_.Calls();
    ASSERT_GE(calls.size(), 5u);
    EXPECT_THAT(std::vector<std::string>(calls.begin(), calls.begin() + 5),
                ElementsAre("ShowBattery 80", "ShowConnectionState 52", "SetDeviceState 101 2 1",
                            "ShowHomeHint 0", "ShowDeviceList 1"));
    const std::size_t profiles = Find(calls, "ClearProfiles");
    const std::size_t rescan = Find(calls, "SetAllDeviceState 0");
    const std::size_t refresh = Find(calls, "RefreshKeyPage 1");
    EXPECT_LT(profiles, rescan);
    EXPECT_LT(rescan, refresh);
    EXPECT_LT(refresh, calls.size());
    EXPECT_EQ(view_.Count("EndWaitDialog"), 0);
}

}  // namespace
}  // namespace veltra::test
