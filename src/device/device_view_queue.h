#pragma once

// The hand-over of the worker's reports to the thread that shows them. The worker calls the
// DeviceView operations on its own thread; each report is copied into a queue under a lock and
// `wake` is called so the consumer's event loop runs Drain, which delivers every waiting report
// to the target view in the order they were made. The wake-up carries no data, so everything the
// consumer reads crossed threads under this queue's lock.
//
// Threads: any thread reports; Drain runs on the consumer's thread only. Reports made after
// Close are dropped; Close does not wait for a Drain in progress (call both on the consumer's
// thread, or stop the reporting thread first).

#include <deque>
#include <functional>
#include <mutex>
#include <variant>

#include "device/device_view.h"

namespace veltra {

class DeviceViewQueue : public DeviceView {
  public:
    explicit DeviceViewQueue(std::function<void()> wake);

    // Consumer thread: delivers every waiting report to `target`, oldest first. Reports made
    // while it runs are delivered too. Returns the number delivered.
    int Drain(DeviceView& target);
    void Close();

    void DeviceListChanged(const DeviceList& list) override;
    void ConnectionChanged(const ConnectionUpdate& update) override;
    void ProfilesChanged(const ProfileList& profiles) override;
    void BatteryChanged(const BatteryInfo& battery) override;
    void SettingsRefreshed(const PageRefresh& refresh) override;
    void MouseSettingsChanged(const MouseSettingsChange& change) override;
    void TaskFinished(TaskCode code) override;

  private:
    using Report = std::variant<DeviceList, ConnectionUpdate, ProfileList, BatteryInfo, PageRefresh,
                                MouseSettingsChange, TaskCode>;
    void Push(Report report);

    std::function<void()> wake_;
    std::mutex mutex_;
    std::deque<Report> reports_;
    bool closed_ = false;
};

}  // namespace veltra
