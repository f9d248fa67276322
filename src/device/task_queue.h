#pragma once

// The FIFO of task codes between the UI thread and the device worker.

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>

namespace veltra {

class TaskQueue {
  public:
    void Push(int code);
    std::optional<int> TryPop();
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
    std::deque<int> codes_;
    bool interrupted_ = false;
};

}  // namespace veltra
