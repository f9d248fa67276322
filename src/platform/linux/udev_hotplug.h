#pragma once

// The hot-plug source of Linux: a udev monitor of the hidraw subsystem, or, when no udev daemon
// runs (containers, minimal systems), the kernel's own uevents. Each hidraw node is reported in
// the Windows interface-path form the matching rules read, with the node itself for opening.

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "common/stop_signal.h"
#include "device/hotplug.h"

struct udev;
struct udev_monitor;

namespace veltra {

// What the path of one hidraw node is made of.
struct HidrawIdentity {
    int bus = 0;  // 0x03 USB, 0x05 Bluetooth
    int vendor_id = 0;
    int product_id = 0;
    int interface_number = 0;
    std::string instance;  // the HID device's sysfs name, which is unique while it is plugged
};

// Reads bus, vendor, product and instance from a hidraw DEVPATH such as
// /devices/.../1-2:1.2/0003:1A2B:00FF.0005/hidraw/hidraw3, the interface number from its USB
// interface directory ("1-2:1.2" is interface 2), else from `hid_phys`'s "/inputN" suffix.
std::optional<HidrawIdentity> ParseHidrawDevpath(std::string_view devpath,
                                                 std::string_view hid_phys = {});

// \\?\HID#VID_1A2B&PID_00FF&MI_02#<instance>, or for Bluetooth
// \\?\HID#{00001812-0000-1000-8000-00805F9B34FB}_DEV_VID&021A2B_PID&00FF#<instance>.
std::string WindowsInterfacePath(const HidrawIdentity& identity);

class UdevHotplugSource : public HotplugSource {
  public:
    enum class Feed { Automatic, Udev, Kernel };

    explicit UdevHotplugSource(Feed feed = Feed::Automatic);
    ~UdevHotplugSource() override;
    UdevHotplugSource(const UdevHotplugSource&) = delete;
    UdevHotplugSource& operator=(const UdevHotplugSource&) = delete;

    bool Start(Sink sink) override;
    void Stop() override;

  private:
    void Run(Sink sink);
    void RememberPresentDevices();

    Feed feed_;
    udev* udev_ = nullptr;
    udev_monitor* monitor_ = nullptr;
    StopSignal stop_;
    std::thread thread_;
    // Paths of the nodes seen, so a removal (whose sysfs is already gone) is named as it arrived.
    std::map<std::string, HotplugEvent> known_;
};

}  // namespace veltra
