#include "macro/macro_recorder.h"

#include <algorithm>

namespace veltra {

void MacroRecorder::Start(int counter_start, DelayType delay, int fixed_delay, int limit) {
    recording_ = true;
    counter_ = counter_start;
    delay_ = delay;
    fixed_delay_ = fixed_delay;
    limit_ = limit;
    previous_ms_ = -1;
}

int MacroRecorder::MeasureGap(std::int64_t now_ms) {
    const std::int64_t previous = previous_ms_;
    previous_ms_ = now_ms;
    if (previous < 0) {
        return 0;
    }
    return static_cast<int>(std::clamp<std::int64_t>(now_ms - previous, 0, kMaxRecordedGap));
}

bool MacroRecorder::Full(const std::vector<MacroStep>& steps) {
    if (static_cast<int>(steps.size()) < limit_) {
        return false;
    }
    recording_ = false;
    return true;
}

MacroStep EventStep(const InputEvent& event) {
    MacroStep step;
    const bool down = event.action == InputAction::Down;
    if (event.kind == InputKind::Keyboard) {
        step.type = static_cast<int>(down ? MacroRecordType::KeyDown : MacroRecordType::KeyUp);
    } else if (event.kind == InputKind::Mouse) {
        switch (event.action) {
            case InputAction::Down:
                step.type = static_cast<int>(MacroRecordType::MouseDown);
                break;
            case InputAction::Up:
                step.type = static_cast<int>(MacroRecordType::MouseUp);
                break;
            case InputAction::WheelAway:
                step.type = static_cast<int>(MacroRecordType::ScrollUp);
                break;
            case InputAction::WheelTowards:
                step.type = static_cast<int>(MacroRecordType::ScrollDown);
                break;
        }
    }
    const bool wheel = step.type == static_cast<int>(MacroRecordType::ScrollUp) ||
                       step.type == static_cast<int>(MacroRecordType::ScrollDown);
    step.text = wheel ? event.name : PressStepText(down, event.name);
    step.value = event.value;
    return step;
}

MacroRecorder::Outcome MacroRecorder::Record(const InputEvent& event, std::int64_t now_ms,
                                             std::vector<MacroStep>& steps) {
    if (!recording_ || event.name.empty() || event.kind == InputKind::Other) {
        return Outcome::kIgnored;
    }
    int pause = 0;
    if (delay_ == DelayType::RecordedDelays) {
        pause = MeasureGap(now_ms);
    } else if (delay_ == DelayType::FixedDelay) {
        pause = fixed_delay_;
    }
    if (pause != 0) {
        steps.push_back(
            {DelayStepText(pause), static_cast<int>(MacroRecordType::Delay), pause, ++counter_});
        if (Full(steps)) {
            return Outcome::kLimitReached;
        }
    }
    MacroStep step = EventStep(event);
    step.timestamp = ++counter_;
    steps.push_back(std::move(step));
    return Full(steps) ? Outcome::kLimitReached : Outcome::kRecorded;
}

}  // namespace veltra
