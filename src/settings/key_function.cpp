#include "settings/key_function.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <utility>

#include "common/text.h"
#include "settings/key_codes.h"

namespace veltra {
namespace {

// One value of a type with a fixed device code. Rows are in the order of the page's function
// list; `listed` rows appear in that list, `described` rows give the picture text.
struct ValueRow {
    int value;
    int text_id;
    bool listed;
    bool described;
    std::uint8_t class_byte;
    std::uint8_t code;
};

constexpr bool kListed = true;
constexpr bool kDescribed = true;

constexpr ValueRow kMouseButtonRows[] = {
    {1, 150, kListed, kDescribed, 0x10, 0x01},
    {2, 151, kListed, kDescribed, 0x10, 0x02},
    {3, 152, kListed, kDescribed, 0x10, 0x04},
    {5, 153, kListed, kDescribed, 0x10, 0x10},
    {6, 154, kListed, kDescribed, 0x10, 0x08},
    {4, 155, kListed, kDescribed, 0x20, 0x01},
    // A device function whose text is whatever the description file gave it.
    {7, 236, kListed, !kDescribed, 0x30, 0x01},
    {8, 158, !kListed, kDescribed, 0x10, 0x00},
    {9, 159, !kListed, kDescribed, 0x10, 0x00},
    {10, 156, !kListed, kDescribed, 0x10, 0x00},
    {11, 157, !kListed, kDescribed, 0x10, 0x00},
};

// Consumer-page usages: class 0x90 OR the usage's high byte, code its low byte.
constexpr ValueRow kMultimediaRows[] = {
    {6, 165, kListed, kDescribed, 0x90, 0xE9},  // volume up
    {7, 166, kListed, kDescribed, 0x90, 0xEA},  // volume down
    {8, 167, kListed, kDescribed, 0x90, 0xE2},  // mute
    {1, 168, kListed, kDescribed, 0x91, 0x83},  // media player
    {2, 169, kListed, kDescribed, 0x90, 0xCD},  // play/pause
    {4, 170, kListed, kDescribed, 0x90, 0xB6},  // previous track
    {5, 171, kListed, kDescribed, 0x90, 0xB5},  // next track
    {3, 172, kListed, kDescribed, 0x90, 0xB7},  // stop
};

// Consumer usages, or keyboard usages in the key-combination form (0x50 OR modifier flags).
constexpr ValueRow kSystemShortcutRows[] = {
    {1, 175, kListed, kDescribed, 0x90, 0x6F},  // brightness up
    {2, 176, kListed, kDescribed, 0x90, 0x70},  // brightness down
    {3, 177, kListed, kDescribed, 0x91, 0x92},  // calculator
    {4, 178, kListed, kDescribed, 0x91, 0x94},  // my computer
    {5, 179, kListed, kDescribed, 0x92, 0x23},  // browser home
    {6, 180, kListed, kDescribed, 0x91, 0x8A},  // e-mail
    {7, 181, kListed, kDescribed, 0x51, 0x3E},  // Ctrl + F5
    {8, 182, kListed, kDescribed, 0x54, 0x2B},  // Alt + Tab
    {9, 35, kListed, kDescribed, 0x51, 0x06},   // Ctrl + C
    {11, 39, kListed, kDescribed, 0x51, 0x1B},  // Ctrl + X
    {10, 36, kListed, kDescribed, 0x51, 0x19},  // Ctrl + V
};

template <std::size_t N>
constexpr std::size_t CountListed(const ValueRow (&rows)[N]) {
    return static_cast<std::size_t>(std::count_if(std::begin(rows), std::end(rows),
                                                  [](const ValueRow& r) { return r.listed; }));
}

template <std::size_t M, std::size_t N>
constexpr std::array<FunctionListEntry, M> ListOf(const ValueRow (&rows)[N]) {
    std::array<FunctionListEntry, M> list{};
    std::size_t i = 0;
    for (const ValueRow& r : rows) {
        if (r.listed) {
            list[i++] = {r.value, r.text_id};
        }
    }
    return list;
}

constexpr auto kMouseButtonList = ListOf<CountListed(kMouseButtonRows)>(kMouseButtonRows);
constexpr auto kMultimediaList = ListOf<CountListed(kMultimediaRows)>(kMultimediaRows);
constexpr auto kSystemShortcutList = ListOf<CountListed(kSystemShortcutRows)>(kSystemShortcutRows);

constexpr FunctionListEntry kDeviceFunctionList[] = {{1, 195}, {2, 192}, {3, 193}};
constexpr FunctionListEntry kDeviceFunctionExtendedList[] = {
    {0, 201}, {1, 206}, {2, 203}, {3, 207}, {4, 202}};

constexpr FunctionListEntry kTypeList[] = {
    {static_cast<int>(KeyFunctionType::MouseButton), 130},
    {static_cast<int>(KeyFunctionType::DeviceFunction), 131},
    {static_cast<int>(KeyFunctionType::Multimedia), 132},
    {static_cast<int>(KeyFunctionType::KeyCombination), 133},
    {static_cast<int>(KeyFunctionType::SystemShortcut), 137},
    {static_cast<int>(KeyFunctionType::Disabled), 138},
};

constexpr FunctionListEntry kRapidFireKindList[] = {{kRapidFireMouseButton, 130},
                                                    {kRapidFireKey, 133}};
constexpr FunctionListEntry kRapidFireButtonList[] = {
    {1, 150}, {2, 151}, {3, 152}, {4, 153}, {5, 154}};

constexpr int kRapidFireText = 135;
constexpr int kDisabledText = 190;
constexpr int kDeviceCode06Text = 235;

// The encoder reads a rapid-fire key from the low byte of the value.
constexpr int kCodeSpaceOfKeys = 256;

// Key codes 0..4 default to these MouseButton values.
constexpr int kBuiltInDefaults[] = {1, 2, 3, 6, 5};

std::span<const ValueRow> RowsOf(KeyFunctionType type) {
    switch (type) {
        case KeyFunctionType::MouseButton:
            return kMouseButtonRows;
        case KeyFunctionType::Multimedia:
            return kMultimediaRows;
        case KeyFunctionType::SystemShortcut:
            return kSystemShortcutRows;
        default:
            return {};
    }
}

const ValueRow* FindRow(KeyFunctionType type, int value) {
    const auto rows = RowsOf(type);
    const auto it = std::find_if(rows.begin(), rows.end(),
                                 [value](const ValueRow& r) { return r.value == value; });
    return it == rows.end() ? nullptr : &*it;
}

std::uint8_t LowByte(int value) {
    return static_cast<std::uint8_t>(static_cast<unsigned>(value) & 0xFFu);
}

// The class byte holds Ctrl, Shift, Alt and Win in its low four bits; the right-hand modifiers
// (bits 16..128 of the HID modifier byte) take the bit of their left-hand twin so they never
// spill into the class nibble.
int ModifierNibble(int bits) {
    return (bits | (bits >> 4)) & 0x0F;
}

KeyFunctionCode EncodeKeyCombination(int usage, int flags) {
    constexpr std::uint8_t kKeyClass = 0x50;
    constexpr int kFirstModifier = 224;
    constexpr int kLastModifier = 231;
    if (flags == 0 && usage >= kFirstModifier && usage <= kLastModifier) {
        return {static_cast<std::uint8_t>(kKeyClass | ModifierNibble(ModifierBit(usage))), 0, 0, 0};
    }
    return {static_cast<std::uint8_t>(kKeyClass | ModifierNibble(flags)),
            LowByte(ModifierBit(usage)), 0, 0};
}

KeyFunctionCode EncodeRapidFire(const KeyFunction& function) {
    const int code = function.value & 0xFF;
    const bool mouse_button = function.value >= kRapidFireMouseButton * kRapidFireKindFactor &&
                              function.value < kRapidFireKey * kRapidFireKindFactor;
    if (mouse_button) {
        return {0x70, LowByte(code), LowByte(function.value3), LowByte(function.value2)};
    }
    return {0x71, LowByte(VkToUsage(code)), LowByte(function.value3), LowByte(function.value2)};
}

KeyFunctionCode CodeFromRow(KeyFunctionType type, int value) {
    if (const ValueRow* row = FindRow(type, value)) {
        return {row->class_byte, row->code, 0, 0};
    }
    return {};
}

std::string OutsideRange(std::string_view what, int value, int low, int high) {
    return std::string(what) + " " + std::to_string(value) + " is outside " + std::to_string(low) +
           ".." + std::to_string(high);
}

// `used` counts the leading fields (value, value2, value3) the type gives a meaning.
std::string CheckUnusedFields(const KeyFunction& function, int used) {
    if (used < 2 && function.value2 != 0) {
        return "value2 must be 0 for this function, not " + std::to_string(function.value2);
    }
    if (used < 3 && function.value3 != 0) {
        return "value3 must be 0 for this function, not " + std::to_string(function.value3);
    }
    return {};
}

std::string CheckListValue(const KeyFunction& function) {
    const auto list = KeyFunctionValueList(function.type);
    if (std::none_of(list.begin(), list.end(),
                     [&](const FunctionListEntry& e) { return e.value == function.value; })) {
        std::string offered;
        for (const FunctionListEntry& e : list) {
            offered += (offered.empty() ? "" : ", ") + std::to_string(e.value);
        }
        return "value " + std::to_string(function.value) + " is not offered (offered: " + offered +
               ")";
    }
    return CheckUnusedFields(function, 1);
}

std::string CheckKeyCombination(const KeyFunction& function) {
    if (function.value != 0 && !IsCapturableUsage(function.value)) {
        return "usage " + std::to_string(function.value) + " is no key a key field can capture";
    }
    constexpr int kAllModifiers = kModifierCtrl | kModifierShift | kModifierAlt | kModifierWin;
    if (function.value2 < 0 || function.value2 > kAllModifiers) {
        return OutsideRange("modifier flags", function.value2, 0, kAllModifiers);
    }
    if (function.value == 0 && function.value2 == 0) {
        return "neither a key nor a modifier";
    }
    return CheckUnusedFields(function, 2);
}

std::string CheckRapidFire(const KeyFunction& function) {
    constexpr int kButtons = static_cast<int>(std::size(kRapidFireButtonList));
    const int kind = function.value / kRapidFireKindFactor;
    const int code = function.value % kRapidFireKindFactor;
    if (function.value < 0 || (kind != kRapidFireMouseButton && kind != kRapidFireKey)) {
        return "value " + std::to_string(function.value) +
               " names neither a mouse button (kind 1) nor a key (kind 2)";
    }
    if (kind == kRapidFireMouseButton && (code < 1 || code > kButtons)) {
        return OutsideRange("rapid-fire button", code, 1, kButtons);
    }
    if (kind == kRapidFireKey && (code >= kCodeSpaceOfKeys || VkToUsage(code) == 0)) {
        return "virtual key " + std::to_string(code) + " has no key usage";
    }
    if (function.value3 < 1 || function.value3 > 255) {
        return OutsideRange("count", function.value3, 1, 255);
    }
    if (function.value2 < 1 || function.value2 > 255) {
        return OutsideRange("interval", function.value2, 1, 255);
    }
    return {};
}

}  // namespace

std::span<const FunctionListEntry> KeyFunctionTypeList() {
    return kTypeList;
}

std::span<const FunctionListEntry> KeyFunctionValueList(KeyFunctionType type) {
    switch (type) {
        case KeyFunctionType::MouseButton:
            return kMouseButtonList;
        case KeyFunctionType::Multimedia:
            return kMultimediaList;
        case KeyFunctionType::SystemShortcut:
            return kSystemShortcutList;
        case KeyFunctionType::DeviceFunction:
            return kDeviceFunctionList;
        case KeyFunctionType::DeviceFunctionExtended:
            return kDeviceFunctionExtendedList;
        default:
            return {};
    }
}

std::span<const FunctionListEntry> RapidFireKindList() {
    return kRapidFireKindList;
}

std::span<const FunctionListEntry> RapidFireButtonList() {
    return kRapidFireButtonList;
}

int KeyFunctionTextId(KeyFunctionType type, int value) {
    switch (type) {
        case KeyFunctionType::RapidFire:
            return kRapidFireText;
        case KeyFunctionType::Disabled:
            return kDisabledText;
        default:
            break;
    }
    const ValueRow* row = FindRow(type, value);
    return row != nullptr && row->described ? row->text_id : 0;
}

std::string MacroDisplayName(std::string_view name, const LangTextLookup& lang) {
    for (const std::string_view prefix : {std::string_view("自定义"), std::string_view("Custom")}) {
        if (name.starts_with(prefix)) {
            return lang(kCustomMacroText) + std::string(name.substr(prefix.size()));
        }
    }
    return std::string(name);
}

std::string DescribeKeyFunction(const KeyFunction& function, const LangTextLookup& lang) {
    if (function.type == KeyFunctionType::MacroFunction) {
        return MacroDisplayName(function.desc, lang);
    }
    const int text_id = KeyFunctionTextId(function.type, function.value);
    return text_id != 0 ? lang(text_id) : function.desc;
}

std::optional<int> BuiltInDefaultButton(int key_code) {
    if (key_code < 0 || key_code >= static_cast<int>(std::size(kBuiltInDefaults))) {
        return std::nullopt;
    }
    return kBuiltInDefaults[key_code];
}

KeyFunction FactoryKeyFunction(int func_type, int func_value, std::string func_desc) {
    return {static_cast<KeyFunctionType>(func_type), func_value, 0, 0, std::move(func_desc)};
}

std::string DescribeFactoryFunction(const KeyFunction& factory, const LangTextLookup& lang) {
    return lang(static_cast<int>(ParseDecimal(factory.desc)));
}

KeyFunction RestoredFactoryFunction(const KeyFunction& factory, const LangTextLookup& lang) {
    KeyFunction restored = factory;
    restored.desc = DescribeFactoryFunction(factory, lang);
    return restored;
}

MacroSlotTable::MacroSlotTable(const std::vector<int>& macro_ids)
    : ids_(macro_ids.begin(), macro_ids.begin() + std::min<std::ptrdiff_t>(
                                                      static_cast<std::ptrdiff_t>(macro_ids.size()),
                                                      kDirectorySlots)) {}

std::optional<int> MacroSlotTable::SlotOf(int macro_id) const {
    const auto it = std::find(ids_.begin(), ids_.end(), macro_id);
    if (it == ids_.end()) {
        return std::nullopt;
    }
    return static_cast<int>(it - ids_.begin());
}

KeyFunctionCode EncodeKeyFunction(int key_code, const KeyFunction& function,
                                  const MacroSlotTable& macro_slots) {
    switch (function.type) {
        case KeyFunctionType::MouseButton:
            if (BuiltInDefaultButton(key_code) == function.value) {
                return {};
            }
            return CodeFromRow(function.type, function.value);
        case KeyFunctionType::KeyCombination:
            return EncodeKeyCombination(function.value, function.value2);
        case KeyFunctionType::Multimedia:
            if (FindRow(function.type, function.value) == nullptr) {
                return {0x90, 0x00, 0, 0};
            }
            return CodeFromRow(function.type, function.value);
        case KeyFunctionType::SystemShortcut:
            return CodeFromRow(function.type, function.value);
        case KeyFunctionType::MacroFunction:
            // A macro that is not on the mouse must not play the one in slot 0: the button
            // keeps its own function.
            if (const std::optional<int> slot = macro_slots.SlotOf(function.value)) {
                return {0xFF, LowByte(*slot), 0, 0};
            }
            return {};
        case KeyFunctionType::DeviceFunction:
            return {0xD0, static_cast<std::uint8_t>(LowByte(function.value) - 1), 0, 0};
        case KeyFunctionType::DeviceCode12:
            return {0x12, LowByte(function.value), 0, 0};
        case KeyFunctionType::DeviceFunctionExtended:
            return {0xD0, LowByte(function.value), 0, 0};
        case KeyFunctionType::RapidFire:
            return EncodeRapidFire(function);
        case KeyFunctionType::Disabled:
            return {0x10, 0x00, 0, 0};
        case KeyFunctionType::DeviceCode06:
            return {0x06, 0x00, 0, 0};
    }
    return {};
}

KeyFunction MakeKeyCombination(bool ctrl, bool shift, bool alt, bool win, int captured_vk,
                               std::string_view key_name) {
    int flags = 0;
    std::string text;
    const auto add = [&text, &flags](bool checked, int flag, std::string_view name) {
        if (!checked) {
            return;
        }
        flags |= flag;
        text += text.empty() ? std::string(name) : "+ " + std::string(name);
    };
    add(shift, kModifierShift, "Shift");
    add(ctrl, kModifierCtrl, "Ctrl");
    add(win, kModifierWin, "Win");
    add(alt, kModifierAlt, "Alt");

    std::string desc;
    if (text.empty()) {
        desc = key_name;
    } else if (key_name.empty()) {
        desc = text;
    } else {
        desc = text + " + " + std::string(key_name);
    }
    return {KeyFunctionType::KeyCombination, VkToUsage(captured_vk), flags, 0, std::move(desc)};
}

KeyFunction MakeRapidFire(int kind, int button, int captured_vk, int count, int interval,
                          const LangTextLookup& lang) {
    const int value = kind == kRapidFireMouseButton ? button + kRapidFireKindFactor
                                                    : kind * kRapidFireKindFactor + captured_vk;
    return {KeyFunctionType::RapidFire, value, interval, count, lang(kRapidFireText)};
}

std::optional<KeyFunction> MakeListFunction(KeyFunctionType type, int value,
                                            const LangTextLookup& lang) {
    for (const FunctionListEntry& e : KeyFunctionValueList(type)) {
        if (e.value == value) {
            return KeyFunction{type, value, 0, 0, lang(e.text_id)};
        }
    }
    return std::nullopt;
}

std::optional<KeyFunction> MakeImmediateFunction(KeyFunctionType type, const LangTextLookup& lang) {
    switch (type) {
        case KeyFunctionType::Disabled:
            return KeyFunction{type, 1, 0, 0, lang(kDisabledText)};
        case KeyFunctionType::DeviceCode06:
            return KeyFunction{type, 1, 0, 0, lang(kDeviceCode06Text)};
        default:
            return std::nullopt;
    }
}

std::string CheckKeyFunction(const KeyFunction& function,
                             const std::function<bool(int macro_id)>& macro_exists) {
    switch (function.type) {
        case KeyFunctionType::MouseButton:
        case KeyFunctionType::Multimedia:
        case KeyFunctionType::SystemShortcut:
        case KeyFunctionType::DeviceFunction:
        case KeyFunctionType::DeviceFunctionExtended:
            return CheckListValue(function);
        case KeyFunctionType::KeyCombination:
            return CheckKeyCombination(function);
        case KeyFunctionType::MacroFunction:
            if (!macro_exists(function.value)) {
                return "macro " + std::to_string(function.value) + " is not stored";
            }
            return CheckUnusedFields(function, 1);
        case KeyFunctionType::RapidFire:
            return CheckRapidFire(function);
        case KeyFunctionType::Disabled:
        case KeyFunctionType::DeviceCode06:
            if (function.value != 1) {
                return "value must be 1, not " + std::to_string(function.value);
            }
            return CheckUnusedFields(function, 1);
        case KeyFunctionType::DeviceCode12:
            // The value travels as one byte.
            if (function.value < 0 || function.value > 255) {
                return OutsideRange("value", function.value, 0, 255);
            }
            return CheckUnusedFields(function, 1);
    }
    return "unknown function type " + std::to_string(static_cast<int>(function.type));
}

int CorrectRapidFireField(std::string_view text) {
    return static_cast<int>(std::clamp(ParseDecimal(text), 1L, 255L));
}

}  // namespace veltra
