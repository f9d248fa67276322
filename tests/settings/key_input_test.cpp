// Live keys to virtual keys: every physical key the table knows gives a key the mouse can take
// and a name, sides stay apart, letters follow the layout and nothing else does.
#include "settings/key_input.h"

#include <gtest/gtest.h>

#include "settings/key_codes.h"

namespace veltra {
namespace {

InputEvent Press(int keycode, std::uint32_t keysym = 0) {
    return DecodeKey({false, keycode, keysym});
}

TEST(KeyInput, EveryKnownKeyHasAUsageAndAName) {
    int known = 0;
    for (int keycode = 0; keycode < 1024; ++keycode) {
        const InputEvent event = Press(keycode);
        EXPECT_EQ(event.kind, InputKind::Keyboard);
        if (event.value == 0) {
            EXPECT_TRUE(event.name.empty()) << keycode;
            continue;
        }
        ++known;
        EXPECT_FALSE(event.name.empty()) << keycode;
        EXPECT_NE(VkToUsage(event.value), 0) << keycode << " gives " << event.value;
    }
    EXPECT_EQ(known, 119);
}

TEST(KeyInput, ModifiersKeepTheirSide) {
    struct Case {
        int keycode;
        int vk;
        const char* name;
    };
    const Case cases[] = {
        {50, 160, "Shift"},   {62, 161, "RShift"},   {37, 162, "Ctrl"},
        {105, 163, "RCtrl"},  {64, 164, "Alt"},      {108, 165, "RAlt"},
        {133, 91, "Windows"}, {134, 92, "RWindows"}, {135, 93, "Application"},
    };
    for (const Case& c : cases) {
        for (bool release : {false, true}) {
            const InputEvent event = DecodeKey({release, c.keycode, 0});
            EXPECT_EQ(event.value, c.vk) << c.name;
            EXPECT_EQ(event.name, c.name);
            EXPECT_EQ(event.action, release ? InputAction::Up : InputAction::Down);
        }
    }
    EXPECT_TRUE(IsSideModifier(160) && IsSideModifier(165));
    EXPECT_FALSE(IsSideModifier(91) || IsSideModifier(159) || IsSideModifier(166));
}

TEST(KeyInput, KeypadKeysIgnoreNumLockAndLettersFollowTheLayout) {
    // Keypad 9 with Num Lock off reports Page Up as its symbol; it stays keypad 9.
    EXPECT_EQ(Press(81, 0xFF9A).value, 105);
    EXPECT_EQ(Press(81, 0xFFB9).name, "Num 9");
    EXPECT_EQ(Press(104).value, 108);
    EXPECT_EQ(Press(104).name, "Num Enter");
    EXPECT_EQ(Press(112).value, 33);  // the Page Up key itself
    // Where the layout puts a Latin letter, the letter counts; elsewhere the key's place.
    EXPECT_EQ(Press(24, 'a').value, 'A');
    EXPECT_EQ(Press(38, 'q').value, 'Q');
    EXPECT_EQ(Press(38, 0x6C6).value, 'A');
    // Digits and punctuation keep their place whatever the layout makes of them.
    EXPECT_EQ(Press(10, '&').value, '1');
    // The Yen key of Japanese keyboards.
    EXPECT_EQ(Press(132).value, 137);
    EXPECT_EQ(Press(191).name, "F13");
}

TEST(KeyInput, KeysWithoutAVirtualKeyAreDropped) {
    for (int keycode : {-1, 0, 8, 121 + 8, 0xFFFF, 1 << 30}) {
        EXPECT_TRUE(Press(keycode).name.empty()) << keycode;
    }
    // Without a keycode only letters and digits are understood.
    EXPECT_EQ(Press(0, 'k').value, 'K');
    EXPECT_EQ(Press(0, '7').value, '7');
    EXPECT_EQ(Press(0, 0xFFE1).value, 0);
}

}  // namespace
}  // namespace veltra
