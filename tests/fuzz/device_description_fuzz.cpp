// Reads arbitrary bytes as a device description and checks what the reader promises of it.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "config/device_description.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto description = veltra::ParseDeviceDescription(bytes);
    if (description && description->buttons) {
        const auto keys = veltra::DefaultKeyList(*description->buttons);
        if (keys.size() != description->buttons->size()) {
            __builtin_trap();
        }
        for (std::size_t i = 0; i < keys.size(); ++i) {
            const auto& button = (*description->buttons)[i];
            if (keys[i].key_code != button.key_value || keys[i].layout_value != button.key_value) {
                __builtin_trap();
            }
        }
    }
    veltra::ParseButtonRect(bytes.substr(0, 64));
    return 0;
}
