#include "ui/widget_test_support.h"

namespace veltra::ui::testing {

RecordingDialog::RecordingDialog() {
    Create(nullptr, QStringLiteral("test"), kStylePopup, QRect(100, 100, 640, 480));
}

int RecordingDialog::OnNotify(int id, int event, int param) {
    Notification n{id, event, param};
    notifications.push_back(n);
    if (on_notify) {
        on_notify(n);
    }
    return 1;
}

void ManualTimers::Start(int id, std::chrono::milliseconds interval, std::function<void()> fire) {
    timers_[id] = Timer{interval, now_ + interval, std::move(fire)};
}

void ManualTimers::Stop(int id) {
    timers_.erase(id);
}

void ManualTimers::Advance(std::chrono::milliseconds step) {
    std::chrono::milliseconds end = now_ + step;
    while (true) {
        auto next = timers_.end();
        for (auto it = timers_.begin(); it != timers_.end(); ++it) {
            if (it->second.due <= end &&
                (next == timers_.end() || it->second.due < next->second.due)) {
                next = it;
            }
        }
        if (next == timers_.end()) {
            break;
        }
        now_ = next->second.due;
        next->second.due += next->second.interval;
        std::function<void()> fire = next->second.fire;
        fire();
    }
    now_ = end;
}

}  // namespace veltra::ui::testing
