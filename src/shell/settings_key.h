#pragma once

// The per-user settings key: a small key/value file at
// $XDG_CONFIG_HOME (default ~/.config) / <caption> / settings, one "Name=value" per line.
// The key exists when that file exists; creating the key creates the folder and an empty file.
// Value names are matched without regard to ASCII case; values are decimal text.
//
// Reads never change an existing file, and a file that cannot be parsed reads as missing values.
// Writes replace the file atomically and keep every line they do not set, even unparseable ones.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace veltra {

inline constexpr std::string_view kLanguageIdValue = "LCID";
inline constexpr std::string_view kDeviceTypeValue = "DeviceType";
inline constexpr std::string_view kAutorunMinimizeValue = "autorun_minimize";
inline constexpr std::string_view kExitModeValue = "exit_mode";
// Whether the window warns on the desktop when the mouse's battery runs low; on unless "0".
inline constexpr std::string_view kBatteryNoticeValue = "battery_notice";

// The settings file of the current application caption.
std::filesystem::path SettingsFilePath();

// The value as an integer (missing or non-numeric text gives 0). A missing key is created and
// reads 0; any other failure reads 0.
int ReadSettingValue(std::string_view name);

// A value that is on or off: "0" is off, any other number on; a missing key or value, or text
// that is not a number, gives `missing`. Nothing is created.
bool ReadSettingFlag(std::string_view name, bool missing);

// Sets the value only when the key exists and is accessible; nothing is created, nothing is
// reported. Names holding '=' or line breaks and texts holding line breaks are not written.
void WriteSettingValue(std::string_view name, std::string_view text);

// "DeviceType" like ReadSettingValue, except that a missing key is not created.
int ReadDeviceType();
void WriteDeviceType(int device_type);

// "LCID"; a missing value reads 0, and a missing key is created and reads 0. Nullopt when the key
// cannot be used (it cannot be opened, or is missing and cannot be created): the caller then
// chooses as for 0 but cannot store the choice.
std::optional<int> ReadLanguageId();
void WriteLanguageId(int language_id);

}  // namespace veltra
