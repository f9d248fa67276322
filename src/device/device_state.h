#pragma once

// The device state the main window owns and the worker thread works on.

#include <cstdint>

#include "device/command_protocol.h"

namespace veltra {

struct DeviceState {
    int synced = 0;                // 1 after a complete synchronisation
    bool devices_present = false;  // the last scan found a supported interface
    bool connected_shown = false;  // the view shows the mouse as connected
    int lighting_present = 0;      // the model has a lighting page
    int current_device_type = 0;
    int active_profile = 0;
    StatusBlock status_block{};
    ConfigTemplate config_template{};
    std::uint8_t last_notified_rate = 0;
    std::uint8_t last_notified_dpi_level = 0;
};

}  // namespace veltra
