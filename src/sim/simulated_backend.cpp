#include "sim/simulated_backend.h"

#include <algorithm>
#include <chrono>

#include "sim/simulated_state.h"

namespace veltra::sim {

std::vector<std::uint8_t> SimulatedState::InputReport(const Interface& interface,
                                                      const Payload& payload) {
    if (interface.report_id == 0) {
        return {payload.begin(), payload.end()};
    }
    const auto length = static_cast<std::size_t>(interface.info.output_report_length);
    std::vector<std::uint8_t> report(length, 0);
    report[0] = interface.report_id;
    std::copy_n(payload.begin(), std::min(length - 1, payload.size()), report.begin() + 1);
    return report;
}

void SimulatedState::Record(TrafficEntry::Op op, const std::string& path,
                            std::span<const std::uint8_t> data, int result, int timeout_ms) {
    if (options.record_traffic) {
        traffic.push_back({op, path, {data.begin(), data.end()}, result, timeout_ms});
    }
}

void SimulatedState::Deliver(int device_id, std::size_t interface,
                             const std::vector<std::uint8_t>& report, int reads_left) {
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

void SimulatedState::DeliverToMouse(int mouse, const Payload& payload) {
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

int SimulatedState::Write(int handle_id, std::span<const std::uint8_t> data) {
    std::lock_guard lock(mutex);
    const auto found = handles.find(handle_id);
    if (found == handles.end()) {
        return -1;
    }
    Handle& handle = found->second;
    Device& device = devices.at(handle.device);
    const Interface& interface = device.interfaces[handle.interface];
    const auto length = static_cast<std::size_t>(interface.info.output_report_length);
    if (closed || !handle.alive || !interface.protocol || data.empty() || data.size() > length ||
        data[0] != interface.report_id) {
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

    AnswerWrite(handle.device, handle.interface, payload, std::move(answers), firmware);
    if (firmware.Restarts() != restarts) {
        Restart(device.mouse);
    }
    return static_cast<int>(data.size());
}

int SimulatedState::Read(int handle_id, std::span<std::uint8_t> buffer, int timeout_ms) {
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
        arrived.wait_for(lock,
                         std::chrono::duration<double, std::milli>(timeout_ms * options.time_scale),
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

void SimulatedState::Close(int handle_id) {
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
            state_->handles[handle] = SimulatedState::Handle{id, i, true, {}, {}};
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
            state_->Deliver(device, i, SimulatedState::InputReport(interfaces[i], padded), 0);
        }
    }
    return true;
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
