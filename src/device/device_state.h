#pragma once

// The device state the device worker works on and the window looks at.
//
// Threads: a DeviceState is plain data for one thread. The worker keeps its own working copy
// (the protocol procedures write into it) and publishes it into the window's SharedDeviceState
// before every view notification and at the end of every task, rescan and reader run. Any
// thread takes a whole copy with Snapshot; it is never half-way through an update, and a
// snapshot taken on a notification is at least as new as that notification. Nothing but the
// worker publishes. The command-line tool has no worker and uses a DeviceState directly.

#include <cstdint>
#include <mutex>

#include "device/command_protocol.h"

namespace veltra {

struct DeviceState {
    bool synced = false;            // a complete synchronisation happened since start or reset
    bool devices_present = false;   // the last scan found a supported interface
    bool connected_shown = false;   // the view shows the mouse as connected
    bool lighting_present = false;  // the model has a lighting page
    int current_device_type = 0;
    int active_profile = 0;
    StatusBlock status_block{};
    ConfigTemplate config_template{};
    std::uint8_t last_notified_rate = 0;
    std::uint8_t last_notified_dpi_level = 0;
};

class SharedDeviceState {
  public:
    SharedDeviceState() = default;
    explicit SharedDeviceState(const DeviceState& initial) : state_(initial) {}
    SharedDeviceState(const SharedDeviceState&) = delete;
    SharedDeviceState& operator=(const SharedDeviceState&) = delete;

    // Any thread.
    DeviceState Snapshot() const {
        const std::lock_guard lock(mutex_);
        return state_;
    }

    // The worker thread (or, while no worker runs, its owner).
    void Publish(const DeviceState& state) {
        const std::lock_guard lock(mutex_);
        state_ = state;
    }

  private:
    mutable std::mutex mutex_;
    DeviceState state_;
};

}  // namespace veltra
