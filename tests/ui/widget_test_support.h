#pragma once
// Helpers for driving controls offscreen: a dialog that records every notification, and a
// manual clock for the dialogs' numbered timers.
#include <QRect>
#include <chrono>
#include <functional>
#include <map>
#include <vector>

#include "ui/widgets/dialog.h"
#include "ui/widgets/timer_port.h"

namespace veltra::ui::testing {

struct Notification {
    int id = 0;
    int event = 0;
    int param = 0;
    bool operator==(const Notification&) const = default;
};

// A dialog with no controls of its own that records what its controls report.
class RecordingDialog : public MDialog {
  public:
    RecordingDialog();
    std::vector<Notification> notifications;
    // Runs in OnNotify after recording, when set.
    std::function<void(const Notification&)> on_notify;

  protected:
    int OnNotify(int id, int event, int param) override;
};

// Timers that fire only when the test advances the clock.
class ManualTimers : public TimerPort {
  public:
    void Start(int id, std::chrono::milliseconds interval, std::function<void()> fire) override;
    void Stop(int id) override;
    void Advance(std::chrono::milliseconds step);
    bool Active(int id) const { return timers_.count(id) != 0; }

  private:
    struct Timer {
        std::chrono::milliseconds interval;
        std::chrono::milliseconds due;
        std::function<void()> fire;
    };
    std::chrono::milliseconds now_{0};
    std::map<int, Timer> timers_;
};

}  // namespace veltra::ui::testing
