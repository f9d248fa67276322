#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <thread>

#include "device/worker_fixture.h"
#include "store/settings_defaults.h"

namespace veltra::test {
namespace {

using ::testing::ElementsAre;

TEST_F(WorkerTest, StartWithoutMouseThenPlugSynchronisesAfterTheArrivalDelay) {
    Worker().QueueTask(1);
    Worker().StartWorker();
    ASSERT_TRUE(view_.WaitFor("EndWaitDialog"));
    EXPECT_TRUE(Writes().empty());
    EXPECT_FALSE(Worker().DevicesPresent());
    EXPECT_EQ(view_.Calls(),
              (std::vector<std::string>{"SetAllDeviceState 0", "SelectDevice 101",
                                        "ShowConnectionState 50", "SelectTab 0", "ShowTabBar 0",
                                        "ShowHomePage 1", "ShowHomeHint 1", "ShowDeviceList 0",
                                        "StopMacroRecording", "EndWaitDialog"}));

    view_.Clear();
    const int wired = sim_->Plug(mouse_, sim::Link::Wired, kVid, kWiredPid);
    DeliverHotplug();
    ASSERT_TRUE(view_.WaitFor("EndWaitDialog"));

    EXPECT_EQ(Sleeps(), (std::vector<long>{500, 1000}));
    EXPECT_EQ(Commands(sim_->ProtocolPath(wired)), (std::vector<int>{0x00, 0x01}));
    const std::vector<std::string> calls = view_.Calls();
    const std::size_t state = Find(calls, "ShowConnectionState 51");
    const std::size_t profiles = Find(calls, "ClearProfiles", state);
    const std::size_t keys = Find(calls, "RefreshKeyPage 1", profiles);
    EXPECT_LT(keys, calls.size());
    EXPECT_EQ(calls[keys + 1], "RefreshMacroPage");
    EXPECT_EQ(calls[keys + 2], "RefreshPerformancePage 1");
    Worker().StopWorker();
    EXPECT_EQ(state_.synced, 1);
    EXPECT_TRUE(state_.connected_shown);
}

TEST_F(WorkerTest, CableUnpluggedWhileTheReceiverStaysReadsThroughTheReceiver) {
    const int wired = sim_->Plug(mouse_, sim::Link::Wired, kVid, kWiredPid);
    const int receiver = sim_->Plug(mouse_, sim::Link::Receiver, kVid, kReceiverPid);
    DiscardHotplug();
    StartSynced();
    Worker().StopWorker();
    EXPECT_EQ(Commands(sim_->ProtocolPath(receiver)), (std::vector<int>{0x00}));  // the probe

    // A fresh worker over the same window state, as after a restart of the loop.
    worker_.reset();
    view_.Clear();
    sim_->ClearTraffic();
    ClearSleeps();
    Worker().StartWorker();
    sim_->Unplug(wired);
    DeliverHotplug();
    ASSERT_TRUE(view_.WaitFor("RefreshPerformancePage 1"));
    ASSERT_TRUE(view_.WaitFor("EndWaitDialog"));

    EXPECT_EQ(Sleeps(), (std::vector<long>{500, 500}));
    // Rescan probe, then status and config through the receiver; nothing to the cable.
    EXPECT_EQ(Commands(sim_->ProtocolPath(receiver)), (std::vector<int>{0x00, 0x00, 0x01}));
    EXPECT_TRUE(Writes(sim_->ProtocolPath(wired)).empty());
    EXPECT_EQ(view_.Count("ShowConnectionState 52"), 1);
    EXPECT_EQ(view_.Count("SetAllDeviceState 0"), 1);
}

TEST_F(WorkerTest, BluetoothUnplugRescansOnceAndReadsNothing) {
    const int bluetooth = sim_->Plug(mouse_, sim::Link::Bluetooth, kBluetoothVid, kBluetoothPid);
    DiscardHotplug();
    StartSynced();
    EXPECT_EQ(view_.Count("ShowConnectionState 53"), 1);
    Worker().StopWorker();

    worker_.reset();
    view_.Clear();
    sim_->ClearTraffic();
    // Both interfaces of the pairing go while the first removal still waits in the queue.
    sim_->Unplug(bluetooth);
    DeliverHotplug();
    Worker().StartWorker();
    ASSERT_TRUE(view_.WaitFor("EndWaitDialog"));
    Worker().StopWorker();

    EXPECT_EQ(view_.Count("SetAllDeviceState 0"), 1);
    EXPECT_EQ(view_.Count("ShowConnectionState 50"), 1);
    EXPECT_TRUE(Writes().empty());
    EXPECT_FALSE(state_.devices_present);
}

TEST_F(WorkerTest, FiveDpiWritesInTheQueueEachSendTheStoreAndTheLastTheFinalState) {
    sim_->Plug(mouse_, sim::Link::Wired, kVid, kWiredPid);
    StartSynced();
    // A burst of slider changes lands in the queue while the worker is busy elsewhere.
    Worker().StopWorker();
    worker_.reset();
    sim_->ClearTraffic();
    ClearSleeps();
    view_.Clear();
    for (const int dpi : {800, 1600, 2400, 3200, 4000}) {
        store_.SetConfig(1, DpiGroupValueKey(0), std::to_string(dpi));
        Worker().QueueTask(12);
    }
    Worker().StartWorker();
    ASSERT_TRUE(view_.WaitFor("EndWaitDialog"));
    Worker().StopWorker();

    EXPECT_EQ(Commands(), (std::vector<int>{0x02, 0x02, 0x02, 0x02, 0x02}));
    EXPECT_EQ(Sleeps(), (std::vector<long>{500, 500, 500, 500, 500}));
    EXPECT_EQ(sim_->Firmware(mouse_).DpiValue(0), 4000);
    EXPECT_THAT(view_.Calls(), ElementsAre("EndWaitDialog"));
}

TEST_F(WorkerTest, ProfileChangeRefreshesThePagesAndSendsNothing) {
    sim_->Plug(mouse_, sim::Link::Wired, kVid, kWiredPid);
    StartSynced();
    sim_->ClearTraffic();
    view_.Clear();
    ASSERT_TRUE(store_.SetActiveProfile(3));
    Worker().QueueTask(7);
    ASSERT_TRUE(view_.WaitFor("EndWaitDialog"));
    Worker().StopWorker();

    EXPECT_THAT(view_.Calls(),
                ElementsAre("RefreshKeyPage 3", "RefreshPerformancePage 3", "EndWaitDialog"));
    EXPECT_TRUE(Writes().empty());
}

TEST_F(WorkerTest, UnknownCodeIsDroppedAndStillEndsTheWaitDialog) {
    sim_->Plug(mouse_, sim::Link::Wired, kVid, kWiredPid);
    StartSynced();
    sim_->ClearTraffic();
    view_.Clear();
    Worker().QueueTask(10);
    Worker().QueueTask(7);
    ASSERT_TRUE(view_.WaitFor("RefreshPerformancePage 1"));
    ASSERT_TRUE(view_.WaitFor("EndWaitDialog", 2));
    Worker().StopWorker();

    EXPECT_THAT(view_.Calls(), ElementsAre("EndWaitDialog", "RefreshKeyPage 1",
                                           "RefreshPerformancePage 1", "EndWaitDialog"));
    EXPECT_TRUE(Writes().empty());
}

TEST_F(WorkerTest, MacroUploadSendsTheBufferAndEndsTheDialog) {
    sim_->Plug(mouse_, sim::Link::Wired, kVid, kWiredPid);
    StartSynced();
    sim_->ClearTraffic();
    view_.Clear();
    Worker().QueueTask(8);
    ASSERT_TRUE(view_.WaitFor("EndWaitDialog"));
    Worker().StopWorker();

    // An empty store still sends its empty directory: 128 bytes in three chunks.
    EXPECT_EQ(Commands(), (std::vector<int>{0x06, 0x06, 0x06}));
    EXPECT_TRUE(sim_->Firmware(mouse_).MacroUpload().complete);
    EXPECT_THAT(view_.Calls(), ElementsAre("EndWaitDialog"));
}

TEST_F(WorkerTest, FactoryResetClearsSyncedSoTheMousesReturnSynchronisesAgain) {
    sim_->Plug(mouse_, sim::Link::Wired, kVid, kWiredPid);
    DiscardHotplug();
    StartSynced();
    view_.Clear();
    Worker().QueueTask(19);
    ASSERT_TRUE(view_.WaitFor("EndWaitDialog"));
    EXPECT_EQ(sim_->Firmware(mouse_).FactoryResets(), 1);

    // The cable mouse restarts: it leaves and comes back, and the arrival finds synced cleared.
    view_.Clear();
    sim_->ClearTraffic();
    DeliverHotplug();
    ASSERT_TRUE(view_.WaitFor("RefreshPerformancePage 1"));
    ASSERT_TRUE(view_.WaitFor("EndWaitDialog"));
    Worker().StopWorker();
    EXPECT_EQ(state_.synced, 1);
    // The removal's rescan already finds the cable again and reads it; the arrival then runs the
    // whole first synchronisation.
    EXPECT_EQ(view_.Count("SetAllDeviceState 0"), 2);
    EXPECT_EQ(Commands(), (std::vector<int>{0x00, 0x01, 0x00, 0x01}));
}

TEST_F(WorkerTest, StopEndsALongTaskAndNothingReachesTheViewAfterwards) {
    Worker().StartWorker();
    // Real pauses here, so the arrival's 1.5 s is still running when the window closes.
    comm_->SetSleeper({});
    sim_->Plug(mouse_, sim::Link::Wired, kVid, kWiredPid);
    DeliverHotplug();
    const auto started = std::chrono::steady_clock::now();
    Worker().StopWorker();
    const std::size_t calls = view_.Calls().size();
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(1500));
    EXPECT_TRUE(Writes().empty());
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(view_.Calls().size(), calls);
    EXPECT_FALSE(comm_->CancelRequested());
}

}  // namespace
}  // namespace veltra::test
