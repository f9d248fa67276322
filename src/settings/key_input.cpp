#include "settings/key_input.h"

#include <array>
#include <string_view>

#include "settings/key_codes.h"

namespace veltra {
namespace {

// XKB keycodes are the kernel's key codes shifted by 8.
constexpr int kXkbOffset = 8;

struct KernelKey {
    int code;
    int vk;
};

// The kernel's key codes (linux/input-event-codes.h) of the keys a virtual-key code exists for,
// mapped as a US layout maps them. Keypad keys give their keypad codes in both Num Lock states,
// as the originals' keypad correction does.
constexpr KernelKey kKernelKeys[] = {
    {1, 27},    {2, 49},    {3, 50},    {4, 51},    {5, 52},    {6, 53},    {7, 54},    {8, 55},
    {9, 56},    {10, 57},   {11, 48},   {12, 189},  {13, 187},  {14, 8},    {15, 9},    {16, 81},
    {17, 87},   {18, 69},   {19, 82},   {20, 84},   {21, 89},   {22, 85},   {23, 73},   {24, 79},
    {25, 80},   {26, 219},  {27, 221},  {28, 13},   {29, 162},  {30, 65},   {31, 83},   {32, 68},
    {33, 70},   {34, 71},   {35, 72},   {36, 74},   {37, 75},   {38, 76},   {39, 186},  {40, 222},
    {41, 192},  {42, 160},  {43, 220},  {44, 90},   {45, 88},   {46, 67},   {47, 86},   {48, 66},
    {49, 78},   {50, 77},   {51, 188},  {52, 190},  {53, 191},  {54, 161},  {55, 106},  {56, 164},
    {57, 32},   {58, 20},   {59, 112},  {60, 113},  {61, 114},  {62, 115},  {63, 116},  {64, 117},
    {65, 118},  {66, 119},  {67, 120},  {68, 121},  {69, 144},  {70, 145},  {71, 103},  {72, 104},
    {73, 105},  {74, 109},  {75, 100},  {76, 101},  {77, 102},  {78, 107},  {79, 97},   {80, 98},
    {81, 99},   {82, 96},   {83, 110},  {86, 226},  {87, 122},  {88, 123},  {89, 226},  {96, 108},
    {97, 163},  {98, 111},  {99, 44},   {100, 165}, {102, 36},  {103, 38},  {104, 33},  {105, 37},
    {106, 39},  {107, 35},  {108, 40},  {109, 34},  {110, 45},  {111, 46},  {119, 19},  {124, 137},
    {125, 91},  {126, 92},  {127, 93},  {183, 124}, {184, 125}, {185, 126}, {186, 127}, {187, 128},
    {188, 129}, {189, 130}, {190, 131}, {191, 132}, {192, 133}, {193, 134}, {194, 135},
};

constexpr int kKernelCodes = 195;

constexpr std::array<int, kKernelCodes> MakeKernelTable() {
    std::array<int, kKernelCodes> table{};
    for (const KernelKey& key : kKernelKeys) {
        table[static_cast<std::size_t>(key.code)] = key.vk;
    }
    return table;
}

constexpr std::array<int, kKernelCodes> kKernelTable = MakeKernelTable();

// A Latin letter symbol in either case: its virtual key (A..Z are 65..90), else 0.
int LetterVk(std::uint32_t keysym) {
    if (keysym >= 'a' && keysym <= 'z') {
        return static_cast<int>(keysym - 'a') + 'A';
    }
    if (keysym >= 'A' && keysym <= 'Z') {
        return static_cast<int>(keysym);
    }
    return 0;
}

bool IsLetterVk(int vk) {
    return vk >= 'A' && vk <= 'Z';
}

int VkOf(const KeyStroke& stroke) {
    if (stroke.keycode == 0) {
        if (const int letter = LetterVk(stroke.keysym); letter != 0) {
            return letter;
        }
        return stroke.keysym >= '0' && stroke.keysym <= '9' ? static_cast<int>(stroke.keysym) : 0;
    }
    const int code = stroke.keycode - kXkbOffset;
    if (code <= 0 || code >= kKernelCodes) {
        return 0;
    }
    const int vk = kKernelTable[static_cast<std::size_t>(code)];
    // The layout moves letters (AZERTY, Dvorak); a non-Latin layout keeps the key's place.
    if (IsLetterVk(vk)) {
        if (const int letter = LetterVk(stroke.keysym); letter != 0) {
            return letter;
        }
    }
    return vk;
}

struct FixedName {
    int vk;
    std::string_view name;
};

// Names that do not come from the key table: the modifiers by side, keys the mouse's usages
// name differently, and keys the table has no name for.
constexpr FixedName kFixedNames[] = {
    {19, "Pause"},       {44, "Print Screen"}, {91, "Windows"},       {92, "RWindows"},
    {93, "Application"}, {108, "Num Enter"},   {137, "\xEF\xBF\xA5"}, {144, "Num Lock"},
    {160, "Shift"},      {161, "RShift"},      {162, "Ctrl"},         {163, "RCtrl"},
    {164, "Alt"},        {165, "RAlt"},        {226, "<>"},
};

std::string NameOf(int vk) {
    for (const FixedName& fixed : kFixedNames) {
        if (fixed.vk == vk) {
            return std::string(fixed.name);
        }
    }
    return KeyNameOfVk(vk);
}

}  // namespace

InputEvent DecodeKey(const KeyStroke& stroke) {
    InputEvent event;
    event.kind = InputKind::Keyboard;
    event.action = stroke.release ? InputAction::Up : InputAction::Down;
    event.value = VkOf(stroke);
    if (event.value != 0) {
        event.name = NameOf(event.value);
    }
    return event;
}

std::string MouseButtonName(int mask) {
    switch (mask) {
        case kMaskLeft:
            return "LB";
        case kMaskRight:
            return "RB";
        case kMaskMiddle:
            return "MB";
        case kMaskBackward:
            return "Backward";
        case kMaskForward:
            return "Forward";
        default:
            return {};
    }
}

InputEvent DecodeMouseButton(int mask, bool release) {
    return {InputKind::Mouse, release ? InputAction::Up : InputAction::Down, mask,
            MouseButtonName(mask)};
}

InputEvent DecodeWheel(int delta) {
    if (delta > 0) {
        return {InputKind::Mouse, InputAction::WheelAway, kWheelAwayValue, "Scroll Up"};
    }
    return {InputKind::Mouse, InputAction::WheelTowards, kWheelTowardsValue, "Scroll Down"};
}

}  // namespace veltra
