#pragma once

// Wraps any HID backend and appends every operation with its result to a file, one bridge
// protocol exchange per line: {"t":ms,"request":{...},"answer":{...}}, t counted from the start
// of the recording on a monotonic clock. A user with a real mouse captures a session this way
// (VELTRA_HID_RECORD=<file>); tools/bridge_peer.py --replay serves the capture back.

#include <memory>
#include <string>

#include "device/hid_port.h"

namespace veltra {

class RecordingBackend : public HidBackend {
  public:
    // Appends to `file`; when it cannot be opened, operations pass through unrecorded.
    RecordingBackend(std::unique_ptr<HidBackend> inner, const std::string& file);
    ~RecordingBackend() override;

    std::vector<HidInterfaceInfo> Enumerate() override;
    std::unique_ptr<HidDevice> Open(const std::string& path) override;

    bool recording() const { return journal_ != nullptr; }

    // The open file, shared with the devices, which may outlive the backend.
    class Journal;

  private:
    std::unique_ptr<HidBackend> inner_;
    std::shared_ptr<Journal> journal_;
};

}  // namespace veltra
