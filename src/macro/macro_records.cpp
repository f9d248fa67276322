#include "macro/macro_records.h"

#include <algorithm>

#include "common/text.h"

namespace veltra {
namespace {

constexpr std::string_view kDown = "\xE2\x86\x93  ";   // ↓
constexpr std::string_view kUp = "\xE2\x86\x91  ";     // ↑
constexpr std::string_view kLeft = "\xE2\x86\x90  ";   // ←
constexpr std::string_view kRight = "\xE2\x86\x92  ";  // →

struct ButtonEntry {
    int entry;
    int mask;
};
constexpr ButtonEntry kButtonEntries[] = {
    {1, kMaskLeft}, {2, kMaskRight}, {3, kMaskMiddle}, {5, kMaskForward}, {6, kMaskBackward}};

int CorrectInto(std::string_view text, long low, long high) {
    return static_cast<int>(std::clamp(ParseDecimal(text), low, high));
}

}  // namespace

std::optional<int> MaskOfButtonEntry(int entry) {
    for (const ButtonEntry& e : kButtonEntries) {
        if (e.entry == entry) {
            return e.mask;
        }
    }
    return std::nullopt;
}

std::optional<int> ButtonEntryOfMask(int mask) {
    for (const ButtonEntry& e : kButtonEntries) {
        if (e.mask == mask) {
            return e.entry;
        }
    }
    return std::nullopt;
}

std::string DelayStepText(int milliseconds) {
    return " -   " + std::to_string(milliseconds) + " ms";
}

std::string PressStepText(bool down, std::string_view name) {
    std::string text(down ? kDown : kUp);
    text += name;
    return text;
}

std::string MoveStepText(MacroRecordType type, int distance) {
    std::string_view arrow = kRight;
    switch (type) {
        case MacroRecordType::MoveUp:
            arrow = kUp;
            break;
        case MacroRecordType::MoveDown:
            arrow = kDown;
            break;
        case MacroRecordType::MoveLeft:
            arrow = kLeft;
            break;
        default:
            break;
    }
    return std::string(arrow) + std::to_string(distance);
}

int MoveXYValue(const MoveXY& move) {
    const int x = std::clamp(move.x, kMinMoveDistance, kMaxMoveDistance) + (move.left ? 0x80 : 0);
    const int y = std::clamp(move.y, kMinMoveDistance, kMaxMoveDistance) + (move.up ? 0x80 : 0);
    return x + 256 * y;
}

MoveXY SplitMoveXY(int value) {
    const int x = value & 0xFF;
    const int y = (value >> 8) & 0xFF;
    return {(x & 0x80) != 0, x & 0x7F, (y & 0x80) != 0, y & 0x7F};
}

std::string MoveXYText(const MoveXY& move) {
    std::string text(move.left ? kLeft : kRight);
    text += std::to_string(move.x);
    text += ',';
    text += move.up ? kUp : kDown;
    text += std::to_string(move.y);
    return text;
}

int CorrectDelay(std::string_view text) {
    return CorrectInto(text, kMinEditedDelay, kMaxEditedDelay);
}

int CorrectDistance(std::string_view text) {
    return CorrectInto(text, kMinMoveDistance, kMaxMoveDistance);
}

int CorrectPlayTimes(std::string_view text, int device_type) {
    return CorrectInto(text, 1, device_type > 200 ? 255 : 999);
}

std::string NewMacroName(std::string_view custom_text, int list_count) {
    return std::string(custom_text) + " " + std::to_string(list_count + 1);
}

}  // namespace veltra
