#pragma once

// The function model of the mouse buttons: the kinds of function a button can perform, the
// value lists the buttons page offers for them, the text shown on the button picture, and the
// four-byte code the mouse receives for each button.
//
// Functions here take a KeyFunction (the function part of a stored key assignment row) and,
// where the rule depends on the button, its key code. Texts are language text ids resolved
// through a caller-supplied lookup, so this module stays free of the language files.

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace veltra {

// Stored as macro_type. Rows may hold values outside the enumerators (imported profiles,
// description files); those encode as all zero and describe as their stored text.
enum class KeyFunctionType : int {
    MouseButton = 1,
    KeyCombination = 2,
    Multimedia = 3,
    MacroFunction = 4,
    DeviceFunction = 5,
    DeviceCode12 = 6,
    DeviceFunctionExtended = 7,
    RapidFire = 8,
    SystemShortcut = 9,
    Disabled = 10,
    DeviceCode06 = 11,
};

// KeyCombination modifier flags (macro_value2).
enum ModifierFlags : int {
    kModifierCtrl = 1,
    kModifierShift = 2,
    kModifierAlt = 4,
    kModifierWin = 8,
};

// RapidFire kinds: macro_value = kind * kRapidFireKindFactor + code.
inline constexpr int kRapidFireMouseButton = 1;
inline constexpr int kRapidFireKey = 2;
inline constexpr int kRapidFireKindFactor = 1024;

// The function part of a key assignment: macro_type, macro_value, macro_value2, macro_value3
// and macro_desc of the same row.
struct KeyFunction {
    KeyFunctionType type = KeyFunctionType::MouseButton;
    int value = 0;
    int value2 = 0;
    int value3 = 0;
    std::string desc;

    bool operator==(const KeyFunction&) const = default;
};

// What the mouse receives for one button: class byte, code byte and two parameter bytes (only
// RapidFire uses the parameters: count, interval).
struct KeyFunctionCode {
    std::uint8_t class_byte = 0;
    std::uint8_t code = 0;
    std::uint8_t param1 = 0;
    std::uint8_t param2 = 0;

    bool operator==(const KeyFunctionCode&) const = default;
};

// Language text lookup by id (GetLangText of the language files).
using LangTextLookup = std::function<std::string(int)>;

// One entry of a list on the buttons page: the item data and its language text id.
struct FunctionListEntry {
    int value;
    int text_id;
};

// The type list of the buttons page, in order; value is the KeyFunctionType.
std::span<const FunctionListEntry> KeyFunctionTypeList();

// The function list offered for a type, in list order: MouseButton, Multimedia, DeviceFunction,
// DeviceFunctionExtended and SystemShortcut have one; every other type an empty list.
std::span<const FunctionListEntry> KeyFunctionValueList(KeyFunctionType type);

// The rapid-fire kind list and the rapid-fire mouse button list, in order.
std::span<const FunctionListEntry> RapidFireKindList();
std::span<const FunctionListEntry> RapidFireButtonList();

// The language text describing (type, value) on the button picture; 0 when the value has none
// and the stored description stands (MouseButton 7, values outside the tables, other types).
int KeyFunctionTextId(KeyFunctionType type, int value);

// The text shown on the button picture for a stored function.
std::string DescribeKeyFunction(const KeyFunction& function, const LangTextLookup& lang);

// The language text new macro names start with ("Custom").
inline constexpr int kCustomMacroText = 351;

// A stored macro name as lists and the picture show it: a leading "自定义" or "Custom" becomes
// language text 351.
std::string MacroDisplayName(std::string_view name, const LangTextLookup& lang);

// Built-in default of key codes 0..4 (left, right, middle, backward, forward): the MouseButton
// value the button has without any stored or factory assignment; nullopt for other key codes.
std::optional<int> BuiltInDefaultButton(int key_code);

// The factory function of a button from its description-file entry (func_type, func_value,
// func_desc as decimal digits of a language id). desc keeps the digits.
KeyFunction FactoryKeyFunction(int func_type, int func_value, std::string func_desc);

// The text of a factory function: the language text named by the digits in its desc.
std::string DescribeFactoryFunction(const KeyFunction& factory, const LangTextLookup& lang);

// The row restoring a button to its factory function stores the language text itself.
KeyFunction RestoredFactoryFunction(const KeyFunction& factory, const LangTextLookup& lang);

// Slot numbers of the macros on the mouse. The macro upload writes the macros in store order,
// one directory entry each, so the n-th stored macro (counting from 0) is slot n. Only the
// directory's entries exist on the mouse; later macros have no slot.
class MacroSlotTable {
  public:
    static constexpr int kDirectorySlots = 32;

    MacroSlotTable() = default;
    // macro_ids in store order, as LoadMacros returns them.
    explicit MacroSlotTable(const std::vector<int>& macro_ids);

    // The slot of the macro, or nullopt when it is not on the mouse.
    std::optional<int> SlotOf(int macro_id) const;

  private:
    std::vector<int> ids_;
};

// The code the mouse receives for a button (key_code) carrying the function.
KeyFunctionCode EncodeKeyFunction(int key_code, const KeyFunction& function,
                                  const MacroSlotTable& macro_slots);

// A KeyCombination as the key field builds it: modifiers from the check boxes, the captured
// virtual key (0 = none) and its shown name. The description lists Shift, Ctrl, Win, Alt in that
// order ("Shift+ Ctrl"), then " + " and the key name.
KeyFunction MakeKeyCombination(bool ctrl, bool shift, bool alt, bool win, int captured_vk,
                               std::string_view key_name);

// A RapidFire function: kind 1 with a rapid-fire button value (1..5), otherwise the captured
// virtual key; count and interval as the page's fields hold them (1..255).
KeyFunction MakeRapidFire(int kind, int button, int captured_vk, int count, int interval,
                          const LangTextLookup& lang);

// The row the function list stores for (type, value): the entry's shown text is the
// description. Nullopt when the type's list offers no such value.
std::optional<KeyFunction> MakeListFunction(KeyFunctionType type, int value,
                                            const LangTextLookup& lang);

// The rows Disabled and DeviceCode06 store as soon as they are chosen; nullopt for other types.
std::optional<KeyFunction> MakeImmediateFunction(KeyFunctionType type, const LangTextLookup& lang);

// Whether a new assignment may give a button the function: empty when it may, else a short
// English reason. The values must be ones the page's lists and controls can produce (MouseButton
// 8..11 only describe rows of description files: they send no button at all), fields the type
// does not use must be 0, and a macro must be stored. Factory functions and imported rows are
// taken as they come and are not held to this.
std::string CheckKeyFunction(const KeyFunction& function,
                             const std::function<bool(int macro_id)>& macro_exists);

// The correction of the rapid-fire count and interval fields: a number below 1 or no number at
// all gives 1, above 255 gives 255.
int CorrectRapidFireField(std::string_view text);

}  // namespace veltra
