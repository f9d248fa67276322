#include "sim/simulated_backend.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <map>
#include <mutex>
#include <thread>

namespace veltra::sim {

namespace {

constexpr char kHidClassGuid[] = "{4d1e55b2-f16f-11cf-88cb-001111000030}";

struct Interface {
    HidInterfaceInfo info;
    std::uint8_t report_id = 0;
    bool protocol = false;
};

struct Device {
    int mouse = 0;
    Link link = Link::Wired;
    PlugOptions options;
    std::vector<Interface> interfaces;
    bool plugged = false;
    FaultPlan fault;
};

struct DelayedReport {
    std::vector<std::uint8_t> bytes;
    int reads_left = 0;
};

struct Handle {
    int device = 0;
    std::size_t interface = 0;
    bool alive = true;
    std::deque<std::vector<std::uint8_t>> ready;
    std::vector<DelayedReport> delayed;
};

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

Interface MakeInterface(std::string path, std::uint16_t vid, std::uint16_t pid,
                        const PlugOptions& options, std::uint16_t usage_page, std::uint16_t usage,
                        int output_length, std::uint8_t report_id, bool protocol) {
    Interface interface;
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

std::vector<Interface> MakeInterfaces(int device, Link link, std::uint16_t vid, std::uint16_t pid,
                                      const PlugOptions& options) {
    std::vector<Interface> list;
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

// The input report as a read returns it: unnumbered reports lose their id byte, numbered ones
// keep it and carry as many payload bytes as the report holds.
std::vector<std::uint8_t> InputReport(const Interface& interface, const Payload& payload) {
    if (interface.report_id == 0) {
        return {payload.begin(), payload.end()};
    }
    const auto length = static_cast<std::size_t>(interface.info.output_report_length);
    std::vector<std::uint8_t> report(length, 0);
    report[0] = interface.report_id;
    std::copy_n(payload.begin(), std::min(length - 1, payload.size()), report.begin() + 1);
    return report;
}

}  // namespace

struct SimulatedState {
    explicit SimulatedState(BackendOptions backend_options) : options(backend_options) {}

    BackendOptions options;
    mutable std::mutex mutex;
    std::condition_variable arrived;
    bool closed = false;
    std::deque<FirmwareModel> mice;
    std::map<int, Device> devices;
    int next_device = 1;
    std::map<int, Handle> handles;
    int next_handle = 1;
    std::vector<TrafficEntry> traffic;

    // Hot-plug events go out on their own thread, in the order they happened, as a device
    // monitor delivers them; so a listener never runs inside a caller's plug or write.
    struct PendingEvent {
        HotplugEvent event;
        // Listeners added after the event happened do not hear it.
        int listener_limit = 0;
    };
    std::deque<PendingEvent> pending;
    std::map<int, std::shared_ptr<HotplugListener>> listeners;
    int next_listener = 1;
    bool delivering = false;
    bool stopping = false;
    std::condition_variable hotplug_changed;
    // Held while a listener runs, so that removing a listener waits for its last call.
    std::mutex dispatch;
    std::thread dispatcher;

    void Record(TrafficEntry::Op op, const std::string& path, std::span<const std::uint8_t> data,
                int result, int timeout_ms = 0) {
        if (options.record_traffic) {
            traffic.push_back({op, path, {data.begin(), data.end()}, result, timeout_ms});
        }
    }

    void Announce(const Device& device, HotplugEvent::Kind kind) {
        for (const auto& interface : device.interfaces) {
            pending.push_back({{kind, interface.info.path}, next_listener});
        }
        hotplug_changed.notify_all();
    }

    void Remove(int id, Device& device) {
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

    void Insert(Device& device) {
        if (device.plugged) {
            return;
        }
        device.plugged = true;
        Announce(device, HotplugEvent::Kind::Arrival);
    }

    void Deliver(int device_id, std::size_t interface, const std::vector<std::uint8_t>& report,
                 int reads_left) {
        for (auto& [handle_id, handle] : handles) {
            if (!handle.alive || handle.device != device_id || handle.interface != interface) {
                continue;
            }
            if (reads_left > 0) {
                handle.delayed.push_back({report, reads_left});
            } else {
                handle.ready.push_back(report);
            }
        }
        arrived.notify_all();
    }

    void DeliverToMouse(int mouse, const Payload& payload) {
        for (const auto& [id, device] : devices) {
            if (device.mouse != mouse || !device.plugged) {
                continue;
            }
            for (std::size_t i = 0; i < device.interfaces.size(); ++i) {
                if (device.interfaces[i].protocol) {
                    Deliver(id, i, InputReport(device.interfaces[i], payload), 0);
                }
            }
        }
    }

    void Restart(int mouse) {
        for (auto& [id, device] : devices) {
            if (device.mouse == mouse && device.plugged && device.link != Link::Receiver &&
                device.options.replug_on_restart) {
                Remove(id, device);
                Insert(device);
            }
        }
    }

    void DispatchLoop() {
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

    int Write(int handle_id, std::span<const std::uint8_t> data) {
        std::lock_guard lock(mutex);
        const auto found = handles.find(handle_id);
        if (found == handles.end()) {
            return -1;
        }
        Handle& handle = found->second;
        Device& device = devices.at(handle.device);
        const Interface& interface = device.interfaces[handle.interface];
        const auto length = static_cast<std::size_t>(interface.info.output_report_length);
        if (closed || !handle.alive || !interface.protocol || data.empty() ||
            data.size() > length || data[0] != interface.report_id) {
            Record(TrafficEntry::Op::Write, interface.info.path, data, -1);
            return -1;
        }
        Record(TrafficEntry::Op::Write, interface.info.path, data, static_cast<int>(data.size()));

        // A short write goes out padded to the report length, as the HID driver sends it.
        std::vector<std::uint8_t> payload(data.begin() + 1, data.end());
        payload.resize(length - 1, 0);
        FirmwareModel& firmware = mice[static_cast<std::size_t>(device.mouse)];
        const int restarts = firmware.Restarts();
        std::vector<Payload> answers = device.link == Link::Receiver
                                           ? firmware.ReceiveViaReceiver(payload)
                                           : firmware.Receive(payload);

        FaultPlan fault = device.fault;
        if (fault.fault != Fault::None && fault.writes != 0) {
            if (device.fault.writes > 0 && --device.fault.writes == 0) {
                device.fault = FaultPlan{};
            }
        } else {
            fault = FaultPlan{};
        }

        if (fault.fault == Fault::StaleInput) {
            const bool status_asked = payload[0] == 0x55 && payload[1] == 0xAA && payload[2] == 0;
            const Payload stale = status_asked ? firmware.ConfigBlock() : firmware.StatusBlock();
            Deliver(handle.device, handle.interface, InputReport(interface, stale), 0);
        }
        int reads_left = 0;
        for (Payload& answer : answers) {
            switch (fault.fault) {
                case Fault::AnswerFfFf:
                    answer[4] = answer[5] = 0xFF;
                    break;
                case Fault::AnswerZeroZero:
                    answer[4] = answer[5] = 0x00;
                    break;
                case Fault::MalformedHeader:
                    answer[0] = 0xAA;
                    answer[1] = 0x55;
                    break;
                case Fault::LateAnswer:
                    reads_left = std::max(fault.late_reads, 0);
                    break;
                default:
                    break;
            }
            if (fault.fault == Fault::NoAnswer || fault.fault == Fault::UnplugAfterWrite) {
                continue;
            }
            std::vector<std::uint8_t> report = InputReport(interface, answer);
            if (fault.fault == Fault::ShortRead) {
                report.resize(std::min(report.size(),
                                       static_cast<std::size_t>(std::max(fault.short_length, 0))));
            }
            Deliver(handle.device, handle.interface, report, reads_left);
        }

        if (fault.fault == Fault::UnplugAfterWrite) {
            Remove(handle.device, device);
        }
        if (firmware.Restarts() != restarts) {
            Restart(device.mouse);
        }
        return static_cast<int>(data.size());
    }

    int Read(int handle_id, std::span<std::uint8_t> buffer, int timeout_ms) {
        std::unique_lock lock(mutex);
        const auto found = handles.find(handle_id);
        if (found == handles.end()) {
            return -1;
        }
        Handle& handle = found->second;
        const std::string& path = devices.at(handle.device).interfaces[handle.interface].info.path;
        auto finish = [&](int result, std::span<const std::uint8_t> data) {
            Record(TrafficEntry::Op::Read, path, data, result, timeout_ms);
            return result;
        };

        // Late answers count down by reads, not by time, so tests stay independent of the clock.
        for (auto it = handle.delayed.begin(); it != handle.delayed.end();) {
            if (it->reads_left == 0) {
                handle.ready.push_back(std::move(it->bytes));
                it = handle.delayed.erase(it);
            } else {
                --it->reads_left;
                ++it;
            }
        }

        auto settled = [&] { return closed || !handle.alive || !handle.ready.empty(); };
        if (timeout_ms < 0) {
            arrived.wait(lock, settled);
        } else if (timeout_ms > 0 && options.time_scale > 0) {
            arrived.wait_for(
                lock, std::chrono::duration<double, std::milli>(timeout_ms * options.time_scale),
                settled);
        }
        if (closed || !handle.alive) {
            return finish(-1, {});
        }
        if (handle.ready.empty()) {
            return finish(0, {});
        }
        std::vector<std::uint8_t> report = std::move(handle.ready.front());
        handle.ready.pop_front();
        const std::size_t count = std::min(report.size(), buffer.size());
        std::copy_n(report.begin(), count, buffer.begin());
        return finish(static_cast<int>(count), std::span(report).first(count));
    }

    void Close(int handle_id) {
        std::lock_guard lock(mutex);
        const auto found = handles.find(handle_id);
        if (found == handles.end()) {
            return;
        }
        const Handle& handle = found->second;
        Record(TrafficEntry::Op::Close,
               devices.at(handle.device).interfaces[handle.interface].info.path, {}, 0);
        handles.erase(found);
    }
};

namespace {

class SimulatedHidDevice : public HidDevice {
  public:
    SimulatedHidDevice(std::shared_ptr<SimulatedState> state, int handle, int output_length)
        : state_(std::move(state)), handle_(handle), output_length_(output_length) {}
    ~SimulatedHidDevice() override { state_->Close(handle_); }
    SimulatedHidDevice(const SimulatedHidDevice&) = delete;
    SimulatedHidDevice& operator=(const SimulatedHidDevice&) = delete;

    int Write(std::span<const std::uint8_t> data) override { return state_->Write(handle_, data); }
    int Read(std::span<std::uint8_t> buffer, int timeout_ms) override {
        return state_->Read(handle_, buffer, timeout_ms);
    }
    int OutputReportLength() const override { return output_length_; }

  private:
    std::shared_ptr<SimulatedState> state_;
    int handle_;
    int output_length_;
};

}  // namespace

SimulatedBackend::SimulatedBackend(BackendOptions options)
    : state_(std::make_shared<SimulatedState>(options)) {
    // The thread only lives as long as the backend, which keeps the state alive.
    state_->dispatcher = std::thread([state = state_.get()] { state->DispatchLoop(); });
}

SimulatedBackend::~SimulatedBackend() {
    {
        std::lock_guard lock(state_->mutex);
        state_->stopping = true;
        state_->closed = true;
        state_->arrived.notify_all();
        state_->hotplug_changed.notify_all();
    }
    state_->dispatcher.join();
}

std::vector<HidInterfaceInfo> SimulatedBackend::Enumerate() {
    std::lock_guard lock(state_->mutex);
    std::vector<HidInterfaceInfo> list;
    for (const auto& [id, device] : state_->devices) {
        if (!device.plugged) {
            continue;
        }
        for (const auto& interface : device.interfaces) {
            list.push_back(interface.info);
        }
    }
    return list;
}

std::unique_ptr<HidDevice> SimulatedBackend::Open(const std::string& path) {
    std::lock_guard lock(state_->mutex);
    for (const auto& [id, device] : state_->devices) {
        if (!device.plugged) {
            continue;
        }
        for (std::size_t i = 0; i < device.interfaces.size(); ++i) {
            if (device.interfaces[i].info.path != path) {
                continue;
            }
            const int handle = state_->next_handle++;
            state_->handles[handle] = Handle{id, i, true, {}, {}};
            state_->Record(TrafficEntry::Op::Open, path, {}, handle);
            return std::make_unique<SimulatedHidDevice>(
                state_, handle, device.interfaces[i].info.output_report_length);
        }
    }
    state_->Record(TrafficEntry::Op::Open, path, {}, -1);
    return nullptr;
}

int SimulatedBackend::AddMouse(FirmwareOptions options) {
    std::lock_guard lock(state_->mutex);
    state_->mice.emplace_back(options);
    return static_cast<int>(state_->mice.size()) - 1;
}

int SimulatedBackend::Plug(int mouse, Link link, std::uint16_t vendor_id, std::uint16_t product_id,
                           PlugOptions options) {
    std::lock_guard lock(state_->mutex);
    if (mouse < 0 || mouse >= static_cast<int>(state_->mice.size())) {
        return -1;
    }
    const int id = state_->next_device++;
    Device& device = state_->devices[id];
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

std::vector<std::string> SimulatedBackend::Paths(int device) const {
    std::lock_guard lock(state_->mutex);
    std::vector<std::string> paths;
    const auto found = state_->devices.find(device);
    if (found != state_->devices.end()) {
        for (const auto& interface : found->second.interfaces) {
            paths.push_back(interface.info.path);
        }
    }
    return paths;
}

std::string SimulatedBackend::ProtocolPath(int device) const {
    std::lock_guard lock(state_->mutex);
    const auto found = state_->devices.find(device);
    if (found != state_->devices.end()) {
        for (const auto& interface : found->second.interfaces) {
            if (interface.protocol) {
                return interface.info.path;
            }
        }
    }
    return {};
}

void SimulatedBackend::WithFirmware(int mouse, const std::function<void(FirmwareModel&)>& action) {
    std::lock_guard lock(state_->mutex);
    if (mouse >= 0 && mouse < static_cast<int>(state_->mice.size())) {
        action(state_->mice[static_cast<std::size_t>(mouse)]);
    }
}

FirmwareModel SimulatedBackend::Firmware(int mouse) const {
    std::lock_guard lock(state_->mutex);
    if (mouse >= 0 && mouse < static_cast<int>(state_->mice.size())) {
        return state_->mice[static_cast<std::size_t>(mouse)];
    }
    return FirmwareModel{};
}

bool SimulatedBackend::PressDpiButton(int mouse) {
    std::lock_guard lock(state_->mutex);
    if (mouse < 0 || mouse >= static_cast<int>(state_->mice.size())) {
        return false;
    }
    state_->DeliverToMouse(mouse, state_->mice[static_cast<std::size_t>(mouse)].PressDpiButton());
    return true;
}

bool SimulatedBackend::ChangeReportRate(int mouse, int code) {
    std::lock_guard lock(state_->mutex);
    if (mouse < 0 || mouse >= static_cast<int>(state_->mice.size())) {
        return false;
    }
    state_->DeliverToMouse(mouse,
                           state_->mice[static_cast<std::size_t>(mouse)].ChangeReportRate(code));
    return true;
}

bool SimulatedBackend::InjectInput(int device, std::span<const std::uint8_t> payload) {
    std::lock_guard lock(state_->mutex);
    const auto found = state_->devices.find(device);
    if (found == state_->devices.end() || !found->second.plugged) {
        return false;
    }
    Payload padded{};
    std::copy_n(payload.begin(), std::min(payload.size(), padded.size()), padded.begin());
    const auto& interfaces = found->second.interfaces;
    for (std::size_t i = 0; i < interfaces.size(); ++i) {
        if (interfaces[i].protocol) {
            state_->Deliver(device, i, InputReport(interfaces[i], padded), 0);
        }
    }
    return true;
}

void SimulatedBackend::SetFault(int device, FaultPlan plan) {
    std::lock_guard lock(state_->mutex);
    const auto found = state_->devices.find(device);
    if (found != state_->devices.end()) {
        found->second.fault = plan;
    }
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

std::vector<TrafficEntry> SimulatedBackend::Traffic() const {
    std::lock_guard lock(state_->mutex);
    return state_->traffic;
}

void SimulatedBackend::ClearTraffic() {
    std::lock_guard lock(state_->mutex);
    state_->traffic.clear();
}

int SimulatedBackend::OpenHandleCount() const {
    std::lock_guard lock(state_->mutex);
    return static_cast<int>(state_->handles.size());
}

DemoSetup MakeDemoBackend(const DemoDeviceIds& ids, BackendOptions options) {
    options.record_traffic = false;
    DemoSetup setup;
    setup.backend = std::make_unique<SimulatedBackend>(options);
    FirmwareOptions firmware;
    firmware.record_frames = false;
    setup.mouse = setup.backend->AddMouse(firmware);
    setup.backend->WithFirmware(setup.mouse, [](FirmwareModel& mouse) {
        mouse.SetBatteryLevel(76);
        mouse.SetPower(true, false);
    });
    setup.wired =
        setup.backend->Plug(setup.mouse, Link::Wired, ids.wired_vendor_id, ids.wired_product_id);
    setup.receiver = setup.backend->Plug(setup.mouse, Link::Receiver, ids.receiver_vendor_id,
                                         ids.receiver_product_id);
    return setup;
}

}  // namespace veltra::sim
