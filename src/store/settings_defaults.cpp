#include "store/settings_defaults.h"

#include <array>

namespace veltra {
namespace {

constexpr int kDpiGroups = 10;
constexpr int kDpiIndexedGroups = 8;

constexpr std::array<int, kDpiGroups> kDpiValuesA = {800,  1200, 1600,  2400, 3200,
                                                     4800, 6400, 12800, 0,    0};
constexpr std::array<int, kDpiGroups> kDpiValuesB = {1200, 1600, 2400,  4800, 6400,
                                                     8000, 9600, 12000, 0,    0};
// 0x00BBGGRR colours: red, cyan, green, blue, purple, yellow, orange, white, then two spares.
constexpr std::array<int, kDpiGroups> kDpiColours = {255,   16776960, 65280,    16711680, 16711807,
                                                     65535, 32767,    16777215, 2139135,  2139135};
// Palette indexes naming the colours above.
constexpr std::array<int, kDpiIndexedGroups> kDpiColourIndexes = {1, 8, 6, 11, 12, 3, 2, 0};
constexpr std::array<std::string_view, 8> kDefaultColours = {
    "8331093", "4114939", "65280", "16776960", "255", "14237951", "14237951", "16777215"};

std::string GroupKey(std::string_view prefix, int number, std::string_view suffix) {
    std::string key(prefix);
    key += std::to_string(number);
    key += suffix;
    return key;
}

}  // namespace

std::string DpiGroupValueKey(int group) {
    return GroupKey("dpi_group", group, "_value");
}
std::string DpiGroupRgbKey(int group) {
    return GroupKey("dpi_group", group, "_rgb");
}
std::string DpiGroupRgbIndexKey(int group) {
    return GroupKey("dpi_group", group, "_rgbindex");
}
std::string DefaultColorKey(int number) {
    return GroupKey("default_color", number, "");
}

bool UsesSecondDpiDefaults(int device_type) {
    return device_type >= 100 && device_type <= 200;
}

std::vector<ConfigDefault> DefaultConfig(int device_type) {
    const bool second = UsesSecondDpiDefaults(device_type);
    std::vector<ConfigDefault> rows;
    auto add = [&rows](std::string_view key, std::string value) {
        rows.push_back({std::string(key), std::move(value)});
    };
    using namespace config_key;
    add(kVersion, "1.0.1");
    add(kLightMode, "0");
    add(kSleepLight, "2");
    add(kSpareTime, "1");
    add(kKeyWakeup, "1");
    add(kGameMode, "0");
    add(kMoveCloseLight, "1");
    add(kReportRate, "0");
    add(kReportRateWireless, "0");
    add(kButtonRespondTime, "8");
    add(kSensorFlag, "16");
    add(kLiftoffHeight, "1");
    add(kScrollFlag, "1");
    add(kESportsFlag, "1");
    add(kLeftButtonLock, "1");
    add(kDpiFlag, second ? "221" : "213");
    add(kDpiIndex, second ? "0" : "2");
    add(kDpiCount, "8");
    const auto& values = second ? kDpiValuesB : kDpiValuesA;
    for (int group = 0; group < kDpiGroups; ++group) {
        rows.push_back({DpiGroupValueKey(group), std::to_string(values[group])});
    }
    for (int group = 0; group < kDpiGroups; ++group) {
        rows.push_back({DpiGroupRgbKey(group), std::to_string(kDpiColours[group])});
    }
    for (int group = 0; group < kDpiIndexedGroups; ++group) {
        rows.push_back({DpiGroupRgbIndexKey(group), std::to_string(kDpiColourIndexes[group])});
    }
    add(kMouseSpeed, "10");
    add(kMouseSensitivity, "1");
    add(kWheelScrollFlag, "0");
    add(kWheelScrollLines, "3");
    add(kDoubleClickTime, "550");
    for (int number = 1; number <= static_cast<int>(kDefaultColours.size()); ++number) {
        rows.push_back({DefaultColorKey(number), std::string(kDefaultColours[number - 1])});
    }
    return rows;
}

std::string DefaultConfigValue(int device_type, std::string_view key) {
    for (ConfigDefault& row : DefaultConfig(device_type)) {
        if (row.key == key) {
            return std::move(row.value);
        }
    }
    return {};
}

}  // namespace veltra
