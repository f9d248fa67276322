#include "device/hotplug.h"

namespace veltra {

HotplugQueue::HotplugQueue(std::function<void()> notify) : notify_(std::move(notify)) {}

void HotplugQueue::Post(const HotplugEvent& event) {
    {
        const std::lock_guard lock(mutex_);
        events_.push_back(event);
    }
    posted_.notify_all();
    if (notify_) {
        notify_();
    }
}

HotplugSource::Sink HotplugQueue::Sink() {
    return [this](const HotplugEvent& event) { Post(event); };
}

std::vector<HotplugEvent> HotplugQueue::TakeAll() {
    const std::lock_guard lock(mutex_);
    std::vector<HotplugEvent> taken(events_.begin(), events_.end());
    events_.clear();
    return taken;
}

bool HotplugQueue::WaitFor(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return posted_.wait_for(lock, timeout, [this] { return !events_.empty(); });
}

bool RegisterForDeviceNotifications(HotplugSource& source, HotplugQueue& queue) {
    return source.Start(queue.Sink());
}

}  // namespace veltra
