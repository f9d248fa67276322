#pragma once
// Recording turns live input into macro steps: a pause before each event (measured, fixed or
// none) and the event itself, numbered from a start value upward, until the record limit.
// Time comes from the caller, so tests measure gaps with their own clock.

#include <cstdint>
#include <vector>

#include "macro/macro_records.h"
#include "settings/key_input.h"

namespace veltra {

class MacroRecorder {
  public:
    // `counter_start` numbers the first step counter_start + 1. `limit`: the step count at
    // which recording stops.
    void Start(int counter_start, DelayType delay, int fixed_delay, int limit);
    void Stop() { recording_ = false; }
    bool Recording() const { return recording_; }

    enum class Outcome { kIgnored, kRecorded, kLimitReached };
    // Appends the steps for `event` to `steps`. kLimitReached: the list reached the limit and
    // recording stopped (the event itself may be missing). Events without a name are ignored.
    Outcome Record(const InputEvent& event, std::int64_t now_ms, std::vector<MacroStep>& steps);

  private:
    int MeasureGap(std::int64_t now_ms);
    bool Full(const std::vector<MacroStep>& steps);

    bool recording_ = false;
    int counter_ = 0;
    DelayType delay_ = DelayType::RecordedDelays;
    int fixed_delay_ = kDefaultFixedDelay;
    int limit_ = kRecordLimitRecording;
    // -1: no event yet.
    std::int64_t previous_ms_ = -1;
};

// The step an event becomes, without its timestamp.
MacroStep EventStep(const InputEvent& event);

}  // namespace veltra
