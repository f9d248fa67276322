#include "device/command_protocol.h"

#include <algorithm>

namespace veltra {
namespace {

// Payload byte n sits at frame byte n + 1.
constexpr std::size_t P(std::size_t payload_byte) {
    return payload_byte + 1;
}

Frame FrameFromTemplate(const ConfigTemplate& config_template, int device_type) {
    Frame frame{};
    std::copy(config_template.begin(), config_template.end(), frame.begin() + 1);
    frame[0] = 0x00;
    frame[P(0)] = 0x55;
    frame[P(1)] = 0xAA;
    frame[P(2)] = static_cast<std::uint8_t>(Command::WriteConfig);
    frame[P(3)] = ConfigLengthByte(device_type);
    frame[P(63)] = 0x00;
    return frame;
}

std::uint8_t RateByte(const ConfigFields& f) {
    return static_cast<std::uint8_t>((f.dpi_index & 7) << 5 | (f.sleep_light & 7) << 2 |
                                     (f.report_rate & 3));
}

}  // namespace

Frame BuildCommandFrame(Command command) {
    Frame frame{};
    frame[P(0)] = 0x55;
    frame[P(1)] = 0xAA;
    frame[P(2)] = static_cast<std::uint8_t>(command);
    return frame;
}

std::uint8_t ConfigLengthByte(int device_type) {
    return device_type >= 100 && device_type < 200 ? 0x20 : 0x21;
}

int GetColourIndex(std::span<const std::uint8_t, 4> planes, int level) {
    if (level < 0 || level > 7) {
        return 0;
    }
    int index = 0;
    for (int k = 0; k < 4; ++k) {
        index |= ((planes[k] >> level) & 1) << k;
    }
    return index;
}

void SetColourIndex(std::span<std::uint8_t, 4> planes, int level, int index) {
    // Levels 8..15 have no bit in a plane byte, so they change nothing either.
    if (level < 0 || level > 7 || index < 0 || index > 15) {
        return;
    }
    for (int k = 0; k < 4; ++k) {
        const auto bit = static_cast<std::uint8_t>(1u << level);
        if ((index >> k) & 1) {
            planes[k] |= bit;
        } else {
            planes[k] &= static_cast<std::uint8_t>(~bit);
        }
    }
}

ColourValue PaletteColour(int index) {
    static constexpr ColourValue kPalette[16] = {
        0xFFFFFF, 0x0000FF, 0x007FFF, 0x00FFFF, 0x00FF7F, 0x00FF3F, 0x00FF00, 0x7FFF00,
        0xFFFF00, 0xFF7F00, 0xFF3F00, 0xFF0000, 0xFF007F, 0xFF00FF, 0x7F00FF, 0x3F00FF};
    if (index < 0 || index > 15) {
        return 0x0000FF;
    }
    return kPalette[index];
}

BatteryInfo ApplyBatteryRule(StatusBlock& status) {
    const std::uint8_t flags = status[0];
    const bool external = (flags & 0x80) != 0;
    const bool complete = (flags & 0x40) != 0;
    if (external && complete) {
        status[1] = 100;
        return {100, false};
    }
    return {status[1], external};
}

int DpiFromByte(int level, std::uint8_t code) {
    return code * (level == 7 ? 100 : 50);
}

std::uint8_t DpiToByte(int level, int dpi) {
    return static_cast<std::uint8_t>((dpi / (level == 7 ? 100 : 50)) & 0xFF);
}

ConfigFields DecodeConfigBlock(std::span<const std::uint8_t> payload) {
    ConfigFields f;
    if (payload.size() < 36) {
        return f;
    }
    f.report_rate = payload[4] & 3;
    f.sleep_light = (payload[4] >> 2) & 7;
    f.dpi_index = (payload[4] >> 5) & 7;
    f.spare_time = payload[5] & 3;
    f.key_wakeup = (payload[5] >> 3) & 1;
    f.game_mode = (payload[5] >> 4) & 1;
    f.dpi_flag = payload[23];
    const std::span<const std::uint8_t, 4> planes(payload.data() + 24, 4);
    for (int i = 0; i < kDpiLevels; ++i) {
        f.rgb_index[i] = GetColourIndex(planes, i);
        f.dpi_value[i] = DpiFromByte(i, payload[28 + i]);
    }
    return f;
}

Frame EncodeSettingsWrite(ConfigTemplate& config_template, const ConfigFields& fields,
                          int device_type) {
    Frame frame = FrameFromTemplate(config_template, device_type);
    frame[P(4)] = RateByte(fields);
    frame[P(5)] =
        static_cast<std::uint8_t>((fields.game_mode & 1) << 4 | (fields.key_wakeup & 1) << 3 |
                                  (fields.lightmode & 1) << 2 | (fields.spare_time & 3));
    frame[P(23)] = static_cast<std::uint8_t>(fields.dpi_flag & 0xFF);
    std::array<std::uint8_t, 4> planes{};
    for (int i = 0; i < kDpiLevels; ++i) {
        SetColourIndex(planes, i, fields.rgb_index[i]);
        frame[P(28 + i)] = DpiToByte(i, fields.dpi_value[i]);
    }
    std::copy(planes.begin(), planes.end(), frame.begin() + P(24));
    config_template[4] = frame[P(4)];
    config_template[5] = frame[P(5)];
    std::copy(frame.begin() + P(23), frame.begin() + P(36), config_template.begin() + 23);
    return frame;
}

Frame EncodeKeyWrite(ConfigTemplate& config_template, std::span<const std::uint8_t, 128> codes,
                     const ConfigFields& fields, int device_type) {
    Frame frame = FrameFromTemplate(config_template, device_type);
    std::uint8_t mask = 0;
    for (int i = 0; i < kKeySlots; ++i) {
        if (codes[2 * i] != 0 || codes[2 * i + 1] != 0) {
            mask |= static_cast<std::uint8_t>(1u << i);
        }
    }
    frame[P(6)] = mask;
    std::copy(codes.begin(), codes.begin() + 2 * kKeySlots, frame.begin() + P(7));
    frame[P(4)] = RateByte(fields);
    std::copy(frame.begin() + P(6), frame.begin() + P(19), config_template.begin() + 6);
    return frame;
}

}  // namespace veltra
