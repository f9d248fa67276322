#include "macro/macro_recorder.h"

#include <gtest/gtest.h>

#include <vector>

namespace veltra {
namespace {

constexpr int kStart = 5000;

InputEvent Key(int vk, const char* name, bool release) {
    return {InputKind::Keyboard, release ? InputAction::Up : InputAction::Down, vk, name};
}

MacroStep Step(const char* text, MacroRecordType type, int value, int timestamp) {
    return {text, static_cast<int>(type), value, timestamp};
}

TEST(MacroRecorder, MeasuredFixedAndNoDelays) {
    MacroRecorder recorder;
    std::vector<MacroStep> steps;
    recorder.Start(kStart, DelayType::RecordedDelays, 10, kRecordLimitRecording);
    recorder.Record(Key(65, "A", false), 1000, steps);
    recorder.Record(Key(65, "A", true), 1150, steps);
    EXPECT_EQ(steps,
              (std::vector<MacroStep>{Step("↓  A", MacroRecordType::KeyDown, 65, kStart + 1),
                                      Step(" -   150 ms", MacroRecordType::Delay, 150, kStart + 2),
                                      Step("↑  A", MacroRecordType::KeyUp, 65, kStart + 3)}));

    steps.clear();
    recorder.Start(0, DelayType::FixedDelay, 10, kRecordLimitRecording);
    recorder.Record(Key(65, "A", false), 0, steps);
    recorder.Record(Key(65, "A", true), 400, steps);
    ASSERT_EQ(steps.size(), 4u);
    EXPECT_EQ(steps[0].text, " -   10 ms");
    EXPECT_EQ(steps[1].text, "↓  A");
    EXPECT_EQ(steps[2].value, 10);
    EXPECT_EQ(steps[3].timestamp, 4);

    steps.clear();
    recorder.Start(0, DelayType::NoDelays, 10, kRecordLimitRecording);
    recorder.Record(Key(65, "A", false), 0, steps);
    recorder.Record(Key(65, "A", true), 400, steps);
    EXPECT_EQ(steps.size(), 2u);
}

TEST(MacroRecorder, LongGapsAreCutAndTheFirstEventHasNone) {
    MacroRecorder recorder;
    std::vector<MacroStep> steps;
    recorder.Start(0, DelayType::RecordedDelays, 10, kRecordLimitRecording);
    recorder.Record(Key(65, "A", false), 0, steps);
    recorder.Record(Key(65, "A", true), 40000, steps);
    ASSERT_EQ(steps.size(), 3u);
    EXPECT_EQ(steps[0].type, static_cast<int>(MacroRecordType::KeyDown));
    EXPECT_EQ(steps[1].value, kMaxRecordedGap);
    // Two events in the same millisecond: no pause step at all.
    recorder.Record(Key(66, "B", false), 40000, steps);
    EXPECT_EQ(steps.size(), 4u);
}

TEST(MacroRecorder, MouseButtonsAndWheel) {
    MacroRecorder recorder;
    std::vector<MacroStep> steps;
    recorder.Start(0, DelayType::NoDelays, 10, kRecordLimitRecording);
    recorder.Record(DecodeMouseButton(kMaskBackward, false), 0, steps);
    recorder.Record(DecodeMouseButton(kMaskForward, true), 0, steps);
    recorder.Record(DecodeWheel(240), 0, steps);
    recorder.Record(DecodeWheel(-120), 0, steps);
    // Nothing usable: an unknown button, a key without a name.
    EXPECT_EQ(recorder.Record(DecodeMouseButton(32, false), 0, steps),
              MacroRecorder::Outcome::kIgnored);
    EXPECT_EQ(recorder.Record(Key(0, "", false), 0, steps), MacroRecorder::Outcome::kIgnored);
    EXPECT_EQ(steps,
              (std::vector<MacroStep>{Step("↓  Backward", MacroRecordType::MouseDown, 8, 1),
                                      Step("↑  Forward", MacroRecordType::MouseUp, 16, 2),
                                      Step("Scroll Up", MacroRecordType::ScrollUp, 1, 3),
                                      Step("Scroll Down", MacroRecordType::ScrollDown, 255, 4)}));
}

TEST(MacroRecorder, StopsAtTheLimitWithoutTheEventAfterAPause) {
    MacroRecorder recorder;
    std::vector<MacroStep> steps(3);
    recorder.Start(0, DelayType::FixedDelay, 10, 6);
    EXPECT_EQ(recorder.Record(Key(65, "A", false), 0, steps), MacroRecorder::Outcome::kRecorded);
    // The pause fills the list: the key itself is left out.
    EXPECT_EQ(recorder.Record(Key(65, "A", true), 0, steps), MacroRecorder::Outcome::kLimitReached);
    EXPECT_EQ(steps.size(), 6u);
    EXPECT_EQ(steps.back().type, static_cast<int>(MacroRecordType::Delay));
    EXPECT_FALSE(recorder.Recording());
    EXPECT_EQ(recorder.Record(Key(66, "B", true), 0, steps), MacroRecorder::Outcome::kIgnored);

    std::vector<MacroStep> at_limit(kRecordLimitRecording - 1);
    recorder.Start(0, DelayType::NoDelays, 10, kRecordLimitRecording);
    EXPECT_EQ(recorder.Record(Key(65, "A", false), 0, at_limit),
              MacroRecorder::Outcome::kLimitReached);
    EXPECT_EQ(static_cast<int>(at_limit.size()), kRecordLimitRecording);
}

TEST(MacroRecords, TextsAndMoves) {
    EXPECT_EQ(DelayStepText(10), " -   10 ms");
    EXPECT_EQ(PressStepText(true, "LB"), "↓  LB");
    EXPECT_EQ(MoveStepText(MacroRecordType::MoveLeft, 5), "←  5");
    EXPECT_EQ(MoveStepText(MacroRecordType::MoveRight, 127), "→  127");

    const MoveXY move{true, 5, true, 3};
    const int value = MoveXYValue(move);
    EXPECT_EQ(value & 0xFF, 0x85);
    EXPECT_EQ(value >> 8, 0x83);
    EXPECT_EQ(MoveXYText(move), "←  5,↑  3");
    const MoveXY back = SplitMoveXY(value);
    EXPECT_TRUE(back.left && back.up);
    EXPECT_EQ(back.x, 5);
    EXPECT_EQ(back.y, 3);
    // Out of range distances are brought in, never spill into the direction bit.
    EXPECT_EQ(MoveXYValue({false, 200, false, 0}), 127 + 256 * 1);

    EXPECT_EQ(CorrectDistance("200"), 127);
    EXPECT_EQ(CorrectDelay("0"), 1);
    EXPECT_EQ(CorrectDelay("x"), 1);
    EXPECT_EQ(CorrectDelay("99999999999999999999"), 10000);
    EXPECT_EQ(CorrectPlayTimes("1000", 100), 999);
    EXPECT_EQ(CorrectPlayTimes("1000", 201), 255);
    EXPECT_EQ(NewMacroName("Custom", 2), "Custom 3");

    for (int entry : {1, 2, 3, 5, 6}) {
        const std::optional<int> mask = MaskOfButtonEntry(entry);
        ASSERT_TRUE(mask.has_value());
        EXPECT_EQ(ButtonEntryOfMask(*mask), entry);
        EXPECT_FALSE(MouseButtonName(*mask).empty());
    }
    EXPECT_EQ(MaskOfButtonEntry(4), std::nullopt);
    EXPECT_EQ(MaskOfButtonEntry(5), kMaskForward);
}

}  // namespace
}  // namespace veltra
