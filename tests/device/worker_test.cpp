#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <thread>

#include "device/worker_fixture.h"
#include "store/settings_defaults.h"

namespace veltra::test {
namespace {

using ::testing::ElementsAre;

TEST_F(WorkerTest, StartWithoutMouseThenPlugSynchronisesAfterTheArrivalDelay) {
    Worker().QueueTask(TaskCode::InitialSync);
    Worker().StartWorker();
    ASSERT_TRUE(view_.WaitFor("TaskFinished 1"));
    EXPECT_TRUE(Writes().empty());
    EXPECT_FALSE(Worker().DevicesPresent());
    EXPECT_THAT(view_.Calls(), ElementsAre("DeviceList 101: 101=-", "Connection 50 stop-recording",
                                           "TaskFinished 1"));

    view_.Clear();
    const int wired = sim_->Plug(mouse_, sim::Link::Wired, kVid, kWiredPid);
    DeliverHotplug();
    ASSERT_TRUE(view_.WaitFor("TaskFinished 2"));

    EXPECT_EQ(Sleeps(), (std::vector<long>{500, 1000}));
    EXPECT_EQ(Commands(sim_->ProtocolPath(wired)), (std::vector<int>{0x00, 0x01}));
    // Rescan, connection, profiles, the read's battery, pages: in the order of the task.
    EXPECT_THAT(view_.Calls(),
                ElementsAre("DeviceList 101: 101=0/1/256", "Connection 51 connected pages",
                            "Profiles 1", "Battery 80", kFullRefresh, "TaskFinished 2"));
    EXPECT_EQ(view_.LastProfiles().entries.size(), 5u);
    EXPECT_EQ(view_.LastProfiles().entries[1].display_name, "Profile  2");
    EXPECT_EQ(view_.LastProfiles().entries[1].profile_id, 2);
    Worker().StopWorker();
    EXPECT_TRUE(state_.Snapshot().synced);
    EXPECT_TRUE(state_.Snapshot().connected_shown);
}

TEST_F(WorkerTest, CableUnpluggedWhileTheReceiverStaysReadsThroughTheReceiver) {
    const int wired = sim_->Plug(mouse_, sim::Link::Wired, kVid, kWiredPid);
    const int receiver = sim_->Plug(mouse_, sim::Link::Receiver, kVid, kReceiverPid);
    DiscardHotplug();
    StartSynced();
    Worker().StopWorker();
    EXPECT_EQ(Commands(sim_->ProtocolPath(receiver)), (std::vector<int>{0x00}));  // the probe
    // Both links lead to the model; the list shows the one traffic goes to.
    EXPECT_EQ(view_.LastDeviceList().models.at(0).mode, ConnectionMode::Wired);

    // A fresh worker over the same window state, as after a restart of the loop.
    worker_.reset();
    view_.Clear();
    sim_->ClearTraffic();
    ClearSleeps();
    Worker().StartWorker();
    sim_->Unplug(wired);
    DeliverHotplug();
    ASSERT_TRUE(view_.WaitFor(kFullRefresh));
    ASSERT_TRUE(view_.WaitFor("TaskFinished 3"));

    EXPECT_EQ(Sleeps(), (std::vector<long>{500, 500}));
    // Rescan probe, then status and config through the receiver; nothing to the cable.
    EXPECT_EQ(Commands(sim_->ProtocolPath(receiver)), (std::vector<int>{0x00, 0x00, 0x01}));
    EXPECT_TRUE(Writes(sim_->ProtocolPath(wired)).empty());
    EXPECT_EQ(view_.Count("DeviceList 101: 101=2/1/256"), 1);
    EXPECT_EQ(view_.Count("Connection 52 connected pages"), 1);
}

TEST_F(WorkerTest, BluetoothUnplugRescansOnceAndReadsNothing) {
    const int bluetooth = sim_->Plug(mouse_, sim::Link::Bluetooth, kBluetoothVid, kBluetoothPid);
    DiscardHotplug();
    StartSynced();
    EXPECT_EQ(view_.Count("Connection 53 connected pages"), 1);
    Worker().StopWorker();

    worker_.reset();
    view_.Clear();
    sim_->ClearTraffic();
    // Both interfaces of the pairing go while the first removal still waits in the queue.
    sim_->Unplug(bluetooth);
    DeliverHotplug();
    Worker().StartWorker();
    ASSERT_TRUE(view_.WaitFor("TaskFinished 3"));
    Worker().StopWorker();

    EXPECT_THAT(view_.Calls(), ElementsAre("DeviceList 101: 101=-", "Connection 50 stop-recording",
                                           "TaskFinished 3"));
    EXPECT_TRUE(Writes().empty());
    EXPECT_FALSE(state_.Snapshot().devices_present);
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
        Worker().QueueTask(TaskCode::DpiWrite);
    }
    Worker().StartWorker();
    ASSERT_TRUE(view_.WaitFor("TaskFinished 12"));
    Worker().StopWorker();

    EXPECT_EQ(Commands(), (std::vector<int>{0x02, 0x02, 0x02, 0x02, 0x02}));
    EXPECT_EQ(Sleeps(), (std::vector<long>{500, 500, 500, 500, 500}));
    EXPECT_EQ(sim_->Firmware(mouse_).DpiValue(0), 4000);
    // Only the last write leaves the queue empty.
    EXPECT_THAT(view_.Calls(), ElementsAre("TaskFinished 12"));
}

TEST_F(WorkerTest, ProfileChangeRefreshesThePagesAndSendsNothing) {
    sim_->Plug(mouse_, sim::Link::Wired, kVid, kWiredPid);
    StartSynced();
    sim_->ClearTraffic();
    view_.Clear();
    ASSERT_TRUE(store_.SetActiveProfile(3));
    Worker().QueueTask(TaskCode::ProfileChange);
    ASSERT_TRUE(view_.WaitFor("TaskFinished 7"));
    Worker().StopWorker();

    EXPECT_THAT(view_.Calls(), ElementsAre("Refresh 3 keys performance", "TaskFinished 7"));
    EXPECT_EQ(state_.Snapshot().active_profile, 3);
    EXPECT_TRUE(Writes().empty());
}

TEST_F(WorkerTest, ModelWithALightingPageRefreshesItWithTheOtherPages) {
    sim_->Plug(mouse_, sim::Link::Wired, kVid, kWiredPid);
    DiscardHotplug();
    lighting_ = true;
    const auto choice =
        Worker().ChooseDeviceModel(kDeviceType, DeviceWorker::ModelChoice::ModelList);
    EXPECT_TRUE(choice.show_wait_dialog);
    Worker().StartWorker();
    ASSERT_TRUE(view_.WaitFor("TaskFinished 4"));
    EXPECT_THAT(
        view_.Calls(),
        ElementsAre("Profiles 1", "DeviceList 101: 101=0/1/256", "Connection 51 connected pages",
                    "Battery 80", "Refresh 1 keys macros performance lighting", "TaskFinished 4"));
    EXPECT_TRUE(state_.Snapshot().lighting_present);

    view_.Clear();
    ASSERT_TRUE(store_.SetActiveProfile(2));
    Worker().QueueTask(TaskCode::ProfileChange);
    ASSERT_TRUE(view_.WaitFor("TaskFinished 7"));
    Worker().StopWorker();
    EXPECT_THAT(view_.Calls(),
                ElementsAre("Refresh 2 keys performance lighting", "TaskFinished 7"));
}

TEST_F(WorkerTest, UnknownCodeIsDroppedAndStillEndsTheWaitDialog) {
    sim_->Plug(mouse_, sim::Link::Wired, kVid, kWiredPid);
    StartSynced();
    sim_->ClearTraffic();
    view_.Clear();
    Worker().QueueTask(static_cast<TaskCode>(10));
    Worker().QueueTask(TaskCode::ProfileChange);
    ASSERT_TRUE(view_.WaitFor("TaskFinished 7"));
    Worker().StopWorker();

    EXPECT_THAT(view_.Calls(),
                ElementsAre("TaskFinished 10", "Refresh 1 keys performance", "TaskFinished 7"));
    EXPECT_TRUE(Writes().empty());
}

TEST_F(WorkerTest, MacroUploadSendsTheBufferAndEndsTheDialog) {
    sim_->Plug(mouse_, sim::Link::Wired, kVid, kWiredPid);
    StartSynced();
    sim_->ClearTraffic();
    view_.Clear();
    Worker().QueueTask(TaskCode::MacroUpload);
    ASSERT_TRUE(view_.WaitFor("TaskFinished 8"));
    Worker().StopWorker();

    // An empty store still sends its empty directory: 128 bytes in three chunks.
    EXPECT_EQ(Commands(), (std::vector<int>{0x06, 0x06, 0x06}));
    EXPECT_TRUE(sim_->Firmware(mouse_).MacroUpload().complete);
    EXPECT_THAT(view_.Calls(), ElementsAre("TaskFinished 8"));
}

TEST_F(WorkerTest, UploadsWaitingTogetherSendTheMacrosOnce) {
    sim_->Plug(mouse_, sim::Link::Wired, kVid, kWiredPid);
    StartSynced();
    Worker().StopWorker();
    worker_.reset();
    sim_->ClearTraffic();
    view_.Clear();
    // Edits while the worker is busy: the key write between the uploads keeps its place.
    Worker().QueueTask(TaskCode::MacroUpload);
    Worker().QueueTask(TaskCode::KeyWrite);
    for (int edit = 0; edit < 4; ++edit) {
        store_.AddMacro("m");
        Worker().QueueTask(TaskCode::MacroUpload);
    }
    Worker().StartWorker();
    ASSERT_TRUE(view_.WaitFor("TaskFinished 9"));
    Worker().StopWorker();

    // The one upload carries all four macros; the key write follows it.
    EXPECT_EQ(Commands(), (std::vector<int>{0x06, 0x06, 0x06, 0x02}));
    const sim::FirmwareModel firmware = sim_->Firmware(mouse_);
    EXPECT_EQ(firmware.MacroBuffer()[3 * 4], 128) << "the fourth macro has its directory entry";
}

TEST_F(WorkerTest, FactoryResetClearsSyncedSoTheMousesReturnSynchronisesAgain) {
    sim_->Plug(mouse_, sim::Link::Wired, kVid, kWiredPid);
    DiscardHotplug();
    StartSynced();
    view_.Clear();
    Worker().QueueTask(TaskCode::FactoryReset);
    ASSERT_TRUE(view_.WaitFor("TaskFinished 19"));
    EXPECT_EQ(sim_->Firmware(mouse_).FactoryResets(), 1);
    // A cable mouse restarts and comes back through hot-plug; nothing is read here.
    EXPECT_THAT(view_.Calls(), ElementsAre("TaskFinished 19"));
    EXPECT_FALSE(state_.Snapshot().synced);

    // The cable mouse restarts: it leaves and comes back, and the arrival finds synced cleared.
    view_.Clear();
    sim_->ClearTraffic();
    DeliverHotplug();
    ASSERT_TRUE(view_.WaitFor("TaskFinished 2"));
    Worker().StopWorker();
    EXPECT_TRUE(state_.Snapshot().synced);
    // The removal's rescan already finds the cable again and reads it; the arrival then runs the
    // whole first synchronisation.
    EXPECT_EQ(view_.Count("DeviceList 101: 101=0/1/256"), 2);
    EXPECT_EQ(view_.Count(kFullRefresh), 2);
    EXPECT_EQ(Commands(), (std::vector<int>{0x00, 0x01, 0x00, 0x01}));
}

TEST_F(WorkerTest, FactoryResetBehindTheReceiverShowsTheResetStoreEvenWhenTheMouseIsSilent) {
    const int receiver = sim_->Plug(mouse_, sim::Link::Receiver, kVid, kReceiverPid);
    Worker().RunTask(TaskCode::InitialSync);
    ASSERT_TRUE(state_.Snapshot().synced);
    view_.Clear();
    sim_->ClearTraffic();
    ClearSleeps();
    sim_->SetFault(receiver, {sim::Fault::NoAnswer});
    Worker().RunTask(TaskCode::FactoryReset);

    EXPECT_EQ(Commands().front(), 0x04);
    EXPECT_EQ(Commands().back(), 0x01);  // the read after the restart, unanswered
    const std::vector<long> sleeps = Sleeps(5000);
    EXPECT_EQ(sleeps, (std::vector<long>{5000}));
    EXPECT_THAT(view_.Calls(), ElementsAre("Profiles 1", kFullRefresh, "TaskFinished 19"));
    EXPECT_FALSE(state_.Snapshot().synced);
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
