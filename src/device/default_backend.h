#pragma once

#include <memory>

#include "device/hid_port.h"
#include "device/hotplug.h"

namespace veltra {

// The backend the program talks to: the bridge when VELTRA_HID_BRIDGE names a socket, else the
// platform's HID library. With VELTRA_HID_RECORD=<file> it is wrapped by the recorder.
std::unique_ptr<HidBackend> MakeDefaultHidBackend();

// Wraps `backend` by the recorder when VELTRA_HID_RECORD is set; other backends (the simulated
// mice) use this too so every session can be captured.
std::unique_ptr<HidBackend> WithRecordingFromEnvironment(std::unique_ptr<HidBackend> backend);

// The hot-plug source that goes with MakeDefaultHidBackend: the bridge's watch connection when
// VELTRA_HID_BRIDGE names a socket, else the udev (or kernel uevent) monitor of hidraw.
std::unique_ptr<HotplugSource> MakeDefaultHotplugSource();

}  // namespace veltra
