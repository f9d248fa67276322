// The hand-over of the worker's reports to the window's thread: order, contents and the end of
// the hand-over, also with a producer and a consumer on two threads (run under ThreadSanitizer).
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "device/device_view_queue.h"
#include "device/worker_fixture.h"

namespace veltra::test {
namespace {

TEST(DeviceViewQueue, DeliversEveryReportInOrderAndNothingAfterClose) {
    int wakes = 0;
    DeviceViewQueue queue([&wakes] { ++wakes; });
    RecordingView view;
    queue.ConnectionChanged(
        {.mode = ConnectionMode::Wired, .text_id = kTextWired, .connected = true});
    queue.BatteryChanged({.level = 40, .charging = true});
    queue.TaskFinished(TaskCode::ProfileChange);
    EXPECT_EQ(wakes, 3);
    EXPECT_TRUE(view.Calls().empty());
    EXPECT_EQ(queue.Drain(view), 3);
    const std::vector<std::string> calls = view.Calls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[1], "Battery 40 charging");
    EXPECT_EQ(calls[2], "TaskFinished 7");
    EXPECT_EQ(queue.Drain(view), 0);

    queue.BatteryChanged({.level = 10, .charging = false});
    queue.Close();
    queue.BatteryChanged({.level = 5, .charging = false});
    EXPECT_EQ(queue.Drain(view), 0);
    EXPECT_EQ(wakes, 4);
}

// A view whose handler drains again, as a window whose handler runs a nested event loop would.
class ReentrantView : public RecordingView {
  public:
    DeviceViewQueue* queue = nullptr;
    void TaskFinished(TaskCode code) override {
        RecordingView::TaskFinished(code);
        if (code == TaskCode::ModelChange) {
            queue->Drain(*this);
        }
    }
};

TEST(DeviceViewQueue, ANestedDrainKeepsTheOrder) {
    DeviceViewQueue queue({});
    ReentrantView view;
    view.queue = &queue;
    queue.TaskFinished(TaskCode::ModelChange);
    queue.TaskFinished(TaskCode::ProfileChange);
    queue.TaskFinished(TaskCode::KeyWrite);
    queue.Drain(view);
    EXPECT_EQ(view.Calls(),
              (std::vector<std::string>{"TaskFinished 4", "TaskFinished 7", "TaskFinished 9"}));
}

// Records the number each report carries: a battery level or a profile's id and name.
class NumberView : public DeviceView {
  public:
    std::vector<int> numbers;
    bool names_match = true;
    void DeviceListChanged(const DeviceList&) override {}
    void ConnectionChanged(const ConnectionUpdate&) override {}
    void ProfilesChanged(const ProfileList& profiles) override {
        const ProfileListEntry& entry = profiles.entries.at(0);
        names_match =
            names_match && entry.display_name == "Profile  " + std::to_string(entry.profile_id);
        numbers.push_back(entry.profile_id);
    }
    void BatteryChanged(const BatteryInfo& battery) override { numbers.push_back(battery.level); }
    void SettingsRefreshed(const PageRefresh&) override {}
    void MouseSettingsChanged(const MouseSettingsChange&) override {}
    void TaskFinished(TaskCode) override {}
};

TEST(DeviceViewQueue, AReportingThreadAndADrainingThreadAgree) {
    constexpr int kReports = 3000;
    std::mutex mutex;
    std::condition_variable woken;
    int pending_wakes = 0;
    DeviceViewQueue queue([&] {
        {
            const std::lock_guard lock(mutex);
            ++pending_wakes;
        }
        woken.notify_one();
    });
    NumberView view;
    std::thread consumer([&] {
        std::size_t delivered = 0;
        while (delivered < kReports) {
            {
                std::unique_lock lock(mutex);
                woken.wait(lock, [&] { return pending_wakes > 0; });
                pending_wakes = 0;
            }
            delivered += static_cast<std::size_t>(queue.Drain(view));
        }
    });
    std::thread producer([&] {
        for (int i = 0; i < kReports; ++i) {
            if (i % 3 == 0) {
                ProfileList profiles;
                profiles.entries.push_back({i, "Profile  " + std::to_string(i)});
                queue.ProfilesChanged(profiles);
            } else {
                queue.BatteryChanged({.level = i, .charging = false});
            }
        }
    });
    producer.join();
    consumer.join();
    ASSERT_EQ(view.numbers.size(), static_cast<std::size_t>(kReports));
    for (int i = 0; i < kReports; ++i) {
        ASSERT_EQ(view.numbers[static_cast<std::size_t>(i)], i);
    }
    EXPECT_TRUE(view.names_match);
}

}  // namespace
}  // namespace veltra::test
