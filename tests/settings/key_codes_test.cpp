#include "settings/key_codes.h"

#include <gtest/gtest.h>

#include <cctype>
#include <climits>
#include <string>
#include <string_view>

namespace veltra {
namespace {

// Usages whose virtual key leads back to them.
bool IsTwoWayUsage(int usage) {
    return (usage >= 4 && usage <= 49) || (usage >= 51 && usage <= 99) || usage == 101 ||
           (usage >= 224 && usage <= 231);
}

TEST(KeyCodes, TwoWayUsagesRoundTripAndNoOtherVirtualKeyClaimsThem) {
    int two_way = 0;
    for (int usage = 0; usage < 256; ++usage) {
        if (!IsTwoWayUsage(usage)) {
            continue;
        }
        ++two_way;
        const int vk = UsageToVk(usage);
        ASSERT_NE(vk, 0) << "usage " << usage;
        EXPECT_EQ(VkToUsage(vk), usage) << "usage " << usage;
    }
    EXPECT_EQ(two_way, 104);

    for (int vk = -1; vk <= 700; ++vk) {
        const int usage = VkToUsage(vk);
        if (IsTwoWayUsage(usage)) {
            EXPECT_EQ(UsageToVk(usage), vk) << "vk " << vk << " shares usage " << usage;
        }
    }
}

TEST(KeyCodes, RangesMapAtBothEnds) {
    EXPECT_EQ(VkToUsage('A'), 4);
    EXPECT_EQ(VkToUsage('Z'), 29);
    EXPECT_EQ(VkToUsage('1'), 30);
    EXPECT_EQ(VkToUsage('9'), 38);
    EXPECT_EQ(VkToUsage('0'), 39);
    EXPECT_EQ(VkToUsage(112), 58);   // F1
    EXPECT_EQ(VkToUsage(123), 69);   // F12
    EXPECT_EQ(VkToUsage(124), 104);  // F13
    EXPECT_EQ(VkToUsage(135), 115);  // F24
    EXPECT_EQ(VkToUsage(97), 89);    // keypad 1
    EXPECT_EQ(VkToUsage(105), 97);   // keypad 9
    EXPECT_EQ(VkToUsage(96), 98);    // keypad 0
    EXPECT_EQ(VkToUsage(108), 88);   // keypad Enter
    EXPECT_EQ(UsageToVk(88), 108);
    EXPECT_EQ(VkToUsage(162), 224);  // left Ctrl
    EXPECT_EQ(VkToUsage(91), 227);   // left Windows
    EXPECT_EQ(VkToUsage(92), 231);   // right Windows
}

TEST(KeyCodes, OneWayAndProgramCodes) {
    EXPECT_EQ(VkToUsage(666), 50);
    EXPECT_EQ(UsageToVk(50), 0);
    EXPECT_EQ(VkToUsage(254), 175);
    EXPECT_EQ(UsageToVk(175), 250);
    EXPECT_EQ(VkToUsage(301), 236);
    EXPECT_EQ(VkToUsage(302), 235);
    EXPECT_EQ(UsageToVk(235), 0);
    EXPECT_EQ(UsageToVk(236), 0);
    EXPECT_EQ(VkToUsage(226), 100);
    EXPECT_EQ(UsageToVk(100), 0);
    EXPECT_EQ(UsageToVk(104), 0);
    EXPECT_EQ(UsageToVk(115), 0);
    for (int code = 136; code <= 139; ++code) {
        EXPECT_EQ(VkToUsage(code), code);
        EXPECT_EQ(UsageToVk(code), 0);
    }
    EXPECT_EQ(UsageToVk(209), 175);
    EXPECT_EQ(UsageToVk(210), 174);
    EXPECT_EQ(UsageToVk(211), 173);
    EXPECT_EQ(UsageToVk(212), 183);
    // The media virtual keys are not a way into usages.
    EXPECT_EQ(VkToUsage(175), 0);
    EXPECT_EQ(VkToUsage(250), 0);
}

TEST(KeyCodes, UnlistedCodesGiveNothing) {
    for (int code : {INT_MIN, -1, 0, 255, 256, 300, 303, 665, 667, 1000, INT_MAX}) {
        EXPECT_EQ(VkToUsage(code), 0) << code;
        EXPECT_EQ(UsageToVk(code), 0) << code;
        EXPECT_EQ(KeyNameTable(code), "") << code;
    }
    // Virtual key 7 is unassigned, while usage 7 is the letter D.
    EXPECT_EQ(VkToUsage(7), 0);
    EXPECT_EQ(UsageToVk(7), 'D');
    for (int usage : {3, 102, 116, 232}) {
        EXPECT_EQ(UsageToVk(usage), 0) << usage;
    }
}

TEST(KeyCodes, ModifierBitCoversTheModifierByteAndPassesOthersThrough) {
    int bit = 1;
    for (int usage = 224; usage <= 231; ++usage, bit <<= 1) {
        EXPECT_EQ(ModifierBit(usage), bit) << usage;
    }
    for (int other : {INT_MIN, -1, 0, 4, 29, 223, 232, 255, 666, INT_MAX}) {
        EXPECT_EQ(ModifierBit(other), other);
    }
}

TEST(KeyCodes, NamesOfRangesAndSingleKeys) {
    EXPECT_EQ(KeyNameTable(4), "A");
    EXPECT_EQ(KeyNameTable(29), "Z");
    EXPECT_EQ(KeyNameTable(30), "1");
    EXPECT_EQ(KeyNameTable(38), "9");
    EXPECT_EQ(KeyNameTable(39), "0");
    EXPECT_EQ(KeyNameTable(58), "F1");
    EXPECT_EQ(KeyNameTable(67), "F10");
    EXPECT_EQ(KeyNameTable(69), "F12");
    EXPECT_EQ(KeyNameTable(89), "Num 1");
    EXPECT_EQ(KeyNameTable(97), "Num 9");
    EXPECT_EQ(KeyNameTable(98), "Num 0");
    EXPECT_EQ(KeyNameTable(99), "Num Del");
    EXPECT_EQ(KeyNameTable(49), "\\");
    EXPECT_EQ(KeyNameTable(71), "Scrlk");
    EXPECT_EQ(KeyNameTable(88), "Num Enter");
    EXPECT_EQ(KeyNameTable(101), "Menu");
    EXPECT_EQ(KeyNameTable(175), "Fn");
    EXPECT_EQ(KeyNameTable(224), "Ctrl");
    EXPECT_EQ(KeyNameTable(228), "Ctrl");
    EXPECT_EQ(KeyNameTable(229), "Shift");
    EXPECT_EQ(KeyNameTable(230), "Alt");
    EXPECT_EQ(KeyNameTable(227), "Windows");
}

TEST(KeyCodes, EveryTwoWayKeyButRightWindowsHasAName) {
    for (int usage = 0; usage < 256; ++usage) {
        if (IsTwoWayUsage(usage) && usage != 231) {
            EXPECT_NE(KeyNameTable(usage), "") << usage;
        }
    }
    for (int unnamed : {50, 100, 104, 115, 231, 235, 236}) {
        EXPECT_EQ(KeyNameTable(unnamed), "") << unnamed;
    }
}

TEST(KeyNames, NamesKeyCaptureGives) {
    const struct {
        const char* name;
        int vk;
    } captured[] = {
        {"Windows", 91},     {"RWindows", 92},     {"Shift", 160},       {"RShift", 161},
        {"Ctrl", 162},       {"RCtrl", 163},       {"Alt", 164},         {"RAlt", 165},
        {"Application", 93}, {"Pause", 19},        {"Print Screen", 44}, {"Num Lock", 144},
        {"rwindows", 92},    {"PRINT SCREEN", 44}, {"rCtRl", 163},
    };
    for (const auto& c : captured) {
        EXPECT_EQ(VkFromKeyName(c.name), c.vk) << c.name;
    }
    for (int n = 13; n <= 24; ++n) {
        EXPECT_EQ(VkFromKeyName("F" + std::to_string(n)), 111 + n) << n;
        EXPECT_EQ(VkFromKeyName("f" + std::to_string(n)), 111 + n) << n;
    }
    EXPECT_EQ(VkFromKeyName("F1"), 112);
    EXPECT_EQ(VkFromKeyName("f12"), 123);
}

std::string WithCase(std::string text, int (*change)(int)) {
    for (char& c : text) {
        c = static_cast<char>(change(static_cast<unsigned char>(c)));
    }
    return text;
}

TEST(KeyNames, EveryKeyIsFoundByItsNameInAnyCase) {
    int named = 0;
    for (int vk = -1; vk <= 700; ++vk) {
        const std::string name = KeyNameOfVk(vk);
        if (name.empty()) {
            continue;
        }
        ++named;
        const int found = VkFromKeyName(name);
        // Ctrl, Shift and Alt name both hands and lead to the left-hand key.
        EXPECT_TRUE(found == vk || (KeyNameOfVk(found) == name && VkToUsage(vk) >= 228))
            << vk << " " << name;
        EXPECT_EQ(VkFromKeyName(WithCase(name, std::tolower)), found) << name;
        EXPECT_EQ(VkFromKeyName(WithCase(name, std::toupper)), found) << name;
    }
    // Every name of the key table, F13..F24 and RWindows.
    EXPECT_EQ(named, 104 + 12 + 1);
    EXPECT_EQ(VkFromKeyName("Fn"), 254);
    EXPECT_EQ(KeyNameOfVk(92), "RWindows");
    EXPECT_EQ(KeyNameOfVk(124), "F13");
    EXPECT_EQ(KeyNameOfVk(135), "F24");
    EXPECT_EQ(KeyNameOfVk(136), "");
    EXPECT_EQ(KeyNameOfVk(163), "Ctrl");
    EXPECT_EQ(KeyNameOfVk(93), "Menu");
}

TEST(KeyNames, UnknownNamesGiveNothing) {
    for (const char* name : {"", " ", "F0", "F25", "F013", "Win", "A ", " A", "AB", "Ctrl+A",
                             "Num  1", "Num", "Fn2", "LB", "\xff"}) {
        EXPECT_EQ(VkFromKeyName(name), 0) << name;
    }
    // An embedded NUL is part of the name, not its end.
    EXPECT_EQ(VkFromKeyName(std::string_view("A\0", 2)), 0);
    EXPECT_EQ(VkFromKeyName(std::string_view("Windows\0", 8)), 0);
}

TEST(KeyCodes, CapturableUsagesAreExactlyThoseSomeVirtualKeyGives) {
    for (int usage = -1; usage <= 300; ++usage) {
        bool produced = false;
        for (int vk = 1; vk <= 1024 && !produced; ++vk) {
            produced = usage != 0 && VkToUsage(vk) == usage;
        }
        EXPECT_EQ(IsCapturableUsage(usage), produced) << usage;
    }
}

}  // namespace
}  // namespace veltra
