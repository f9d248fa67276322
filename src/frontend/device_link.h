#pragma once

// The composition root of the device link: which HID backend and which hot-plug source a front
// end gets. Every front end takes its backend from here, so the choice (simulated mouse, bridge
// peer, the platform's HID library, with or without a recording) is made in one place.

#include <memory>
#include <string>

#include "config/catalogue.h"
#include "device/hid_port.h"
#include "device/hotplug.h"

namespace veltra {

namespace sim {
class SimulatedBackend;
}

enum class DeviceLinkKind {
    Platform,   // the platform's HID library (hidraw on Linux)
    Bridge,     // a bridge peer named by VELTRA_HID_BRIDGE
    Simulated,  // the demo mouse, in this process
};

// The devices the demo plugged for its mouse; -1 for one it did not plug.
struct DemoDevices {
    int wired = -1;
    int receiver = -1;
};

struct DeviceLink {
    DeviceLinkKind kind = DeviceLinkKind::Platform;
    // The socket of a bridge peer; empty otherwise.
    std::string bridge;
    std::unique_ptr<HidBackend> backend;
    std::unique_ptr<HotplugSource> hotplug;
    // The simulated bus under `backend` in demo mode, for plugging the demo mouse in and out;
    // owned by `backend`.
    sim::SimulatedBackend* simulated = nullptr;
    // The demo mouse on `simulated` and the devices leading to it; -1 outside demo mode.
    int demo_mouse = -1;
    DemoDevices demo_devices;
};

struct DeviceLinkOptions {
    // The simulated mouse with the catalogue's identities of `device_type`.
    bool demo = false;
    int device_type = 0;
    // Scales the simulated mouse's answer times; below 1 answers faster than a real mouse.
    double demo_time_scale = 1.0;
};

// Demo when asked; else the bridge when VELTRA_HID_BRIDGE names a socket; else the platform's
// HID library with its udev (or kernel uevent) hot-plug source. With VELTRA_HID_RECORD=<file>
// the backend is wrapped by the recorder.
DeviceLink MakeDeviceLink(const Catalogue& catalogue, const DeviceLinkOptions& options);

// The socket VELTRA_HID_BRIDGE names; empty when unset.
std::string BridgeSocketFromEnvironment();

// Wraps `backend` by the recorder when VELTRA_HID_RECORD is set.
std::unique_ptr<HidBackend> WithRecordingFromEnvironment(std::unique_ptr<HidBackend> backend);

}  // namespace veltra
