#include "settings/key_codes.h"

#include <array>
#include <cstdint>

#include "common/text.h"

namespace veltra {
namespace {

struct KeyPair {
    int vk;
    int usage;
};

// Pairs that translate both ways.
constexpr KeyPair kTwoWay[] = {
    // Letters, digits 1..9, F1..F12 and keypad 1..9 come from kTwoWayRanges.
    {48, 39},                                                  // 0
    {13, 40},   {27, 41},   {8, 42},    {9, 43},   {32, 44},   // Enter Esc Backspace Tab Space
    {189, 45},  {187, 46},  {219, 47},  {221, 48}, {220, 49},  // - = [ ] backslash
    {186, 51},  {222, 52},  {192, 53},  {188, 54}, {190, 55},  // ; ' ` , .
    {191, 56},  {20, 57},                                      // / Caps Lock
    {44, 70},   {145, 71},  {19, 72},                          // Print Screen, Scroll Lock, Pause
    {45, 73},   {36, 74},   {33, 75},   {46, 76},  {35, 77},   // Insert Home PgUp Delete End
    {34, 78},   {39, 79},   {37, 80},   {40, 81},  {38, 82},   // PgDn Right Left Down Up
    {144, 83},  {111, 84},  {106, 85},  {109, 86}, {107, 87},  // Num Lock, keypad / * - +
    {108, 88},  {96, 98},   {110, 99},  {93, 101},             // keypad Enter 0 decimal, Menu
    {162, 224}, {160, 225}, {164, 226}, {91, 227},             // left Ctrl Shift Alt Win
    {163, 228}, {161, 229}, {165, 230}, {92, 231},             // right Ctrl Shift Alt Win
};

// Virtual key to usage only: the way back is either missing or leads elsewhere.
constexpr KeyPair kVkOnly[] = {
    {666, 50},  {226, 100}, {136, 136}, {137, 137}, {138, 138},
    {139, 139}, {254, 175}, {301, 236}, {302, 235},
};

// Usage to virtual key only.
constexpr KeyPair kUsageOnly[] = {
    {250, 175}, {175, 209}, {174, 210}, {173, 211}, {183, 212},
};

struct Range {
    int first_vk;
    int first_usage;
    int count;
};

constexpr Range kTwoWayRanges[] = {
    {65, 4, 26},    // letters
    {49, 30, 9},    // digits 1..9
    {112, 58, 12},  // F1..F12
    {97, 89, 9},    // keypad 1..9
};

constexpr Range kVkOnlyRanges[] = {
    {124, 104, 12},  // F13..F24
};

// Virtual-key codes above 255 (the program's own 666, 301, 302) are looked up in kVkOnly.
constexpr int kCodeSpace = 256;

struct Tables {
    std::array<std::uint8_t, kCodeSpace> vk_to_usage{};
    std::array<std::uint8_t, kCodeSpace> usage_to_vk{};
};

constexpr void SetVk(Tables& t, int vk, int usage) {
    if (vk < kCodeSpace) {
        t.vk_to_usage[vk] = static_cast<std::uint8_t>(usage);
    }
}

constexpr Tables BuildTables() {
    Tables t{};
    for (const Range& r : kTwoWayRanges) {
        for (int i = 0; i < r.count; ++i) {
            SetVk(t, r.first_vk + i, r.first_usage + i);
            t.usage_to_vk[r.first_usage + i] = static_cast<std::uint8_t>(r.first_vk + i);
        }
    }
    for (const Range& r : kVkOnlyRanges) {
        for (int i = 0; i < r.count; ++i) {
            SetVk(t, r.first_vk + i, r.first_usage + i);
        }
    }
    for (const KeyPair& p : kTwoWay) {
        SetVk(t, p.vk, p.usage);
        t.usage_to_vk[p.usage] = static_cast<std::uint8_t>(p.vk);
    }
    for (const KeyPair& p : kVkOnly) {
        SetVk(t, p.vk, p.usage);
    }
    for (const KeyPair& p : kUsageOnly) {
        t.usage_to_vk[p.usage] = static_cast<std::uint8_t>(p.vk);
    }
    return t;
}

constexpr Tables kTables = BuildTables();

constexpr int kLastLetter = 29;
constexpr int kFirstFunctionKey = 58;
constexpr int kLastFunctionKey = 69;
constexpr int kFirstKeypadDigit = 89;
constexpr int kLastKeypadDigit = 97;

struct KeyName {
    int usage;
    const char* name;
};

// Names that do not follow from a range.
constexpr KeyName kFixedNames[] = {
    {39, "0"},
    {40, "Enter"},
    {41, "Esc"},
    {42, "Backspace"},
    {43, "Tab"},
    {44, "Space"},
    {45, "-"},
    {46, "="},
    {47, "["},
    {48, "]"},
    {49, "\\"},
    {51, ";"},
    {52, "'"},
    {53, "`"},
    {54, ","},
    {55, "."},
    {56, "/"},
    {57, "Caps Lock"},
    {70, "Print Screen"},
    {71, "Scrlk"},
    {72, "Pause"},
    {73, "Insert"},
    {74, "Home"},
    {75, "Page Up"},
    {76, "Delete"},
    {77, "End"},
    {78, "Page Down"},
    {79, "Right"},
    {80, "Left"},
    {81, "Down"},
    {82, "Up"},
    {83, "Num Lock"},
    {84, "Num /"},
    {85, "Num *"},
    {86, "Num -"},
    {87, "Num +"},
    {88, "Num Enter"},
    {98, "Num 0"},
    {99, "Num Del"},
    {101, "Menu"},
    {175, "Fn"},
    {224, "Ctrl"},
    {225, "Shift"},
    {226, "Alt"},
    {227, "Windows"},
    {228, "Ctrl"},
    {229, "Shift"},
    {230, "Alt"},
};

// Names key capture gives keys that KeyNameTable leaves unnamed or names differently.
struct CaptureName {
    const char* name;
    int vk;
};

constexpr CaptureName kCaptureNames[] = {
    {"RWindows", 92}, {"RShift", 161}, {"RCtrl", 163}, {"RAlt", 165}, {"Application", 93},
};

constexpr int kFirstHighFunctionKey = 13;  // F13 .. F24 are virtual keys 124 .. 135
constexpr int kLastHighFunctionKey = 24;
constexpr int kF13Vk = 124;

}  // namespace

int VkToUsage(int vk) {
    if (vk >= 0 && vk < kCodeSpace) {
        return kTables.vk_to_usage[vk];
    }
    for (const KeyPair& p : kVkOnly) {
        if (p.vk == vk) {
            return p.usage;
        }
    }
    return 0;
}

int UsageToVk(int usage) {
    if (usage < 0 || usage >= kCodeSpace) {
        return 0;
    }
    return kTables.usage_to_vk[usage];
}

int ModifierBit(int usage) {
    if (usage >= 224 && usage <= 231) {
        return 1 << (usage - 224);
    }
    return usage;
}

std::string KeyNameTable(int usage) {
    if (usage >= 4 && usage <= kLastLetter) {
        return std::string(1, static_cast<char>('A' + usage - 4));
    }
    if (usage >= 30 && usage <= 38) {
        return std::string(1, static_cast<char>('1' + usage - 30));
    }
    if (usage >= kFirstFunctionKey && usage <= kLastFunctionKey) {
        return "F" + std::to_string(usage - kFirstFunctionKey + 1);
    }
    if (usage >= kFirstKeypadDigit && usage <= kLastKeypadDigit) {
        return "Num " + std::to_string(usage - kFirstKeypadDigit + 1);
    }
    for (const KeyName& k : kFixedNames) {
        if (k.usage == usage) {
            return k.name;
        }
    }
    return {};
}

bool IsCapturableUsage(int usage) {
    if (usage <= 0) {
        return false;
    }
    for (const std::uint8_t produced : kTables.vk_to_usage) {
        if (produced == usage) {
            return true;
        }
    }
    for (const KeyPair& p : kVkOnly) {
        if (p.usage == usage) {
            return true;
        }
    }
    return false;
}

int VkFromKeyName(std::string_view name) {
    if (name.empty()) {
        return 0;
    }
    for (const CaptureName& c : kCaptureNames) {
        if (EqualsIgnoreAsciiCase(c.name, name)) {
            return c.vk;
        }
    }
    for (int n = kFirstHighFunctionKey; n <= kLastHighFunctionKey; ++n) {
        if (EqualsIgnoreAsciiCase("F" + std::to_string(n), name)) {
            return kF13Vk + n - kFirstHighFunctionKey;
        }
    }
    // Ascending usages: the left-hand modifiers come before their right-hand namesakes.
    for (int usage = 1; usage < kCodeSpace; ++usage) {
        if (!EqualsIgnoreAsciiCase(KeyNameTable(usage), name)) {
            continue;
        }
        if (const int vk = UsageToVk(usage); VkToUsage(vk) == usage) {
            return vk;
        }
        // "Fn": its way back leads to a media key, so look for the key that produces it.
        for (int vk = 1; vk < kCodeSpace; ++vk) {
            if (VkToUsage(vk) == usage) {
                return vk;
            }
        }
    }
    return 0;
}

std::string KeyNameOfVk(int vk) {
    if (std::string name = KeyNameTable(VkToUsage(vk)); !name.empty()) {
        return name;
    }
    for (const CaptureName& c : kCaptureNames) {
        if (c.vk == vk) {
            return c.name;
        }
    }
    if (vk >= kF13Vk && vk <= kF13Vk + kLastHighFunctionKey - kFirstHighFunctionKey) {
        return "F" + std::to_string(vk - kF13Vk + kFirstHighFunctionKey);
    }
    return {};
}

}  // namespace veltra
