#pragma once

// Keys live in two code spaces: input from the desktop arrives as Windows virtual-key codes,
// while the mouse speaks HID keyboard usages (page 0x07). These fixed tables translate between
// them. Each is a total function: a code it does not list gives 0 (or the empty text).
//
// Besides the Windows VK_ values the program uses four virtual-key codes of its own:
// 666 (the key at usage 50), 254 ("Fn", usage 175), 301 (usage 236) and 302 (usage 235).

#include <string>
#include <string_view>

namespace veltra {

// Virtual-key code -> HID keyboard usage; 0 when the code is not listed.
int VkToUsage(int vk);

// HID keyboard usage -> virtual-key code; 0 when the usage is not listed. Not a plain inverse of
// VkToUsage: several usages (50, 100, F13..F24, 136..139, 235, 236) have no way back, and a few
// media usages map to virtual keys VkToUsage never produces them from.
int UsageToVk(int usage);

// Modifier usage 224..231 -> its bit in the HID modifier byte (1, 2, ... 128); any other value
// is returned unchanged.
int ModifierBit(int usage);

// HID keyboard usage -> display name ("A", "Num Enter", "Ctrl"); empty when not listed.
std::string KeyNameTable(int usage);

// True when VkToUsage gives the usage for some virtual key, that is when a captured key can
// stand for it.
bool IsCapturableUsage(int usage);

// A key name as the program shows it -> virtual-key code, ignoring ASCII case; 0 for an unknown
// name. Knows the names of KeyNameTable ("Ctrl", "Shift" and "Alt" are the left-hand keys) and
// the names key capture gives keys that table leaves unnamed or names differently: "Windows",
// "RWindows", "RShift", "RCtrl", "RAlt", "Application", "F13".."F24".
int VkFromKeyName(std::string_view name);

// The name a key is shown by: KeyNameTable's name of its usage, else the name key capture gives
// it ("RWindows", "F13"); empty for a key with neither.
std::string KeyNameOfVk(int vk);

}  // namespace veltra
