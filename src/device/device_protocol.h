#pragma once

// The procedures built on the command protocol: reading the mouse into the store, writing the
// settings and the button codes, the factory-reset sequence and the macro upload. They run on the
// worker thread (or the CLI's main thread) and rebuild every command from the store.

#include <functional>
#include <string_view>

#include "device/command_protocol.h"
#include "device/device_state.h"

namespace veltra {

class DriverComm;
class ProfileStore;

class DeviceProtocol {
  public:
    using BatteryDisplay = std::function<void(const BatteryInfo&)>;

    // `state.active_profile` and `state.current_device_type` select what the store calls use.
    DeviceProtocol(DriverComm& comm, ProfileStore& store, DeviceState& state,
                   BatteryDisplay battery_display = {});

    // Status and config read; true when the config block was read and stored.
    bool ReadDeviceData();
    // Settings write (command 0x02 from the store).
    void WriteConfig();
    // Button-code write (command 0x02 carrying the key slots).
    void WriteKeys();
    // Factory-reset commands. True when the mouse is behind its receiver: the caller then
    // resynchronises (read, profile list, pages), which the mouse's own restart does otherwise.
    bool ResetDevice();
    // Sends every stored macro; always true (the mouse does not acknowledge).
    bool UploadMacros();

    // The settings of the active profile as the config block carries them.
    ConfigFields LoadConfigFields();

  private:
    bool Exchange(Command command, Frame& answer);
    void StoreInt(std::string_view key, int value);

    DriverComm& comm_;
    ProfileStore& store_;
    DeviceState& state_;
    BatteryDisplay battery_display_;
};

}  // namespace veltra
