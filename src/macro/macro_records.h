#pragma once
// The steps of a macro as the editor, the recorder, macro files and the upload share them: the
// record types, the texts the record list shows for them and the ranges the editor keeps.

#include <optional>
#include <string>
#include <string_view>

#include "settings/key_input.h"

namespace veltra {

enum class MacroRecordType : int {
    Delay = 1,
    KeyDown = 2,
    KeyUp = 3,
    MouseDown = 4,
    MouseUp = 5,
    ScrollUp = 6,
    ScrollDown = 7,
    MoveUp = 8,
    MoveDown = 9,
    MoveLeft = 10,
    MoveRight = 11,
    MoveXY = 12,
};

inline constexpr int kFirstMacroRecordType = 1;
inline constexpr int kLastMacroRecordType = 12;

inline bool IsMacroRecordType(int type) {
    return type >= kFirstMacroRecordType && type <= kLastMacroRecordType;
}

// What recording puts between events, and whether the upload uses one pause for all.
enum class DelayType : int { NoDelays = 0, RecordedDelays = 1, FixedDelay = 2 };
inline constexpr int kFixedDelay = static_cast<int>(DelayType::FixedDelay);

// How the mouse plays a macro: a number of times, or one of three repeat modes.
enum class PlayType : int { Times = 0, UntilPressedAgain = 1, WhileHeld = 2, UntilAnyKey = 3 };

// One step as the record list holds it. Steps inserted together as a pair share a timestamp;
// it identifies, it does not measure.
struct MacroStep {
    std::string text;
    int type = 0;
    int value = 0;
    int timestamp = 0;
    bool operator==(const MacroStep&) const = default;
};

// Ranges the editor corrects typed numbers into.
inline constexpr int kMinEditedDelay = 1;
inline constexpr int kMaxEditedDelay = 10000;
inline constexpr int kMaxRecordedGap = 31000;
inline constexpr int kMinMoveDistance = 1;
inline constexpr int kMaxMoveDistance = 127;
inline constexpr int kDefaultFixedDelay = 10;
inline constexpr int kDefaultPlayTimes = 1;

// How many steps a macro may reach by insertion, and by recording once the record button was
// used.
inline constexpr int kRecordLimitAtStart = 5000;
inline constexpr int kRecordLimitRecording = 990;

// The mouse's macro directory has 32 entries; a store never holds more macros than that.
inline constexpr int kMaxMacros = 32;

// The editor's button list entries (1 left, 2 right, 3 middle, 5 forward, 6 backward) and
// their masks; nullopt for another entry.
std::optional<int> MaskOfButtonEntry(int entry);
std::optional<int> ButtonEntryOfMask(int mask);

// The record list's texts.
std::string DelayStepText(int milliseconds);                  // " -   10 ms"
std::string PressStepText(bool down, std::string_view name);  // "↓  A", "↑  LB"
// "↑  5" for MoveUp, "↓  5" MoveDown, "←  5" MoveLeft, "→  5" MoveRight.
std::string MoveStepText(MacroRecordType type, int distance);

// A pointer move on both axes: each byte of the value holds the distance (1..127) and, in bit
// 7, the direction (X: left, Y: up).
struct MoveXY {
    bool left = false;
    int x = 0;
    bool up = false;
    int y = 0;
};
int MoveXYValue(const MoveXY& move);
MoveXY SplitMoveXY(int value);
std::string MoveXYText(const MoveXY& move);  // "←  5,↑  3"

// Typed numbers corrected into the editor's ranges: anything below the range or no number at
// all gives the lowest value.
int CorrectDelay(std::string_view text);
int CorrectDistance(std::string_view text);
// Play count: 1..999, or 1..255 for a model type above 200.
int CorrectPlayTimes(std::string_view text, int device_type);

// "Custom 3": the name a new macro gets (custom_text is language text 351).
std::string NewMacroName(std::string_view custom_text, int list_count);

}  // namespace veltra
