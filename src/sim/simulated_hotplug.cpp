// Plugging and unplugging simulated devices, and the thread that hands their hot-plug events to
// the listeners.

#include <cstdio>
#include <thread>

#include "sim/simulated_state.h"

namespace veltra::sim {
namespace {

constexpr char kHidClassGuid[] = "{4d1e55b2-f16f-11cf-88cb-001111000030}";

std::string UsbPath(std::uint16_t vid, std::uint16_t pid, int mi, int device) {
    char text[160];
    std::snprintf(text, sizeof text, "\\\\?\\HID#VID_%04X&PID_%04X&MI_%02X#7&%08X&0&0000#%s", vid,
                  pid, mi, 0x2A5C0000u + static_cast<unsigned>(device) * 0x101u, kHidClassGuid);
    return text;
}

std::string BluetoothPath(std::uint16_t vid, std::uint16_t pid, std::uint16_t release,
                          int collection, int device) {
    char text[200];
    std::snprintf(text, sizeof text,
                  "\\\\?\\HID#{00001812-0000-1000-8000-00805F9B34FB}_DEV_VID&02%04X_PID&%04X_REV&"
                  "%04X_C0FFEE%06X&COL%02d#9&%08X&0&0000#%s",
                  vid, pid, release, static_cast<unsigned>(device), collection,
                  0x1B3D0000u + static_cast<unsigned>(device) * 0x101u, kHidClassGuid);
    return text;
}

SimulatedState::Interface MakeInterface(std::string path, std::uint16_t vid, std::uint16_t pid,
                                        const PlugOptions& options, std::uint16_t usage_page,
                                        std::uint16_t usage, int output_length,
                                        std::uint8_t report_id, bool protocol) {
    SimulatedState::Interface interface;
    interface.info.path = std::move(path);
    interface.info.vendor_id = vid;
    interface.info.product_id = pid;
    interface.info.release_number = options.release_number;
    interface.info.usage_page = usage_page;
    interface.info.usage = usage;
    interface.info.output_report_length = output_length;
    interface.report_id = report_id;
    interface.protocol = protocol;
    return interface;
}

std::vector<SimulatedState::Interface> MakeInterfaces(int device, Link link, std::uint16_t vid,
                                                      std::uint16_t pid,
                                                      const PlugOptions& options) {
    std::vector<SimulatedState::Interface> list;
    if (link == Link::Bluetooth) {
        if (options.companion_interfaces) {
            list.push_back(MakeInterface(BluetoothPath(vid, pid, options.release_number, 1, device),
                                         vid, pid, options, 0x0001, 0x0002, 0, 0, false));
        }
        list.push_back(MakeInterface(BluetoothPath(vid, pid, options.release_number, 2, device),
                                     vid, pid, options, 0xFF00, 0x000E, 65, 0, true));
        return list;
    }
    if (options.companion_interfaces) {
        list.push_back(MakeInterface(UsbPath(vid, pid, 0, device), vid, pid, options, 0x0001,
                                     0x0002, 0, 0, false));
        list.push_back(MakeInterface(UsbPath(vid, pid, 1, device), vid, pid, options, 0x0001,
                                     0x0006, 0, 0, false));
    }
    const bool short_form = link == Link::ShortForm;
    list.push_back(MakeInterface(UsbPath(vid, pid, 2, device), vid, pid, options, 0x00C0, 0x0001,
                                 short_form ? 49 : 65, short_form ? 0x06 : 0x00, true));
    return list;
}

}  // namespace

void SimulatedState::Announce(const Device& device, HotplugEvent::Kind kind) {
    for (const auto& interface : device.interfaces) {
        pending.push_back({{kind, interface.info.path}, next_listener});
    }
    hotplug_changed.notify_all();
}

void SimulatedState::Remove(int id, Device& device) {
    if (!device.plugged) {
        return;
    }
    device.plugged = false;
    for (auto& [handle_id, handle] : handles) {
        if (handle.device == id) {
            handle.alive = false;
        }
    }
    Announce(device, HotplugEvent::Kind::Removal);
    arrived.notify_all();
}

void SimulatedState::Insert(Device& device) {
    if (device.plugged) {
        return;
    }
    device.plugged = true;
    Announce(device, HotplugEvent::Kind::Arrival);
}

void SimulatedState::Restart(int mouse) {
    for (auto& [id, device] : devices) {
        if (device.mouse == mouse && device.plugged && device.link != Link::Receiver &&
            device.options.replug_on_restart) {
            Remove(id, device);
            Insert(device);
        }
    }
}

void SimulatedState::DispatchLoop() {
    std::unique_lock lock(mutex);
    for (;;) {
        hotplug_changed.wait(lock, [this] { return stopping || !pending.empty(); });
        if (stopping) {
            return;
        }
        const PendingEvent next = std::move(pending.front());
        pending.pop_front();
        std::vector<std::shared_ptr<HotplugListener>> targets;
        for (const auto& [id, listener] : listeners) {
            if (id < next.listener_limit) {
                targets.push_back(listener);
            }
        }
        delivering = true;
        lock.unlock();
        {
            std::lock_guard running(dispatch);
            for (const auto& listener : targets) {
                (*listener)(next.event);
            }
        }
        lock.lock();
        delivering = false;
        hotplug_changed.notify_all();
    }
}

int SimulatedBackend::Plug(int mouse, Link link, std::uint16_t vendor_id, std::uint16_t product_id,
                           PlugOptions options) {
    std::lock_guard lock(state_->mutex);
    if (mouse < 0 || mouse >= static_cast<int>(state_->mice.size())) {
        return -1;
    }
    const int id = state_->next_device++;
    SimulatedState::Device& device = state_->devices[id];
    device.mouse = mouse;
    device.link = link;
    device.options = options;
    device.interfaces = MakeInterfaces(id, link, vendor_id, product_id, options);
    state_->Insert(device);
    return id;
}

bool SimulatedBackend::Unplug(int device) {
    std::lock_guard lock(state_->mutex);
    const auto found = state_->devices.find(device);
    if (found == state_->devices.end() || !found->second.plugged) {
        return false;
    }
    state_->Remove(device, found->second);
    return true;
}

bool SimulatedBackend::Replug(int device) {
    std::lock_guard lock(state_->mutex);
    const auto found = state_->devices.find(device);
    if (found == state_->devices.end() || found->second.plugged) {
        return false;
    }
    state_->Insert(found->second);
    return true;
}

int SimulatedBackend::AddHotplugListener(HotplugListener listener) {
    std::lock_guard lock(state_->mutex);
    const int id = state_->next_listener++;
    state_->listeners[id] = std::make_shared<HotplugListener>(std::move(listener));
    return id;
}

void SimulatedBackend::RemoveHotplugListener(int id) {
    {
        std::lock_guard lock(state_->mutex);
        state_->listeners.erase(id);
    }
    // A listener removing itself must not wait for its own call to end.
    if (std::this_thread::get_id() != state_->dispatcher.get_id()) {
        std::lock_guard running(state_->dispatch);
    }
}

void SimulatedBackend::FlushHotplugEvents() {
    if (std::this_thread::get_id() == state_->dispatcher.get_id()) {
        return;
    }
    std::unique_lock lock(state_->mutex);
    state_->hotplug_changed.wait(lock,
                                 [this] { return state_->pending.empty() && !state_->delivering; });
}

}  // namespace veltra::sim
