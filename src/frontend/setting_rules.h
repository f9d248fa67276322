#pragma once

// Which settings keys the front ends write and which values they take, the same for the window
// and veltractl. Only keys of the settings table are accepted; "version" is written once by the
// store and is not a setting.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace veltra {

// The keys a profile stores, in table order.
std::vector<std::string> SettingKeys(int device_type);

// Checks `text` as the value of `key` for the model. On success gives the rows to store: the
// value as decimal text, plus the companion rows the window writes with it (the wireless copy of
// the report rate, the colour and palette index of a DPI level). On failure, a message.
struct SettingCheck {
    std::vector<std::pair<std::string, std::string>> rows;
    std::string error;
};
SettingCheck CheckSetting(std::string_view key, std::string_view text, int device_type);

// A settings text read from a profile file, as the rows to store. A whole number outside the
// key's range is brought to its nearer end, as a typed number is; one inside stays as written.
// A DPI value's range is what the mouse can hold, wider than the slider and without its steps,
// since a file may carry values read from the mouse; 0 or less ("not set") takes the family's
// default of the level, which the page shows for it. A DPI colour outside the palette takes the
// nearest palette colour, and the palette index comes along, since the mouse only receives the
// index. No rows for text that is no whole number (a missing attribute reads as empty) or for a
// key a profile file does not carry: the stored value stays. `corrected` says that the stored
// value differs from the number in the text.
struct ImportedSetting {
    std::vector<std::pair<std::string, std::string>> rows;
    bool corrected = false;
};
ImportedSetting ImportSetting(std::string_view key, std::string_view text, int device_type);

// The DPI slider of a level: progress steps of 50 DPI between two limits, with the values
// written under its ends. Level 7 travels in units of 100 DPI, so its slider moves two steps at
// a time and every value it shows is one the mouse keeps.
struct DpiSliderRange {
    int lower = 0;  // in steps of 50 DPI
    int upper = 0;
    int step = 1;  // steps per move
    int LowDpi() const { return lower * 50; }
    int HighDpi() const { return upper * 50; }
};
DpiSliderRange DpiSliderRangeFor(int device_type, int level);

// "0x00BBGGRR" colour values as "#RRGGBB".
std::string ColourText(std::uint32_t colour);
// The other way: "#RRGGBB" as a colour value, or a decimal colour value as stored. Nullopt for
// other text; the range is the caller's to check.
std::optional<long> ParseColour(std::string_view text);

// The report-rate code of a rate in Hz ("1000" or "1000Hz"); nullopt for others.
std::optional<int> ReportRateCode(std::string_view hz);

}  // namespace veltra
