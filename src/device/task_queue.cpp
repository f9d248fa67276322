#include "device/task_queue.h"

#include <algorithm>

namespace veltra {

void TaskQueue::Push(TaskCode code) {
    {
        const std::lock_guard lock(mutex_);
        codes_.push_back(code);
    }
    changed_.notify_all();
}

bool TaskQueue::PushUnlessWaiting(TaskCode code) {
    {
        const std::lock_guard lock(mutex_);
        if (std::find(codes_.begin(), codes_.end(), code) != codes_.end()) {
            return false;
        }
        codes_.push_back(code);
    }
    changed_.notify_all();
    return true;
}

std::optional<TaskCode> TaskQueue::TryPop() {
    const std::lock_guard lock(mutex_);
    if (codes_.empty()) {
        return std::nullopt;
    }
    const TaskCode code = codes_.front();
    codes_.pop_front();
    return code;
}

bool TaskQueue::Empty() const {
    const std::lock_guard lock(mutex_);
    return codes_.empty();
}

bool TaskQueue::Wait(std::optional<std::chrono::milliseconds> timeout) {
    std::unique_lock lock(mutex_);
    const auto settled = [this] { return interrupted_ || !codes_.empty(); };
    if (timeout) {
        changed_.wait_for(lock, *timeout, settled);
    } else {
        changed_.wait(lock, settled);
    }
    return !codes_.empty();
}

void TaskQueue::Interrupt() {
    {
        const std::lock_guard lock(mutex_);
        interrupted_ = true;
    }
    changed_.notify_all();
}

void TaskQueue::Resume() {
    const std::lock_guard lock(mutex_);
    interrupted_ = false;
}

}  // namespace veltra
