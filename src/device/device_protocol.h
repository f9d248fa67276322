#pragma once

// The procedures built on the command protocol: reading the mouse into the store, writing the
// settings and the button codes, the factory-reset sequence and the macro upload. They run on the
// worker thread (or the CLI's main thread) and rebuild every command from the store.

#include <functional>
#include <string_view>

#include "device/command_protocol.h"
#include "device/device_state.h"
#include "device/driver_comm.h"

namespace veltra {

class ProfileStore;

struct ResetOutcome {
    // The first step that did not go out, else the last step's result.
    ExchangeResult result = ExchangeResult::NoDevice;
    // The mouse is behind its receiver and the sequence went out: the caller resynchronises
    // (read, profile list, pages), which the mouse's own restart does otherwise.
    bool resync = false;
};

struct MacroUploadOutcome {
    // The first chunk that did not go out, else the last chunk's result.
    ExchangeResult result = ExchangeResult::NoDevice;
    std::size_t chunks = 0;
    // Chunks written before a failure ended the upload.
    std::size_t chunks_sent = 0;
    std::size_t macros = 0;
    // Macros whose every event lies in the bytes the upload sends.
    std::size_t macros_sent = 0;
};

// The writes report what became of them; the mouse confirms none, so a write that went out is
// the best outcome there is (see ExchangeResult).
class DeviceProtocol {
  public:
    using BatteryDisplay = std::function<void(const BatteryInfo&)>;

    // `state.active_profile` and `state.current_device_type` select what the store calls use.
    DeviceProtocol(DriverComm& comm, ProfileStore& store, DeviceState& state,
                   BatteryDisplay battery_display = {});

    // Status and config read; true when the config block was read (see ReadStored).
    bool ReadDeviceData();
    // Whether every value the last ReadDeviceData took from the mouse reached the store; a
    // read-only or damaged store refuses them while the read itself succeeds.
    bool ReadStored() const { return read_stored_; }
    // Settings write (command 0x02 from the store).
    ExchangeResult WriteConfig();
    // Button-code write (command 0x02 carrying the key slots).
    ExchangeResult WriteKeys();
    // Factory-reset commands; a first step that does not go out ends the sequence.
    ResetOutcome ResetDevice();
    // Sends every stored macro; a chunk that does not go out ends the upload.
    MacroUploadOutcome UploadMacros();

    // The settings of the active profile as the config block carries them.
    ConfigFields LoadConfigFields();

  private:
    bool Exchange(Command command, Frame& answer);
    void StoreInt(std::string_view key, int value);

    DriverComm& comm_;
    ProfileStore& store_;
    DeviceState& state_;
    BatteryDisplay battery_display_;
    bool read_stored_ = true;
};

}  // namespace veltra
