#pragma once

// The settings keys of t_configdata and the defaults a new profile receives. This is the one
// list of key strings; settings code addresses DPI groups through the helpers below.

#include <string>
#include <string_view>
#include <vector>

namespace veltra {

namespace config_key {
inline constexpr std::string_view kVersion = "version";
inline constexpr std::string_view kLightMode = "lightmode";
inline constexpr std::string_view kSleepLight = "sleep_light";
inline constexpr std::string_view kSpareTime = "spare_time";
inline constexpr std::string_view kKeyWakeup = "key_wakeup";
inline constexpr std::string_view kGameMode = "game_mode";
inline constexpr std::string_view kMoveCloseLight = "move_closelight";
inline constexpr std::string_view kReportRate = "report_rate";
inline constexpr std::string_view kReportRateWireless = "report_rate_wireless";
inline constexpr std::string_view kButtonRespondTime = "button_respondtime";
inline constexpr std::string_view kSensorFlag = "sensor_flag";
inline constexpr std::string_view kLiftoffHeight = "liftoff_height";
inline constexpr std::string_view kScrollFlag = "scroll_flag";
inline constexpr std::string_view kESportsFlag = "e-sports_flag";
inline constexpr std::string_view kLeftButtonLock = "leftbtn_lock";
inline constexpr std::string_view kDpiFlag = "dpi_flag";
inline constexpr std::string_view kDpiIndex = "dpi_index";
inline constexpr std::string_view kDpiCount = "dpi_count";
inline constexpr std::string_view kMouseSpeed = "mouse_speed";
inline constexpr std::string_view kMouseSensitivity = "mouse_sensitivity";
inline constexpr std::string_view kWheelScrollFlag = "wheel_scrollflag";
inline constexpr std::string_view kWheelScrollLines = "wheel_scrolllines";
inline constexpr std::string_view kDoubleClickTime = "doubleclick_time";
}  // namespace config_key

// "dpi_group%d_value", "dpi_group%d_rgb", "dpi_group%d_rgbindex" and "default_color%d".
std::string DpiGroupValueKey(int group);
std::string DpiGroupRgbKey(int group);
std::string DpiGroupRgbIndexKey(int group);
std::string DefaultColorKey(int number);

// Device types 100..200 form the model family with the second set of DPI defaults.
bool UsesSecondDpiDefaults(int device_type);

struct ConfigDefault {
    std::string key;
    std::string value;
};

// The 59 rows a new profile receives, in the order they are inserted.
std::vector<ConfigDefault> DefaultConfig(int device_type);

// The default of one row of the model's profiles; empty for a key that has none.
std::string DefaultConfigValue(int device_type, std::string_view key);

}  // namespace veltra
