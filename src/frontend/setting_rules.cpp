#include "frontend/setting_rules.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <limits>

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

bool RangeOf(std::string_view key, long& low, long& high) {
    for (const Range& range : kRanges) {
        if (range.key == key) {
            low = range.low;
            high = range.high;
            return true;
        }
    }
    return false;
}

// A whole number with surrounding blanks allowed; one too large for any type is taken as far
// out as it goes, so that the range check brings it to the nearer end.
std::optional<long> LenientInteger(std::string_view text) {
    text = TrimAsciiSpace(text);
    const ScannedInteger n = ScanInteger(text, 10);
    if (!n.has_digits || n.end != text.size()) {
        return std::nullopt;
    }
    constexpr long kFar = std::numeric_limits<long>::max();
    if (n.overflow || n.magnitude > static_cast<std::uint64_t>(kFar)) {
        return n.negative ? -kFar : kFar;
    }
    const long magnitude = static_cast<long>(n.magnitude);
    return n.negative ? -magnitude : magnitude;
}

int NearestPaletteIndex(long colour) {
    int best = 0;
    long best_distance = std::numeric_limits<long>::max();
    for (int index = 0; index < kPaletteSize; ++index) {
        const auto palette = static_cast<long>(PaletteColour(index));
        long distance = 0;
        for (int shift = 0; shift < 24; shift += 8) {
            const long d = ((colour >> shift) & 0xFF) - ((palette >> shift) & 0xFF);
            distance += d * d;
        }
        if (distance < best_distance) {
            best = index;
            best_distance = distance;
        }
    }
    return best;
}

}  // namespace

ImportedSetting ImportSetting(std::string_view key, std::string_view text, int device_type) {
    ImportedSetting imported;
    if (const std::optional<int> group = GroupOf(key, "_rgb"); group && *group < kDpiLevels) {
        const std::optional<long> colour = ParseColour(text);
        if (!colour || *colour < 0 || *colour > kMaxColour) {
            return imported;
        }
        const int index = NearestPaletteIndex(*colour);
        const auto stored = static_cast<long>(PaletteColour(index));
        imported.rows.emplace_back(key, Number(stored));
        imported.rows.emplace_back(DpiGroupRgbIndexKey(*group), Number(index));
        imported.corrected = stored != *colour;
        return imported;
    }
    const std::optional<long> value = LenientInteger(text);
    if (!value) {
        return imported;
    }
    long stored = *value;
    if (const std::optional<int> group = GroupOf(key, "_value"); group && *group < kDpiLevels) {
        // The range is what the mouse holds (one byte of 50s, of 100s for level 7): the mouse
        // itself may report values the slider does not reach.
        const long unit = *group == 7 ? 100 : 50;
        if (stored < 1) {
            stored = ParseInteger(DefaultConfigValue(device_type, key)).value_or(unit);
        }
        stored = std::clamp(stored, unit, 255 * unit);
    } else {
        long low = 0;
        long high = 0;
        if (!RangeOf(key, low, high)) {
            return imported;
        }
        stored = std::clamp(stored, low, high);
    }
    imported.rows.emplace_back(key, Number(stored));
    imported.corrected = stored != *value;
    return imported;
}

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
    RangeOf(key, low, high);
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
