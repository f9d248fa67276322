#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "device/worker_fixture.h"
#include "store/settings_defaults.h"

namespace veltra::test {
namespace {

// The window reads the device state on its own thread while the worker runs an arrival, the
// mouse's own changes, a profile change and a removal. Under ThreadSanitizer this catches any
// field the worker writes outside the published snapshot; the checks catch a snapshot taken
// half-way through an update.
TEST_F(WorkerTest, WindowReadsTheStateWhileTheWorkerRunsEveryFlow) {
    std::atomic<int> broken{0};
    const auto check = [&](const DeviceState& state) {
        if ((state.connected_shown && !state.devices_present) || state.active_profile < 0 ||
            state.active_profile > 5) {
            ++broken;
        }
    };
    // On every notification, as a window reacting to it would look ...
    view_.OnEveryCall([&] { check(state_.Snapshot()); });
    DeviceWorker& worker = Worker();
    std::atomic<bool> done{false};
    std::atomic<int> snapshots{0};
    // ... and at any time in between.
    std::thread window([&] {
        while (!done) {
            check(state_.Snapshot());
            worker.DevicesPresent();
            worker.TaskQueueEmpty();
            ++snapshots;
            std::this_thread::yield();
        }
    });

    int level = -1;
    // Stopping and joining below must happen however the flows end.
    const auto flows = [&] {
        worker.QueueTask(TaskCode::InitialSync);
        worker.StartWorker();
        ASSERT_TRUE(view_.WaitFor("TaskFinished 1"));

        const int wired = sim_->Plug(mouse_, sim::Link::Wired, kVid, kWiredPid);
        DeliverHotplug();
        ASSERT_TRUE(view_.WaitFor("TaskFinished 2"));
        // Published before the notification, so the window never sees it older than the view.
        EXPECT_TRUE(state_.Snapshot().connected_shown);
        EXPECT_TRUE(state_.Snapshot().synced);

        sim_->PressDpiButton(mouse_);
        level = sim_->Firmware(mouse_).ActiveDpiLevel();
        ASSERT_TRUE(view_.WaitForPrefix("Mouse dpi " + std::to_string(level) + " "));
        sim_->ChangeReportRate(mouse_, 2);
        ASSERT_TRUE(view_.WaitFor("Mouse rate 2"));

        ASSERT_TRUE(store_.SetActiveProfile(2));
        worker.QueueTask(TaskCode::ProfileChange);
        ASSERT_TRUE(view_.WaitFor("TaskFinished 7"));

        sim_->Unplug(wired);
        DeliverHotplug();
        ASSERT_TRUE(view_.WaitFor("TaskFinished 3"));
    };
    flows();
    worker.StopWorker();
    done = true;
    window.join();

    EXPECT_EQ(broken.load(), 0);
    EXPECT_GT(snapshots.load(), 0);
    const DeviceState last = state_.Snapshot();
    EXPECT_FALSE(last.devices_present);
    EXPECT_FALSE(last.connected_shown);
    EXPECT_TRUE(last.synced);
    EXPECT_EQ(last.active_profile, 2);
    EXPECT_EQ(last.last_notified_dpi_level, level);
    EXPECT_EQ(last.last_notified_rate, 2);
}

// Another front end's work, queued from a thread of its own while the worker runs: it runs on the
// worker with the working state, which is published, and the profile list and pages follow.
TEST_F(WorkerTest, ExternalCallsRunOnTheWorkerAndRefreshThePages) {
    DeviceWorker& worker = Worker();
    worker.QueueTask(TaskCode::InitialSync);
    worker.StartWorker();
    ASSERT_TRUE(view_.WaitFor("TaskFinished 1"));
    sim_->Plug(mouse_, sim::Link::Wired, kVid, kWiredPid);
    DeliverHotplug();
    ASSERT_TRUE(view_.WaitFor("TaskFinished 2"));
    const std::thread::id test_thread = std::this_thread::get_id();
    std::atomic<bool> on_worker{false};
    std::thread sender([&] {
        worker.QueueExternalCall([&](DeviceState& state) {
            on_worker = std::this_thread::get_id() != test_thread;
            ASSERT_TRUE(store_.SetActiveProfile(3));
            ASSERT_TRUE(store_.SetConfig(3, config_key::kDpiIndex, "2"));
            state.status_block[0] = 0x42;
        });
    });
    sender.join();
    ASSERT_TRUE(view_.WaitFor("Profiles 3"));
    ASSERT_TRUE(view_.WaitForPrefix("Refresh 3 keys macros"));
    worker.StopWorker();
    EXPECT_TRUE(on_worker);
    const DeviceState state = state_.Snapshot();
    EXPECT_EQ(state.active_profile, 3);
    EXPECT_EQ(state.status_block[0], 0x42);
    EXPECT_EQ(state.last_notified_dpi_level, 2);
}

}  // namespace
}  // namespace veltra::test
