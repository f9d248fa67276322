// Decodes arbitrary mouse answers as config blocks and writes them back: the write must keep
// every byte it does not own, whatever the mouse sent.

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "device/command_protocol.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace veltra;
    const std::span<const std::uint8_t> payload(data, size);
    ConfigFields fields = DecodeConfigBlock(payload);
    if (size < 64) {
        return 0;
    }
    ConfigTemplate config_template{};
    std::copy(data, data + kConfigTemplateSize, config_template.begin());
    fields.lightmode = (data[5] >> 2) & 1;
    const Frame frame = EncodeSettingsWrite(config_template, fields, data[0]);
    for (std::size_t b = 6; b < kConfigTemplateSize; ++b) {
        if ((b < 23 || b > 35) && frame[b + 1] != data[b]) {
            std::abort();
        }
    }
    StatusBlock status{};
    std::copy(data + 4, data + 4 + kStatusBlockSize, status.begin());
    const BatteryInfo battery = ApplyBatteryRule(status);
    if (battery.level < 0 || battery.level > 255) {
        std::abort();
    }
    return 0;
}
