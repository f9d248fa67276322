#pragma once
// Where a dialog's numbered timers come from. The window uses Qt's timers; tests drive a manual
// clock so that "hide 2 s after the last show" is checked without waiting.
#include <chrono>
#include <functional>
#include <memory>

namespace veltra::ui {

class TimerPort {
  public:
    virtual ~TimerPort() = default;
    // (Re)starts timer `id`: `fire` runs every `interval` until Stop(id). Restarting an active
    // timer begins its interval anew.
    virtual void Start(int id, std::chrono::milliseconds interval, std::function<void()> fire) = 0;
    virtual void Stop(int id) = 0;
};

std::unique_ptr<TimerPort> MakeQtTimerPort();

}  // namespace veltra::ui
