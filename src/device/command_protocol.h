#pragma once

// The mouse's command protocol: frame building and the codecs of the status block and the config
// block. Pure functions over bytes; the procedures that exchange frames and touch the profile
// store are built on them.

#include <array>
#include <cstdint>
#include <span>

#include "device/frame.h"

namespace veltra {

constexpr std::size_t kStatusBlockSize = 28;     // payload bytes 4..31 of a 0x00 answer
constexpr std::size_t kConfigTemplateSize = 63;  // payload bytes 0..62 of a 0x01 answer
constexpr int kDpiLevels = 8;
constexpr int kKeySlots = 6;

using StatusBlock = std::array<std::uint8_t, kStatusBlockSize>;
using ConfigTemplate = std::array<std::uint8_t, kConfigTemplateSize>;
using ColourValue = std::uint32_t;  // 0x00BBGGRR

enum class Command : std::uint8_t {
    ReadStatus = 0x00,
    ReadConfig = 0x01,
    WriteConfig = 0x02,
    ResetSecond = 0x03,
    ResetFirst = 0x04,
    WriteMacroChunk = 0x06,
};

// A request frame: report id 0, 0x55 0xAA, the command, every other byte zero.
Frame BuildCommandFrame(Command command);

// Length byte of a config-block write: 0x20 for device types 100..199, else 0x21.
std::uint8_t ConfigLengthByte(int device_type);

// Bit i of planes[k] is bit k of level i's 4-bit colour index.
int GetColourIndex(std::span<const std::uint8_t, 4> planes, int level);
// Leaves the planes unchanged when level or index is above 15.
void SetColourIndex(std::span<std::uint8_t, 4> planes, int level, int index);
ColourValue PaletteColour(int index);

struct BatteryInfo {
    int level = 0;
    bool charging = false;
};

// Applies the battery display rule; a charged battery on external power forces the kept
// block's level byte to 100.
BatteryInfo ApplyBatteryRule(StatusBlock& status);

// The settings a config block carries, as the profile store keeps them.
struct ConfigFields {
    int report_rate = 0;
    int sleep_light = 0;
    int dpi_index = 0;
    int spare_time = 0;
    int lightmode = 0;
    int key_wakeup = 0;
    int game_mode = 0;
    int dpi_flag = 0;
    std::array<int, kDpiLevels> rgb_index{};
    std::array<int, kDpiLevels> dpi_value{};  // 0 in a decoded block: leave the stored value
};

// Decodes a config block's payload (at least 36 bytes). lightmode is never read back.
ConfigFields DecodeConfigBlock(std::span<const std::uint8_t> payload);

int DpiFromByte(int level, std::uint8_t code);
std::uint8_t DpiToByte(int level, int dpi);

// Builds the settings write from the template and stores the bytes it owns (payload 4, 5 and
// 23..35) back into the template.
Frame EncodeSettingsWrite(ConfigTemplate& config_template, const ConfigFields& fields,
                          int device_type);

// Builds the key write: `codes` is the 128-byte slot buffer (two bytes per key code). Stores the
// key mask and slot bytes (payload 6..18) back into the template.
Frame EncodeKeyWrite(ConfigTemplate& config_template, std::span<const std::uint8_t, 128> codes,
                     const ConfigFields& fields, int device_type);

}  // namespace veltra
