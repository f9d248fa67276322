#pragma once

// The FIFO of task codes between the UI thread and the device worker.

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>

#include "device/task_code.h"

namespace veltra {

class TaskQueue {
  public:
    void Push(TaskCode code);
    // Pushes `code` unless it is waiting already; false when it was.
    bool PushUnlessWaiting(TaskCode code);
    std::optional<TaskCode> TryPop();
    bool Empty() const;

    // Returns when a task is waiting, `timeout` has passed (none: no limit) or Interrupt was
    // called; true when a task is waiting.
    bool Wait(std::optional<std::chrono::milliseconds> timeout);
    // Ends the current and every later Wait until Resume.
    void Interrupt();
    void Resume();

  private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<TaskCode> codes_;
    bool interrupted_ = false;
};

}  // namespace veltra
