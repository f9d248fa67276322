#pragma once

// Wraps any HID backend and appends every operation with its result to a file, one bridge
// protocol exchange per line: {"t":ms,"request":{...},"answer":{...}}, t counted from the start
// of the recording on a monotonic clock. A user with a real mouse captures a session this way
// (VELTRA_HID_RECORD=<file>); tools/bridge_peer.py --replay serves the capture back.

#include <memory>
#include <string>

#include "device/forwarding_backend.h"

namespace veltra {

class RecordingBackend : public ForwardingBackend {
  public:
    // Appends to `file`; when it cannot be opened, operations pass through unrecorded.
    RecordingBackend(std::unique_ptr<HidBackend> inner, const std::string& file);
    ~RecordingBackend() override;

    bool recording() const { return journal_ != nullptr; }

    // The open file, shared with the devices, which may outlive the backend.
    class Journal;

  protected:
    void Enumerated(const std::vector<HidInterfaceInfo>& interfaces) override;
    std::unique_ptr<HidDevice> Opened(const std::string& path,
                                      std::unique_ptr<HidDevice> device) override;

  private:
    std::shared_ptr<Journal> journal_;
};

}  // namespace veltra
