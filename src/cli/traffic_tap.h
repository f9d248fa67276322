#pragma once

// A pass-through HID backend that remembers what the command needs to show: the frames written
// to the mouse (for --verbose and --json), the interfaces that could not be opened (to tell a
// missing access rule from a missing mouse) and why the backend reached no devices at all.

#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "device/hid_port.h"

namespace veltra::cli {

class TrafficTap {
  public:
    // Writes are kept only while recording, as veltractl does from the start; the window's tap
    // records only while it carries a command out, so it does not gather the window's traffic.
    void RecordWrites(bool on);
    void AddWrite(std::span<const std::uint8_t> data);
    void AddFailedOpen(const std::string& path);
    // A scan: what it found and the backend's failure after it (HidBackend::LastFailure).
    void SetInterfaces(std::vector<HidInterfaceInfo> interfaces, std::string backend_failure);

    std::vector<std::vector<std::uint8_t>> TakeWrites();
    std::vector<HidInterfaceInfo> FailedOpens() const;
    // As of the last scan; empty when the backend reported nothing.
    std::string BackendFailure() const;

  private:
    mutable std::mutex mutex_;
    bool recording_ = true;
    std::vector<std::vector<std::uint8_t>> writes_;
    std::vector<std::string> failed_paths_;
    std::vector<HidInterfaceInfo> interfaces_;
    std::string backend_failure_;
};

std::unique_ptr<HidBackend> MakeTapBackend(std::unique_ptr<HidBackend> inner,
                                           std::shared_ptr<TrafficTap> tap);

}  // namespace veltra::cli
