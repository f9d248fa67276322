#pragma once

// The HID port: everything DriverComm knows about HID. Bytes cross it exactly as hidapi passes
// or returns them, so every backend (hidapi, simulated, bridge) is interchangeable.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace veltra {

struct HidInterfaceInfo {
    std::string path;
    std::uint16_t vendor_id = 0;
    std::uint16_t product_id = 0;
    std::uint16_t release_number = 0;
    std::uint16_t usage_page = 0;
    std::uint16_t usage = 0;
    // Length of the interface's output report including the report id byte; 0 when unknown.
    int output_report_length = 0;
};

// One opened interface; closing it is destroying it.
class HidDevice {
  public:
    virtual ~HidDevice() = default;

    // Writes one output report; data[0] is the report id. Returns bytes written or -1.
    virtual int Write(std::span<const std::uint8_t> data) = 0;

    // Reads one input report into `buffer`. Returns the byte count, 0 when the time-out passed
    // without data, or -1 on error (for example the device is gone).
    virtual int Read(std::span<std::uint8_t> buffer, int timeout_ms) = 0;

    virtual int OutputReportLength() const = 0;
};

class HidBackend {
  public:
    virtual ~HidBackend() = default;

    virtual std::vector<HidInterfaceInfo> Enumerate() = 0;

    // Opens by path for reading and writing; nullptr on failure.
    virtual std::unique_ptr<HidDevice> Open(const std::string& path) = 0;

    // Why the devices could not be reached at all, when the backend can tell (a bridge peer that
    // is gone, for example); empty while the way to them works.
    virtual std::string LastFailure() const { return {}; }
};

}  // namespace veltra
