#include "settings/key_function.h"

#include <gtest/gtest.h>

#include <climits>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "settings/key_codes.h"

namespace veltra {

// Readable failures for the four code bytes.
void PrintTo(const KeyFunctionCode& c, std::ostream* os) {
    *os << std::hex << "{" << int{c.class_byte} << " " << int{c.code} << " " << int{c.param1} << " "
        << int{c.param2} << "}";
}

namespace {

std::string FakeText(int id) {
    return "T" + std::to_string(id);
}

const LangTextLookup kLang = FakeText;

KeyFunction Fn(KeyFunctionType type, int value, int value2 = 0, int value3 = 0,
               std::string desc = {}) {
    return {type, value, value2, value3, std::move(desc)};
}

KeyFunctionCode Code(int class_byte, int code, int param1 = 0, int param2 = 0) {
    return {static_cast<std::uint8_t>(class_byte), static_cast<std::uint8_t>(code),
            static_cast<std::uint8_t>(param1), static_cast<std::uint8_t>(param2)};
}

KeyFunctionCode Encode(int key_code, const KeyFunction& function,
                       const MacroSlotTable& slots = MacroSlotTable()) {
    return EncodeKeyFunction(key_code, function, slots);
}

TEST(KeyFunctionEncode, BuiltInClickStaysFactoryOnlyOnItsOwnButton) {
    EXPECT_EQ(Encode(0, Fn(KeyFunctionType::MouseButton, 1)), Code(0, 0));
    EXPECT_EQ(Encode(2, Fn(KeyFunctionType::MouseButton, 1)), Code(0x10, 0x01));
    EXPECT_EQ(Encode(3, Fn(KeyFunctionType::MouseButton, 6)), Code(0, 0));
    EXPECT_EQ(Encode(4, Fn(KeyFunctionType::MouseButton, 6)), Code(0x10, 0x08));
    EXPECT_EQ(Encode(4, Fn(KeyFunctionType::MouseButton, 5)), Code(0, 0));
    EXPECT_EQ(Encode(5, Fn(KeyFunctionType::MouseButton, 5)), Code(0x10, 0x10));
}

TEST(KeyFunctionEncode, MouseButtonDeviceCodes) {
    EXPECT_EQ(Encode(5, Fn(KeyFunctionType::MouseButton, 2)), Code(0x10, 0x02));
    EXPECT_EQ(Encode(5, Fn(KeyFunctionType::MouseButton, 3)), Code(0x10, 0x04));
    EXPECT_EQ(Encode(5, Fn(KeyFunctionType::MouseButton, 4)), Code(0x20, 0x01));
    EXPECT_EQ(Encode(5, Fn(KeyFunctionType::MouseButton, 7)), Code(0x30, 0x01));
    EXPECT_EQ(Encode(5, Fn(KeyFunctionType::MouseButton, 10)), Code(0x10, 0x00));
    EXPECT_EQ(Encode(5, Fn(KeyFunctionType::MouseButton, 12)), Code(0, 0));
}

TEST(KeyFunctionEncode, KeyCombinationsFromTheKeyField) {
    const KeyFunction ctrl_win_alt_a = MakeKeyCombination(true, false, true, true, 'A', "A");
    EXPECT_EQ(ctrl_win_alt_a.value, 4);
    EXPECT_EQ(ctrl_win_alt_a.value2, 13);
    EXPECT_EQ(ctrl_win_alt_a.desc, "Ctrl+ Win+ Alt + A");
    EXPECT_EQ(Encode(5, ctrl_win_alt_a), Code(0x5D, 0x04));

    const KeyFunction shift_alone = MakeKeyCombination(false, true, false, false, 0, "");
    EXPECT_EQ(shift_alone.value, 0);
    EXPECT_EQ(shift_alone.value2, 2);
    EXPECT_EQ(shift_alone.desc, "Shift");
    EXPECT_EQ(Encode(5, shift_alone), Code(0x52, 0x00));

    const KeyFunction left_win = MakeKeyCombination(false, false, false, false, 91, "Windows");
    EXPECT_EQ(left_win.value, 227);
    EXPECT_EQ(left_win.desc, "Windows");
    EXPECT_EQ(Encode(5, left_win), Code(0x58, 0x00));

    const KeyFunction ctrl_left_win = MakeKeyCombination(true, false, false, false, 91, "Windows");
    EXPECT_EQ(ctrl_left_win.desc, "Ctrl + Windows");
    EXPECT_EQ(Encode(5, ctrl_left_win), Code(0x51, 0x08));

    EXPECT_EQ(MakeKeyCombination(true, true, false, false, 0, "").desc, "Shift+ Ctrl");
    const KeyFunction nothing = MakeKeyCombination(false, false, false, false, 0, "");
    EXPECT_EQ(nothing.value, 0);
    EXPECT_EQ(nothing.value2, 0);
    EXPECT_EQ(nothing.desc, "");
}

TEST(KeyFunctionEncode, RightHandModifiersKeepToTheModifierBits) {
    // Right Windows alone must not become the device-function class 0xD0, nor right Shift the
    // rapid-fire class 0x70; they take the bit of their left-hand twin.
    EXPECT_EQ(Encode(5, Fn(KeyFunctionType::KeyCombination, 231)), Code(0x58, 0x00));
    EXPECT_EQ(Encode(5, Fn(KeyFunctionType::KeyCombination, 229)), Code(0x52, 0x00));
    EXPECT_EQ(Encode(5, Fn(KeyFunctionType::KeyCombination, 228)), Code(0x51, 0x00));
    EXPECT_EQ(Encode(5, Fn(KeyFunctionType::KeyCombination, 230)), Code(0x54, 0x00));
    // Flags from an imported profile beyond the four modifiers stay inside the class nibble.
    EXPECT_EQ(Encode(5, Fn(KeyFunctionType::KeyCombination, 4, 0x20)), Code(0x52, 0x04));
}

TEST(KeyFunctionEncode, RapidFireButtonsAndKeys) {
    const KeyFunction right =
        MakeRapidFire(kRapidFireMouseButton, 2, 0, CorrectRapidFireField("300"), 10, kLang);
    EXPECT_EQ(right.value, 1026);
    EXPECT_EQ(right.desc, "T135");
    EXPECT_EQ(Encode(5, right), Code(0x70, 0x02, 255, 10));

    const KeyFunction z = MakeRapidFire(kRapidFireKey, 0, 'Z', 3, 40, kLang);
    EXPECT_EQ(z.value, 2138);
    EXPECT_EQ(Encode(5, z), Code(0x71, 0x1D, 3, 40));

    // A stored value outside kind 1 is read as a key whatever its kind.
    EXPECT_EQ(Encode(5, Fn(KeyFunctionType::RapidFire, 3 * 1024 + 'A', 1, 1)),
              Code(0x71, 0x04, 1, 1));
    EXPECT_EQ(Encode(5, Fn(KeyFunctionType::RapidFire, 2047, 300, 256)), Code(0x70, 0xFF, 0, 44));
    // The kind boundaries: 1024 is the first mouse-button value, 2048 the first key value.
    EXPECT_EQ(Encode(5, Fn(KeyFunctionType::RapidFire, 1024, 5, 6)), Code(0x70, 0x00, 6, 5));
    EXPECT_EQ(Encode(5, Fn(KeyFunctionType::RapidFire, 1023, 5, 6)).class_byte, 0x71);
    EXPECT_EQ(Encode(5, Fn(KeyFunctionType::RapidFire, 2048, 5, 6)).class_byte, 0x71);
}

TEST(KeyFunctionEncode, RapidFireFieldCorrection) {
    EXPECT_EQ(CorrectRapidFireField("300"), 255);
    EXPECT_EQ(CorrectRapidFireField("255"), 255);
    EXPECT_EQ(CorrectRapidFireField("1"), 1);
    EXPECT_EQ(CorrectRapidFireField("0"), 1);
    EXPECT_EQ(CorrectRapidFireField("-7"), 1);
    EXPECT_EQ(CorrectRapidFireField("abc"), 1);
    EXPECT_EQ(CorrectRapidFireField(""), 1);
    EXPECT_EQ(CorrectRapidFireField("12x"), 12);
    EXPECT_EQ(CorrectRapidFireField("99999999999999999999999"), 255);
}

TEST(KeyFunctionEncode, MacroCodeNamesTheUploadSlot) {
    const MacroSlotTable slots(std::vector<int>{42, 7, 19});
    // Not on the mouse: the button's own function, never another macro's slot 0.
    EXPECT_EQ(Encode(5, Fn(KeyFunctionType::MacroFunction, 42)), Code(0, 0));
    EXPECT_EQ(Encode(5, Fn(KeyFunctionType::MacroFunction, 19), slots), Code(0xFF, 2));
    EXPECT_EQ(Encode(5, Fn(KeyFunctionType::MacroFunction, 7), slots), Code(0xFF, 1));
    // Deleted macro.
    EXPECT_EQ(Encode(5, Fn(KeyFunctionType::MacroFunction, 99), slots), Code(0, 0));
    EXPECT_FALSE(slots.SlotOf(99).has_value());
    EXPECT_EQ(slots.SlotOf(42), 0);
}

TEST(KeyFunctionEncode, MacrosBeyondTheDirectoryHaveNoSlot) {
    std::vector<int> ids;
    for (int id = 100; id < 100 + MacroSlotTable::kDirectorySlots + 3; ++id) {
        ids.push_back(id);
    }
    const MacroSlotTable slots(ids);
    EXPECT_EQ(slots.SlotOf(100 + MacroSlotTable::kDirectorySlots - 1), 31);
    EXPECT_FALSE(slots.SlotOf(100 + MacroSlotTable::kDirectorySlots).has_value());
}

TEST(KeyFunctionEncode, EveryOtherType) {
    EXPECT_EQ(Encode(5, Fn(KeyFunctionType::Multimedia, 1)), Code(0x91, 0x83));
    EXPECT_EQ(Encode(5, Fn(KeyFunctionType::Multimedia, 6)), Code(0x90, 0xE9));
    EXPECT_EQ(Encode(5, Fn(KeyFunctionType::Multimedia, 9)), Code(0x90, 0x00));
    EXPECT_EQ(Encode(5, Fn(KeyFunctionType::SystemShortcut, 5)), Code(0x92, 0x23));
    EXPECT_EQ(Encode(5, Fn(KeyFunctionType::SystemShortcut, 8)), Code(0x54, 0x2B));
    EXPECT_EQ(Encode(5, Fn(KeyFunctionType::SystemShortcut, 12)), Code(0, 0));
    EXPECT_EQ(Encode(5, Fn(KeyFunctionType::DeviceFunction, 1)), Code(0xD0, 0x00));
    EXPECT_EQ(Encode(5, Fn(KeyFunctionType::DeviceFunction, 3)), Code(0xD0, 0x02));
    EXPECT_EQ(Encode(5, Fn(KeyFunctionType::DeviceFunction, 0)), Code(0xD0, 0xFF));
    EXPECT_EQ(Encode(5, Fn(KeyFunctionType::DeviceFunction, INT_MIN)), Code(0xD0, 0xFF));
    EXPECT_EQ(Encode(5, Fn(KeyFunctionType::DeviceCode12, 300)), Code(0x12, 0x2C));
    EXPECT_EQ(Encode(5, Fn(KeyFunctionType::DeviceFunctionExtended, 4)), Code(0xD0, 0x04));
    EXPECT_EQ(Encode(5, Fn(KeyFunctionType::Disabled, 1)), Code(0x10, 0x00));
    EXPECT_EQ(Encode(5, Fn(KeyFunctionType::DeviceCode06, 1)), Code(0x06, 0x00));
    EXPECT_EQ(Encode(5, Fn(static_cast<KeyFunctionType>(12), 1)), Code(0, 0));
    EXPECT_EQ(Encode(5, Fn(static_cast<KeyFunctionType>(-3), 1)), Code(0, 0));
}

TEST(KeyFunctionEncode, SystemShortcutKeysAgreeWithTheKeyTables) {
    // Ctrl+F5, Alt+Tab, Ctrl+C, Ctrl+X, Ctrl+V in the key-combination form.
    const struct {
        int value;
        bool ctrl;
        int vk;
    } shortcuts[] = {
        {7, true, 116}, {8, false, 9}, {9, true, 'C'}, {11, true, 'X'}, {10, true, 'V'}};
    for (const auto& s : shortcuts) {
        const KeyFunction combination = MakeKeyCombination(s.ctrl, false, !s.ctrl, false, s.vk, "");
        EXPECT_EQ(Encode(5, Fn(KeyFunctionType::SystemShortcut, s.value)), Encode(5, combination))
            << s.value;
    }
}

TEST(KeyFunctionDescribe, EveryKind) {
    EXPECT_EQ(DescribeKeyFunction(Fn(KeyFunctionType::MouseButton, 5, 0, 0, "old"), kLang), "T153");
    EXPECT_EQ(DescribeKeyFunction(Fn(KeyFunctionType::MouseButton, 10, 0, 0, "old"), kLang),
              "T156");
    EXPECT_EQ(DescribeKeyFunction(Fn(KeyFunctionType::MouseButton, 7, 0, 0, "dpi"), kLang), "dpi");
    EXPECT_EQ(DescribeKeyFunction(Fn(KeyFunctionType::MouseButton, 40, 0, 0, "odd"), kLang), "odd");
    EXPECT_EQ(DescribeKeyFunction(Fn(KeyFunctionType::Multimedia, 3, 0, 0, "x"), kLang), "T172");
    EXPECT_EQ(DescribeKeyFunction(Fn(KeyFunctionType::Multimedia, 0, 0, 0, "x"), kLang), "x");
    EXPECT_EQ(DescribeKeyFunction(Fn(KeyFunctionType::SystemShortcut, 11, 0, 0, "x"), kLang),
              "T39");
    EXPECT_EQ(DescribeKeyFunction(Fn(KeyFunctionType::KeyCombination, 4, 1, 0, "Ctrl + A"), kLang),
              "Ctrl + A");
    EXPECT_EQ(DescribeKeyFunction(Fn(KeyFunctionType::RapidFire, 1026, 10, 1, "x"), kLang), "T135");
    EXPECT_EQ(DescribeKeyFunction(Fn(KeyFunctionType::Disabled, 1, 0, 0, "x"), kLang), "T190");
    for (KeyFunctionType stored :
         {KeyFunctionType::DeviceFunction, KeyFunctionType::DeviceCode12,
          KeyFunctionType::DeviceFunctionExtended, KeyFunctionType::DeviceCode06,
          static_cast<KeyFunctionType>(77)}) {
        EXPECT_EQ(DescribeKeyFunction(Fn(stored, 1, 0, 0, "as stored"), kLang), "as stored");
    }
}

TEST(KeyFunctionDescribe, MacroDisplayNames) {
    const auto macro = [](std::string desc) {
        return DescribeKeyFunction(Fn(KeyFunctionType::MacroFunction, 3, 0, 0, std::move(desc)),
                                   kLang);
    };
    EXPECT_EQ(macro("Custom3"), "T3513");
    EXPECT_EQ(macro("自定义12"), "T35112");
    EXPECT_EQ(macro("Custom"), "T351");
    EXPECT_EQ(macro("custom1"), "custom1");
    EXPECT_EQ(macro("My Custom"), "My Custom");
    EXPECT_EQ(macro("自定"), "自定");
    EXPECT_EQ(macro(""), "");
}

TEST(KeyFunctionDescribe, ListedValuesDescribeAsTheirListText) {
    for (KeyFunctionType type : {KeyFunctionType::MouseButton, KeyFunctionType::Multimedia,
                                 KeyFunctionType::SystemShortcut}) {
        for (const FunctionListEntry& entry : KeyFunctionValueList(type)) {
            const KeyFunction fn = Fn(type, entry.value, 0, 0, "stored");
            const std::string expected = type == KeyFunctionType::MouseButton && entry.value == 7
                                             ? "stored"
                                             : FakeText(entry.text_id);
            EXPECT_EQ(DescribeKeyFunction(fn, kLang), expected)
                << static_cast<int>(type) << "/" << entry.value;
            EXPECT_NE(Encode(5, fn), Code(0, 0)) << static_cast<int>(type) << "/" << entry.value;
        }
    }
}

TEST(KeyFunctionLists, PageListsInOrder) {
    std::vector<int> types;
    for (const FunctionListEntry& e : KeyFunctionTypeList()) {
        types.push_back(e.value);
    }
    EXPECT_EQ(types, (std::vector<int>{1, 5, 3, 2, 9, 10}));

    std::vector<int> buttons;
    for (const FunctionListEntry& e : KeyFunctionValueList(KeyFunctionType::MouseButton)) {
        buttons.push_back(e.value);
    }
    EXPECT_EQ(buttons, (std::vector<int>{1, 2, 3, 5, 6, 4, 7}));
    EXPECT_EQ(KeyFunctionValueList(KeyFunctionType::Multimedia).size(), 8u);
    EXPECT_EQ(KeyFunctionValueList(KeyFunctionType::SystemShortcut).size(), 11u);
    EXPECT_EQ(KeyFunctionValueList(KeyFunctionType::DeviceFunctionExtended).front().value, 0);
    EXPECT_TRUE(KeyFunctionValueList(KeyFunctionType::KeyCombination).empty());
    EXPECT_TRUE(KeyFunctionValueList(KeyFunctionType::MacroFunction).empty());
}

TEST(KeyFunctionFactory, DefaultsAndDescriptionFileEntries) {
    const int expected[] = {1, 2, 3, 6, 5};
    for (int key_code = 0; key_code < 5; ++key_code) {
        EXPECT_EQ(BuiltInDefaultButton(key_code), expected[key_code]);
    }
    EXPECT_FALSE(BuiltInDefaultButton(5).has_value());
    EXPECT_FALSE(BuiltInDefaultButton(-1).has_value());

    const KeyFunction factory = FactoryKeyFunction(5, 2, "192");
    EXPECT_EQ(factory.type, KeyFunctionType::DeviceFunction);
    EXPECT_EQ(factory.desc, "192");
    EXPECT_EQ(DescribeFactoryFunction(factory, kLang), "T192");
    EXPECT_EQ(RestoredFactoryFunction(factory, kLang),
              Fn(KeyFunctionType::DeviceFunction, 2, 0, 0, "T192"));
    EXPECT_EQ(DescribeFactoryFunction(FactoryKeyFunction(1, 1, "abc"), kLang), "T0");
}

TEST(KeyFunctionEncode, HostileStoredValuesStayWellDefined) {
    const MacroSlotTable slots(std::vector<int>{INT_MIN, -1});
    for (int type = -1; type <= 13; ++type) {
        for (int value : {INT_MIN, -1, 0, 1, 1023, 1024, 2048, INT_MAX}) {
            const KeyFunction fn = Fn(static_cast<KeyFunctionType>(type), value, INT_MIN, INT_MAX);
            for (int key_code : {INT_MIN, 0, 4, INT_MAX}) {
                EncodeKeyFunction(key_code, fn, slots);
            }
            DescribeKeyFunction(fn, kLang);
        }
    }
    EXPECT_EQ(Encode(5, Fn(KeyFunctionType::MacroFunction, -1), slots), Code(0xFF, 1));
}

const auto kNoMacros = [](int) { return false; };

std::string Check(const KeyFunction& function) {
    return CheckKeyFunction(function, kNoMacros);
}

constexpr KeyFunctionType kListTypes[] = {
    KeyFunctionType::MouseButton, KeyFunctionType::Multimedia, KeyFunctionType::SystemShortcut,
    KeyFunctionType::DeviceFunction, KeyFunctionType::DeviceFunctionExtended};

bool Offers(KeyFunctionType type, int value) {
    for (const FunctionListEntry& e : KeyFunctionValueList(type)) {
        if (e.value == value) {
            return true;
        }
    }
    return false;
}

TEST(KeyFunctionCheck, EveryListEntryIsAcceptedAndItsNeighboursRefused) {
    for (const KeyFunctionType type : kListTypes) {
        for (const FunctionListEntry& entry : KeyFunctionValueList(type)) {
            const std::optional<KeyFunction> row = MakeListFunction(type, entry.value, kLang);
            ASSERT_TRUE(row.has_value());
            EXPECT_EQ(*row, Fn(type, entry.value, 0, 0, FakeText(entry.text_id)));
            EXPECT_EQ(Check(*row), "") << static_cast<int>(type) << "/" << entry.value;
            // Whatever may be stored also reaches the mouse as a code of its own.
            EXPECT_NE(Encode(5, *row), Code(0, 0)) << static_cast<int>(type) << "/" << entry.value;
            EXPECT_NE(Check(Fn(type, entry.value, 1)), "");
            EXPECT_NE(Check(Fn(type, entry.value, 0, 1)), "");
            for (const int neighbour : {entry.value - 1, entry.value + 1}) {
                if (!Offers(type, neighbour)) {
                    EXPECT_NE(Check(Fn(type, neighbour)), "")
                        << static_cast<int>(type) << "/" << neighbour;
                    EXPECT_FALSE(MakeListFunction(type, neighbour, kLang).has_value());
                }
            }
        }
    }
    // The description-only buttons send no click; the page offers no way to them.
    for (int value = 8; value <= 11; ++value) {
        EXPECT_NE(Check(Fn(KeyFunctionType::MouseButton, value)), "") << value;
    }
    EXPECT_EQ(Check(Fn(KeyFunctionType::DeviceFunctionExtended, 0)), "");
    EXPECT_NE(Check(Fn(KeyFunctionType::DeviceFunction, 0)), "");
    EXPECT_NE(Check(Fn(KeyFunctionType::Multimedia, INT_MIN)), "");
    const std::string reason = Check(Fn(KeyFunctionType::MouseButton, 8));
    EXPECT_NE(reason.find("8"), std::string::npos) << reason;
    EXPECT_NE(reason.find("1, 2, 3, 5, 6, 4, 7"), std::string::npos) << reason;
}

TEST(KeyFunctionCheck, KeyCombinationsTheKeyFieldCanBuild) {
    int keys = 0;
    for (int vk = 1; vk <= 700; ++vk) {
        const int usage = VkToUsage(vk);
        if (usage == 0) {
            continue;
        }
        ++keys;
        const KeyFunction alone = MakeKeyCombination(false, false, false, false, vk, "");
        EXPECT_EQ(Check(alone), "") << "vk " << vk;
        EXPECT_EQ(Check(MakeKeyCombination(true, true, true, true, vk, "")), "") << "vk " << vk;
    }
    EXPECT_GT(keys, 100);
    for (int flags = 1; flags <= 15; ++flags) {
        const KeyFunction modifiers =
            MakeKeyCombination(flags & 1, flags & 2, flags & 4, flags & 8, 0, "");
        EXPECT_EQ(modifiers.value2, flags);
        EXPECT_EQ(Check(modifiers), "") << flags;
    }
    EXPECT_NE(Check(MakeKeyCombination(false, false, false, false, 0, "")), "");
    EXPECT_NE(Check(MakeKeyCombination(false, false, false, false, 7, "")), "");
    // Usages no virtual key produces: below the letters, past the extra key, past the modifiers.
    for (const int usage : {-1, 1, 3, 102, 103, 116, 232, 255, 256}) {
        EXPECT_NE(Check(Fn(KeyFunctionType::KeyCombination, usage, 1)), "") << usage;
    }
    EXPECT_EQ(Check(Fn(KeyFunctionType::KeyCombination, 50)), "");   // program code 666
    EXPECT_EQ(Check(Fn(KeyFunctionType::KeyCombination, 104)), "");  // F13
    EXPECT_NE(Check(Fn(KeyFunctionType::KeyCombination, 4, 16)), "");
    EXPECT_NE(Check(Fn(KeyFunctionType::KeyCombination, 4, -1)), "");
    EXPECT_NE(Check(Fn(KeyFunctionType::KeyCombination, 4, 1, 1)), "");
}

TEST(KeyFunctionCheck, MacrosMustBeStored) {
    std::vector<int> asked;
    const auto stored = [&asked](int id) {
        asked.push_back(id);
        return id == 7;
    };
    EXPECT_EQ(CheckKeyFunction(Fn(KeyFunctionType::MacroFunction, 7), stored), "");
    const std::string missing = CheckKeyFunction(Fn(KeyFunctionType::MacroFunction, 8), stored);
    EXPECT_NE(missing.find("8"), std::string::npos) << missing;
    EXPECT_EQ(asked, (std::vector<int>{7, 8}));
    EXPECT_NE(CheckKeyFunction(Fn(KeyFunctionType::MacroFunction, 7, 1), stored), "");
}

TEST(KeyFunctionCheck, RapidFireFromThePageControls) {
    for (const FunctionListEntry& button : RapidFireButtonList()) {
        for (const auto& [count, interval] : {std::pair{1, 1}, {255, 255}, {1, 10}}) {
            const KeyFunction row =
                MakeRapidFire(kRapidFireMouseButton, button.value, 0, count, interval, kLang);
            EXPECT_EQ(Check(row), "") << button.value << " " << count << " " << interval;
        }
    }
    int keys = 0;
    for (int vk = 0; vk <= 255; ++vk) {
        const KeyFunction row = MakeRapidFire(kRapidFireKey, 0, vk, 1, 10, kLang);
        EXPECT_EQ(Check(row).empty(), VkToUsage(vk) != 0) << "vk " << vk;
        keys += VkToUsage(vk) != 0 ? 1 : 0;
    }
    EXPECT_GT(keys, 100);
    const int right = kRapidFireMouseButton * kRapidFireKindFactor + 2;
    for (const int bad : {0, 1024, 1030, 2048 + 666, 3072 + 'A', 5, -1026, INT_MIN, INT_MAX}) {
        EXPECT_NE(Check(Fn(KeyFunctionType::RapidFire, bad, 10, 1)), "") << bad;
    }
    for (const auto& [interval, count] : {std::pair{0, 1}, {256, 1}, {10, 0}, {10, 256}}) {
        EXPECT_NE(Check(Fn(KeyFunctionType::RapidFire, right, interval, count)), "")
            << interval << " " << count;
    }
    EXPECT_NE(Check(Fn(KeyFunctionType::RapidFire, right, 10, 300)).find("count 300"),
              std::string::npos);
}

TEST(KeyFunctionCheck, FixedValueTypesAndUnknownTypes) {
    for (const auto& [type, text] :
         {std::pair{KeyFunctionType::Disabled, "T190"}, {KeyFunctionType::DeviceCode06, "T235"}}) {
        const std::optional<KeyFunction> row = MakeImmediateFunction(type, kLang);
        ASSERT_TRUE(row.has_value());
        EXPECT_EQ(*row, Fn(type, 1, 0, 0, text));
        EXPECT_EQ(Check(*row), "");
        EXPECT_NE(Check(Fn(type, 0)), "");
        EXPECT_NE(Check(Fn(type, 2)), "");
        EXPECT_NE(Check(Fn(type, 1, 1)), "");
    }
    EXPECT_FALSE(MakeImmediateFunction(KeyFunctionType::MouseButton, kLang).has_value());
    EXPECT_EQ(Check(Fn(KeyFunctionType::DeviceCode12, 0)), "");
    EXPECT_EQ(Check(Fn(KeyFunctionType::DeviceCode12, 255)), "");
    EXPECT_NE(Check(Fn(KeyFunctionType::DeviceCode12, 256)), "");
    EXPECT_NE(Check(Fn(KeyFunctionType::DeviceCode12, -1)), "");
    for (const int type : {INT_MIN, -1, 0, 12, 13, INT_MAX}) {
        EXPECT_NE(
            CheckKeyFunction(Fn(static_cast<KeyFunctionType>(type), 1), [](int) { return true; }),
            "")
            << type;
    }
}

}  // namespace
}  // namespace veltra
