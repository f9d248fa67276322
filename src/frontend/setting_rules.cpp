#include "frontend/setting_rules.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "common/text.h"
#include "device/command_protocol.h"
#include "store/settings_defaults.h"

namespace veltra {
namespace {

constexpr int kPaletteSize = 16;
constexpr long kMaxColour = 0xFFFFFF;

struct Range {
    std::string_view key;
    long low;
    long high;
};

constexpr Range kRanges[] = {
    {config_key::kLightMode, 0, 1},          {config_key::kSleepLight, 0, 7},
    {config_key::kSpareTime, 0, 3},          {config_key::kKeyWakeup, 0, 1},
    {config_key::kGameMode, 0, 1},           {config_key::kMoveCloseLight, 0, 1},
    {config_key::kReportRate, 0, 3},         {config_key::kReportRateWireless, 0, 3},
    {config_key::kButtonRespondTime, 0, 20}, {config_key::kSensorFlag, 0, 255},
    {config_key::kLiftoffHeight, 0, 2},      {config_key::kScrollFlag, 0, 1},
    {config_key::kESportsFlag, 0, 1},        {config_key::kLeftButtonLock, 0, 1},
    {config_key::kDpiFlag, 1, 255},          {config_key::kDpiIndex, 0, 7},
    {config_key::kDpiCount, 1, 8},           {config_key::kMouseSpeed, 1, 20},
    {config_key::kMouseSensitivity, 0, 1},   {config_key::kWheelScrollFlag, 0, 1},
    {config_key::kWheelScrollLines, 0, 20},  {config_key::kDoubleClickTime, 200, 900},
};

// "dpi_group3_value" gives 3 for the suffix "_value".
std::optional<int> GroupOf(std::string_view key, std::string_view suffix) {
    constexpr std::string_view kPrefix = "dpi_group";
    if (!key.starts_with(kPrefix) || !key.ends_with(suffix)) {
        return std::nullopt;
    }
    const std::string_view digits =
        key.substr(kPrefix.size(), key.size() - kPrefix.size() - suffix.size());
    if (digits.size() != 1 || digits[0] < '0' || digits[0] > '9') {
        return std::nullopt;
    }
    return digits[0] - '0';
}

std::string Number(long value) {
    return std::to_string(value);
}

SettingCheck Error(std::string message) {
    SettingCheck check;
    check.error = std::move(message);
    return check;
}

SettingCheck CheckDpiValue(std::string_view key, int group, long value, int device_type) {
    long low = 500;
    long high = 12800;
    // Levels 8 and 9 are only stored.
    long step = group == 7 ? 100 : 50;
    if (group < kDpiLevels) {
        const DpiSliderRange range = DpiSliderRangeFor(device_type, group);
        low = range.LowDpi();
        high = range.HighDpi();
        step = 50L * range.step;
    }
    if (value < low || value > high || value % step != 0) {
        return Error(std::string(key) + " takes " + Number(low) + ".." + Number(high) +
                     " DPI in steps of " + Number(step) + " on this model, not " + Number(value));
    }
    SettingCheck check;
    check.rows.emplace_back(key, Number(value));
    return check;
}

}  // namespace

DpiSliderRange DpiSliderRangeFor(int device_type, int level) {
    // Level 7 travels in units of 100 DPI on every model.
    const int step = level == 7 ? 2 : 1;
    if (UsesSecondDpiDefaults(device_type)) {
        return {.lower = 10, .upper = 240, .step = step};
    }
    if (level == 7) {
        return {.lower = 20, .upper = 256, .step = step};
    }
    return {.lower = 10, .upper = 128};
}

std::optional<long> ParseColour(std::string_view text) {
    if (text.size() == 7 && text[0] == '#' && std::all_of(text.begin() + 1, text.end(), [](char c) {
            return std::isxdigit(static_cast<unsigned char>(c)) != 0;
        })) {
        const long rgb = ParseHex(text.substr(1));
        return ((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16);
    }
    return ParseInteger(text);
}

std::string ColourText(std::uint32_t colour) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", colour & 0xFF, (colour >> 8) & 0xFF,
                  (colour >> 16) & 0xFF);
    return text;
}

std::vector<std::string> SettingKeys(int device_type) {
    std::vector<std::string> keys;
    for (const ConfigDefault& row : DefaultConfig(device_type)) {
        if (row.key != config_key::kVersion) {
            keys.push_back(row.key);
        }
    }
    return keys;
}

SettingCheck CheckSetting(std::string_view key, std::string_view text, int device_type) {
    if (key == config_key::kVersion) {
        return Error("\"version\" is written by the store and cannot be set");
    }
    const std::vector<std::string> keys = SettingKeys(device_type);
    if (std::find(keys.begin(), keys.end(), key) == keys.end()) {
        return Error("unknown setting \"" + std::string(key) +
                     "\"; \"veltractl get\" lists the settings");
    }
    const bool colour = GroupOf(key, "_rgb").has_value() || key.starts_with("default_color");
    const std::optional<long> parsed = colour ? ParseColour(text) : ParseInteger(text);
    if (!parsed) {
        return Error(std::string(key) + " takes a whole number" +
                     (colour ? " or a colour #RRGGBB" : "") + ", not \"" + std::string(text) +
                     "\"");
    }
    const long value = *parsed;
    SettingCheck check;
    if (const std::optional<int> group = GroupOf(key, "_value")) {
        return CheckDpiValue(key, *group, value, device_type);
    }
    if (const std::optional<int> group = GroupOf(key, "_rgbindex")) {
        if (value < 0 || value >= kPaletteSize) {
            return Error(std::string(key) + " takes a palette index 0..15, not " + Number(value));
        }
        check.rows.emplace_back(key, Number(value));
        check.rows.emplace_back(DpiGroupRgbKey(*group),
                                Number(static_cast<long>(PaletteColour(static_cast<int>(value)))));
        return check;
    }
    if (const std::optional<int> group = GroupOf(key, "_rgb")) {
        if (*group < kDpiLevels) {
            // The mouse only knows the palette; the index travels, the colour is shown.
            for (int index = 0; index < kPaletteSize; ++index) {
                if (static_cast<long>(PaletteColour(index)) == value) {
                    check.rows.emplace_back(key, Number(value));
                    check.rows.emplace_back(DpiGroupRgbIndexKey(*group), Number(index));
                    return check;
                }
            }
            std::string message = std::string(key) + " takes one of the 16 palette colours:";
            for (int index = 0; index < kPaletteSize; ++index) {
                message += " " + ColourText(PaletteColour(index));
            }
            return Error(message);
        }
    }
    long low = 0;
    long high = kMaxColour;
    for (const Range& range : kRanges) {
        if (range.key == key) {
            low = range.low;
            high = range.high;
        }
    }
    if (value < low || value > high) {
        return Error(std::string(key) + " takes " + Number(low) + ".." + Number(high) + ", not " +
                     Number(value));
    }
    check.rows.emplace_back(key, Number(value));
    if (key == config_key::kReportRate) {
        check.rows.emplace_back(config_key::kReportRateWireless, Number(value));
    }
    return check;
}

std::optional<int> ReportRateCode(std::string_view hz) {
    if (hz.size() > 2 && EqualsIgnoreAsciiCase(hz.substr(hz.size() - 2), "hz")) {
        hz.remove_suffix(2);
    }
    static constexpr std::pair<long, int> kRates[] = {{1000, 0}, {500, 1}, {250, 2}, {125, 3}};
    const std::optional<long> value = ParseInteger(hz);
    for (const auto& [rate, code] : kRates) {
        if (value && *value == rate) {
            return code;
        }
    }
    return std::nullopt;
}

}  // namespace veltra
