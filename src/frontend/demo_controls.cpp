#include "frontend/demo_controls.h"

#include <algorithm>
#include <string>
#include <vector>

#include "device/driver_comm.h"
#include "sim/firmware_model.h"
#include "sim/simulated_backend.h"

namespace veltra {
namespace {

// The firmware keeps the report rate in two bits.
constexpr int kReportRateCodes = 4;

}  // namespace

DemoControls::DemoControls(sim::SimulatedBackend& backend, int mouse, const Catalogue& catalogue,
                           int device_type, DemoDevices devices)
    : backend_(backend),
      mouse_(mouse),
      devices_(devices),
      bluetooth_id_(BluetoothIdOf(catalogue, device_type)) {}

std::optional<DemoControls::UsbId> DemoControls::BluetoothIdOf(const Catalogue& catalogue,
                                                               int device_type) {
    for (const DeviceModelEntry& mode : catalogue.modes) {
        if (mode.device_type == device_type &&
            mode.connection_mode == static_cast<int>(ConnectionMode::Bluetooth)) {
            return UsbId{static_cast<std::uint16_t>(mode.vid),
                         static_cast<std::uint16_t>(mode.pid)};
        }
    }
    return std::nullopt;
}

int DemoControls::DeviceOf(DemoLink link) const {
    switch (link) {
        case DemoLink::Cable:
            return devices_.wired;
        case DemoLink::Receiver:
            return devices_.receiver;
        case DemoLink::Bluetooth: {
            const std::lock_guard lock(mutex_);
            return bluetooth_;
        }
    }
    return -1;
}

bool DemoControls::Available(DemoLink link) const {
    if (link == DemoLink::Bluetooth) {
        return bluetooth_id_.has_value();
    }
    return DeviceOf(link) >= 0;
}

bool DemoControls::IsPlugged(DemoLink link) const {
    const int device = DeviceOf(link);
    if (device < 0) {
        return false;
    }
    const std::string path = backend_.ProtocolPath(device);
    const std::vector<HidInterfaceInfo> listed = backend_.Enumerate();
    return !path.empty() &&
           std::any_of(listed.begin(), listed.end(),
                       [&path](const HidInterfaceInfo& info) { return info.path == path; });
}

bool DemoControls::SetPlugged(DemoLink link, bool plugged) {
    if (!Available(link)) {
        return false;
    }
    int device = DeviceOf(link);
    if (link == DemoLink::Bluetooth) {
        const std::lock_guard lock(mutex_);
        if (bluetooth_ < 0) {
            if (!plugged) {
                return true;
            }
            bluetooth_ = backend_.Plug(mouse_, sim::Link::Bluetooth, bluetooth_id_->vendor_id,
                                       bluetooth_id_->product_id);
            return bluetooth_ >= 0;
        }
        device = bluetooth_;
    }
    // Unplug and Replug refuse a device already in the asked state, which is success here.
    if (plugged) {
        backend_.Replug(device);
    } else {
        backend_.Unplug(device);
    }
    return IsPlugged(link) == plugged;
}

bool DemoControls::SetAsleep(bool asleep) {
    bool found = false;
    backend_.WithFirmware(mouse_, [&](sim::FirmwareModel& firmware) {
        firmware.SetAsleep(asleep);
        found = true;
    });
    return found;
}

bool DemoControls::Asleep() const {
    bool asleep = false;
    backend_.WithFirmware(mouse_,
                          [&](sim::FirmwareModel& firmware) { asleep = firmware.Asleep(); });
    return asleep;
}

bool DemoControls::PressDpiButton() {
    return backend_.PressDpiButton(mouse_);
}

bool DemoControls::CycleReportRate() {
    const std::lock_guard lock(mutex_);
    int code = -1;
    backend_.WithFirmware(mouse_,
                          [&](sim::FirmwareModel& firmware) { code = firmware.ReportRateCode(); });
    return code >= 0 && backend_.ChangeReportRate(mouse_, (code + 1) % kReportRateCodes);
}

std::optional<DemoMouseState> DemoControls::MouseState() const {
    std::optional<DemoMouseState> state;
    backend_.WithFirmware(mouse_, [&](sim::FirmwareModel& firmware) {
        state.emplace();
        for (std::size_t slot = 0; slot < state->keys.size(); ++slot) {
            state->keys[slot] = firmware.KeySlot(static_cast<int>(slot));
        }
        constexpr std::array kRates = {1000, 500, 250, 125};
        const int code = firmware.ReportRateCode();
        state->report_rate_hz =
            code >= 0 && code < static_cast<int>(kRates.size()) ? kRates[code] : 0;
        state->dpi_level = firmware.ActiveDpiLevel();
        state->dpi = firmware.DpiValue(state->dpi_level);
        state->writes = firmware.ConfigWrites();
    });
    return state;
}

int DemoControls::BatteryLevel() const {
    int level = -1;
    backend_.WithFirmware(mouse_,
                          [&](sim::FirmwareModel& firmware) { level = firmware.BatteryLevel(); });
    return level;
}

bool DemoControls::SetBatteryLevel(int percent) {
    const auto level = static_cast<std::uint8_t>(std::clamp(percent, 0, 100));
    bool found = false;
    backend_.WithFirmware(mouse_, [&](sim::FirmwareModel& firmware) {
        firmware.SetBatteryLevel(level);
        found = true;
    });
    return found;
}

bool DemoControls::DrainBattery(int points) {
    bool found = false;
    backend_.WithFirmware(mouse_, [&](sim::FirmwareModel& firmware) {
        firmware.SetPower(false, false);
        firmware.SetBatteryLevel(
            static_cast<std::uint8_t>(std::clamp(firmware.BatteryLevel() - points, 0, 100)));
        found = true;
    });
    return found;
}

bool DemoControls::ChargeBattery(int points) {
    bool found = false;
    backend_.WithFirmware(mouse_, [&](sim::FirmwareModel& firmware) {
        const int level = std::clamp(firmware.BatteryLevel() + points, 0, 100);
        firmware.SetBatteryLevel(static_cast<std::uint8_t>(level));
        firmware.SetPower(true, level == 100);
        found = true;
    });
    return found;
}

}  // namespace veltra
