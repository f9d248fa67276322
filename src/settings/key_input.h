#pragma once

// Live keyboard input as the key fields (and the macro recorder) take it: each key the focused
// window sees pressed or released becomes an InputEvent carrying a Windows virtual-key code and
// the key's name, the code space the key tables (key_codes.h) translate to the mouse's usages.
//
// The desktop reports a key as X11 and Wayland sessions do: the XKB keycode (the kernel's key
// code + 8) names the physical key, the key symbol what the layout makes of it. The keycode
// decides, so left and right Shift, Ctrl, Alt and Windows keys stay apart and keypad keys give
// their keypad codes whether Num Lock is on or not; only letters follow the layout, as the
// Windows virtual keys of the recorded originals do (an AZERTY "A" is A, not Q).

#include <cstdint>
#include <string>

namespace veltra {

enum class InputKind : int { Mouse = 1, Keyboard = 2, Other = 3 };
enum class InputAction : int { Down = 0, Up = 1, WheelAway = 3, WheelTowards = 4 };

// One decoded input message. An empty name means the message carries nothing usable (a key
// without a virtual-key code); such events are dropped.
struct InputEvent {
    InputKind kind = InputKind::Other;
    InputAction action = InputAction::Down;
    int value = 0;  // keyboard: virtual-key code
    std::string name;

    bool operator==(const InputEvent&) const = default;
};

// A key as the window received it. keycode 0: the platform gave none (synthetic input); then
// only a letter or digit symbol is understood.
struct KeyStroke {
    bool release = false;
    int keycode = 0;
    std::uint32_t keysym = 0;
};

// Virtual-key codes of the modifier keys.
inline constexpr int kVkLeftShift = 160;
inline constexpr int kVkRightAlt = 165;
inline constexpr int kVkLeftWindows = 91;
inline constexpr int kVkRightWindows = 92;

// Whether `vk` is one of left/right Shift, Ctrl or Alt (160..165), which the button page's key
// field leaves to its check boxes.
inline bool IsSideModifier(int vk) {
    return vk >= kVkLeftShift && vk <= kVkRightAlt;
}

InputEvent DecodeKey(const KeyStroke& stroke);

// Mouse buttons as masks: left 1, right 2, middle 4, backward 8, forward 16.
inline constexpr int kMaskLeft = 1;
inline constexpr int kMaskRight = 2;
inline constexpr int kMaskMiddle = 4;
inline constexpr int kMaskBackward = 8;
inline constexpr int kMaskForward = 16;
inline constexpr int kWheelAwayValue = 1;
inline constexpr int kWheelTowardsValue = 255;

// "LB", "RB", "MB", "Backward", "Forward"; empty for any other mask.
std::string MouseButtonName(int mask);
// A button pressed or released; an unknown mask gives an event without a name.
InputEvent DecodeMouseButton(int mask, bool release);
// A wheel turn: away from the user (positive delta) is "Scroll Up", value 1; otherwise
// "Scroll Down", value 255.
InputEvent DecodeWheel(int delta);

}  // namespace veltra
