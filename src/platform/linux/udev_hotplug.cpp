#include "platform/linux/udev_hotplug.h"

#include <libudev.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "common/text.h"

namespace veltra {
namespace {

constexpr int kBusBluetooth = 0x05;

std::vector<std::string_view> SplitPath(std::string_view path) {
    std::vector<std::string_view> parts;
    while (!path.empty()) {
        const std::size_t slash = path.find('/');
        const std::string_view part = path.substr(0, slash);
        if (!part.empty()) {
            parts.push_back(part);
        }
        if (slash == std::string_view::npos) {
            break;
        }
        path.remove_prefix(slash + 1);
    }
    return parts;
}

bool IsHexDigits(std::string_view text) {
    return !text.empty() &&
           text.find_first_not_of("0123456789abcdefABCDEF") == std::string_view::npos;
}

// "0003:1A2B:00FF.0005"
bool ParseHidName(std::string_view name, HidrawIdentity& identity) {
    if (name.size() < 16 || name[4] != ':' || name[9] != ':' || name[14] != '.' ||
        !IsHexDigits(name.substr(0, 4)) || !IsHexDigits(name.substr(5, 4)) ||
        !IsHexDigits(name.substr(10, 4)) || !IsHexDigits(name.substr(15))) {
        return false;
    }
    identity.bus = static_cast<int>(ParseHex(name.substr(0, 4)));
    identity.vendor_id = static_cast<int>(ParseHex(name.substr(5, 4)));
    identity.product_id = static_cast<int>(ParseHex(name.substr(10, 4)));
    identity.instance = std::string(name);
    return true;
}

// A USB interface directory: "<port path>:<configuration>.<interface>", e.g. "1-2.4:1.2".
std::optional<int> UsbInterfaceNumber(std::string_view part) {
    const std::size_t colon = part.find(':');
    if (colon == std::string_view::npos || colon == 0) {
        return std::nullopt;
    }
    const std::string_view tail = part.substr(colon + 1);
    const std::size_t dot = tail.find('.');
    if (dot == std::string_view::npos || dot == 0 || dot + 1 == tail.size() ||
        tail.substr(0, dot).find_first_not_of("0123456789") != std::string_view::npos ||
        tail.substr(dot + 1).find_first_not_of("0123456789") != std::string_view::npos) {
        return std::nullopt;
    }
    return static_cast<int>(ParseDecimal(tail.substr(dot + 1)));
}

std::optional<int> InputSuffix(std::string_view phys) {
    const std::size_t slash = phys.rfind("/input");
    if (slash == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view digits = phys.substr(slash + 6);
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos) {
        return std::nullopt;
    }
    return static_cast<int>(ParseDecimal(digits));
}

const char* Property(udev_device* device, const char* name) {
    const char* value = udev_device_get_property_value(device, name);
    return value != nullptr ? value : "";
}

std::optional<HotplugEvent> EventOf(udev_device* device, HotplugEvent::Kind kind) {
    const char* devpath = udev_device_get_devpath(device);
    if (devpath == nullptr) {
        return std::nullopt;
    }
    std::string phys;
    if (kind == HotplugEvent::Kind::Arrival) {
        if (udev_device* hid =
                udev_device_get_parent_with_subsystem_devtype(device, "hid", nullptr)) {
            phys = Property(hid, "HID_PHYS");
        }
    }
    const std::optional<HidrawIdentity> identity = ParseHidrawDevpath(devpath, phys);
    if (!identity) {
        return std::nullopt;
    }
    HotplugEvent event{kind, WindowsInterfacePath(*identity), {}};
    if (const char* node = udev_device_get_devnode(device)) {
        event.node = node;
    } else if (const char* name = udev_device_get_property_value(device, "DEVNAME")) {
        event.node = std::string(name).starts_with('/') ? name : std::string("/dev/") + name;
    }
    return event;
}

// systemd-udevd and eudev both keep their control socket here while they run.
bool UdevDaemonRuns() {
    std::error_code error;
    return std::filesystem::exists("/run/udev/control", error);
}

}  // namespace

std::optional<HidrawIdentity> ParseHidrawDevpath(std::string_view devpath,
                                                 std::string_view hid_phys) {
    const std::vector<std::string_view> parts = SplitPath(devpath);
    // ... / <hid device> / hidraw / hidrawN
    if (parts.size() < 3 || parts[parts.size() - 2] != "hidraw" ||
        !parts.back().starts_with("hidraw")) {
        return std::nullopt;
    }
    HidrawIdentity identity;
    if (!ParseHidName(parts[parts.size() - 3], identity)) {
        return std::nullopt;
    }
    std::optional<int> number;
    if (parts.size() >= 4) {
        number = UsbInterfaceNumber(parts[parts.size() - 4]);
    }
    if (!number) {
        number = InputSuffix(hid_phys);
    }
    identity.interface_number = number.value_or(0);
    return identity;
}

std::string WindowsInterfacePath(const HidrawIdentity& identity) {
    char text[200];
    if (identity.bus == kBusBluetooth) {
        std::snprintf(
            text, sizeof text,
            "\\\\?\\HID#{00001812-0000-1000-8000-00805F9B34FB}_DEV_VID&02%04X_PID&%04X#%s",
            identity.vendor_id & 0xFFFF, identity.product_id & 0xFFFF, identity.instance.c_str());
    } else {
        std::snprintf(text, sizeof text, "\\\\?\\HID#VID_%04X&PID_%04X&MI_%02d#%s",
                      identity.vendor_id & 0xFFFF, identity.product_id & 0xFFFF,
                      identity.interface_number & 0xFF, identity.instance.c_str());
    }
    return text;
}

UdevHotplugSource::UdevHotplugSource(Feed feed) : feed_(feed) {}

UdevHotplugSource::~UdevHotplugSource() {
    Stop();
}

bool UdevHotplugSource::Start(Sink sink) {
    Stop();
    udev_ = udev_new();
    if (udev_ == nullptr) {
        return false;
    }
    const bool use_udev = feed_ == Feed::Udev || (feed_ == Feed::Automatic && UdevDaemonRuns());
    monitor_ = udev_monitor_new_from_netlink(udev_, use_udev ? "udev" : "kernel");
    if (monitor_ == nullptr || !stop_.Open() ||
        udev_monitor_filter_add_match_subsystem_devtype(monitor_, "hidraw", nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor_) < 0) {
        Stop();
        return false;
    }
    RememberPresentDevices();
    thread_ = std::thread([this, sink = std::move(sink)] { Run(sink); });
    return true;
}

void UdevHotplugSource::Stop() {
    if (thread_.joinable()) {
        stop_.Raise();
        thread_.join();
    }
    stop_.Close();
    if (monitor_ != nullptr) {
        udev_monitor_unref(monitor_);
        monitor_ = nullptr;
    }
    if (udev_ != nullptr) {
        udev_unref(udev_);
        udev_ = nullptr;
    }
    known_.clear();
}

void UdevHotplugSource::RememberPresentDevices() {
    udev_enumerate* enumerate = udev_enumerate_new(udev_);
    if (enumerate == nullptr) {
        return;
    }
    udev_enumerate_add_match_subsystem(enumerate, "hidraw");
    udev_enumerate_scan_devices(enumerate);
    for (udev_list_entry* entry = udev_enumerate_get_list_entry(enumerate); entry != nullptr;
         entry = udev_list_entry_get_next(entry)) {
        udev_device* device = udev_device_new_from_syspath(udev_, udev_list_entry_get_name(entry));
        if (device == nullptr) {
            continue;
        }
        if (const auto event = EventOf(device, HotplugEvent::Kind::Arrival)) {
            known_[udev_device_get_devpath(device)] = *event;
        }
        udev_device_unref(device);
    }
    udev_enumerate_unref(enumerate);
}

void UdevHotplugSource::Run(Sink sink) {
    for (;;) {
        pollfd fds[2] = {{udev_monitor_get_fd(monitor_), POLLIN, 0}, {stop_.fd(), POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        if ((fds[1].revents & POLLIN) != 0) {
            return;
        }
        udev_device* device = udev_monitor_receive_device(monitor_);
        if (device == nullptr) {
            continue;
        }
        const std::string action =
            udev_device_get_action(device) != nullptr ? udev_device_get_action(device) : "";
        const char* devpath = udev_device_get_devpath(device);
        std::optional<HotplugEvent> event;
        if (action == "add" && devpath != nullptr) {
            event = EventOf(device, HotplugEvent::Kind::Arrival);
            if (event) {
                known_[devpath] = *event;
            }
        } else if (action == "remove" && devpath != nullptr) {
            const auto found = known_.find(devpath);
            if (found != known_.end()) {
                event = found->second;
                event->kind = HotplugEvent::Kind::Removal;
                known_.erase(found);
            } else {
                event = EventOf(device, HotplugEvent::Kind::Removal);
            }
        }
        udev_device_unref(device);
        if (event) {
            sink(*event);
        }
    }
}

}  // namespace veltra
