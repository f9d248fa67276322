#include "device/device_view_queue.h"

namespace veltra {

namespace {

struct Deliver {
    DeviceView& target;
    void operator()(const DeviceList& list) const { target.DeviceListChanged(list); }
    void operator()(const ConnectionUpdate& update) const { target.ConnectionChanged(update); }
    void operator()(const ProfileList& profiles) const { target.ProfilesChanged(profiles); }
    void operator()(const BatteryInfo& battery) const { target.BatteryChanged(battery); }
    void operator()(const PageRefresh& refresh) const { target.SettingsRefreshed(refresh); }
    void operator()(const MouseSettingsChange& change) const {
        target.MouseSettingsChanged(change);
    }
    void operator()(TaskCode code) const { target.TaskFinished(code); }
};

}  // namespace

DeviceViewQueue::DeviceViewQueue(std::function<void()> wake) : wake_(std::move(wake)) {}

void DeviceViewQueue::Push(Report report) {
    {
        const std::lock_guard lock(mutex_);
        if (closed_) {
            return;
        }
        reports_.push_back(std::move(report));
    }
    if (wake_) {
        wake_();
    }
}

int DeviceViewQueue::Drain(DeviceView& target) {
    int delivered = 0;
    for (;;) {
        Report report;
        {
            const std::lock_guard lock(mutex_);
            if (reports_.empty() || closed_) {
                return delivered;
            }
            report = std::move(reports_.front());
            reports_.pop_front();
        }
        // Delivered outside the lock: the target may open a modal loop that drains again.
        std::visit(Deliver{target}, report);
        ++delivered;
    }
}

void DeviceViewQueue::Close() {
    const std::lock_guard lock(mutex_);
    closed_ = true;
    reports_.clear();
}

void DeviceViewQueue::DeviceListChanged(const DeviceList& list) {
    Push(list);
}

void DeviceViewQueue::ConnectionChanged(const ConnectionUpdate& update) {
    Push(update);
}

void DeviceViewQueue::ProfilesChanged(const ProfileList& profiles) {
    Push(profiles);
}

void DeviceViewQueue::BatteryChanged(const BatteryInfo& battery) {
    Push(battery);
}

void DeviceViewQueue::SettingsRefreshed(const PageRefresh& refresh) {
    Push(refresh);
}

void DeviceViewQueue::MouseSettingsChanged(const MouseSettingsChange& change) {
    Push(change);
}

void DeviceViewQueue::TaskFinished(TaskCode code) {
    Push(code);
}

}  // namespace veltra
