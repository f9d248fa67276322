#pragma once

// A mouse interface behind the kernel's uhid driver: creates the HID device, answers its output
// reports through a Responder and can be unplugged and plugged again.

#include <cstdint>
#include <string>

#include "interface_kind.h"
#include "responder.h"

namespace veltra::uhid {

struct DeviceIdentity {
    std::string name = "Veltra uhid mouse";
    // The USB form real interfaces carry; the hot-plug path takes the interface number from the
    // "/inputN" suffix.
    std::string phys = "usb-0000:00:14.0-2/input2";
    std::string uniq;
    // BUS_USB or BUS_BLUETOOTH of <linux/input.h>.
    std::uint16_t bus = 0x03;
    std::uint16_t vendor_id = 0;
    std::uint16_t product_id = 0;
    std::uint16_t release = 0x0100;
};

class UhidMouse {
  public:
    // `fd` is /dev/uhid (or, in tests, a socket that keeps message boundaries); not owned.
    UhidMouse(int fd, InterfaceLayout layout, DeviceIdentity identity, Responder& responder);

    // UHID_CREATE2; true when the device exists afterwards.
    bool Plug();
    // UHID_DESTROY; true when the device is gone afterwards.
    bool Unplug();
    bool plugged() const { return plugged_; }
    // A driver has started the device since it was plugged.
    bool started() const { return started_; }

    // Reads and handles one event. False when the descriptor failed or was closed.
    bool HandleEvent();

    // Sends the DPI-button notification; false when unplugged or the write failed.
    bool PressDpiButton();

    // Output reports answered by the responder, and those dropped as malformed.
    int outputs_taken() const { return outputs_taken_; }
    int outputs_dropped() const { return outputs_dropped_; }

  private:
    bool SendInput(const Payload& payload);
    void HandleOutput(std::span<const std::uint8_t> data);

    int fd_;
    InterfaceLayout layout_;
    DeviceIdentity identity_;
    Responder& responder_;
    bool plugged_ = false;
    bool started_ = false;
    int outputs_taken_ = 0;
    int outputs_dropped_ = 0;
};

}  // namespace veltra::uhid
