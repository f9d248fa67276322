#include <cstdio>

#include "device/device_worker.h"
#include "store/profile_store.h"

namespace veltra {
namespace {

constexpr char kBluetoothMarker[] =
    "{00001812-0000-1000-8000-00805F9B34FB}_DEV_VID&02046D_PID&00BA";

std::string AsciiUpper(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return text;
}

// Only the interface that carries the protocol (interface 2 of the composite device) counts.
std::string InterfacePattern(const SupportedDevice& entry) {
    char text[40];
    std::snprintf(text, sizeof text, "VID_%04X&PID_%04X&MI_02", entry.vendor_id & 0xFFFF,
                  entry.product_id & 0xFFFF);
    return text;
}

}  // namespace

void DeviceWorker::UpdateDeviceList() {
    const int stored_type = hooks_.read_device_type();
    comm_.CloseAll();
    comm_.EnumerateDevice();
    comm_.SetCurrentDeviceType(0);
    std::vector<DeviceRecord> records;
    const bool found = comm_.CollectRecords(records);

    view_.SetAllDeviceState(0);
    for (const DeviceRecord& record : records) {
        view_.SetDeviceState(record.device_type, static_cast<int>(record.mode), record.online);
        view_.SetDeviceVersion(record.device_type, record.release_number);
    }

    const int selected = view_.SelectDevice(stored_type);
    comm_.SetCurrentDeviceType(selected);
    hooks_.write_device_type(selected);
    state_.current_device_type = selected;
    if (hooks_.load_device_model) {
        hooks_.load_device_model();
    }

    if (!found) {
        state_.devices_present = false;
        devices_present_ = false;
        ShowNotConnected();
        view_.StopMacroRecording();
        return;
    }
    state_.devices_present = true;
    devices_present_ = true;
    switch (const ConnectionMode mode = comm_.GetConnectionMode()) {
        case ConnectionMode::NotConnected:
            ShowNotConnected();
            break;
        case ConnectionMode::Wired:
            view_.ShowConnectionState(kTextWired);
            view_.ShowTabBar(true);
            view_.SetDeviceState(selected, static_cast<int>(mode), 1);
            state_.connected_shown = true;
            view_.SelectTab(1);
            view_.ShowHomePage(false);
            view_.ShowHomeHint(false);
            view_.ShowDeviceList(true);
            break;
        case ConnectionMode::Receiver:
        case ConnectionMode::Bluetooth:
            view_.ShowConnectionState(mode == ConnectionMode::Receiver ? kTextReceiver
                                                                       : kTextBluetooth);
            view_.ShowHomePage(false);
            view_.ShowTabBar(true);
            view_.SelectTab(1);
            view_.SetDeviceState(selected, static_cast<int>(mode), 1);
            state_.connected_shown = true;
            view_.ShowHomeHint(false);
            view_.ShowDeviceList(true);
            break;
    }
}

void DeviceWorker::ShowNotConnected() {
    state_.connected_shown = false;
    view_.ShowConnectionState(kTextNotConnected);
    view_.SelectTab(0);
    view_.ShowTabBar(false);
    view_.ShowHomePage(true);
    view_.ShowHomeHint(true);
    view_.ShowDeviceList(false);
}

void DeviceWorker::UpdateUSBDevice(const HotplugEvent& event) {
    const std::string upper = AsciiUpper(event.path);
    const std::string& node = event.node.empty() ? event.path : event.node;
    const bool bluetooth = upper.find(kBluetoothMarker) != std::string::npos;
    if (event.kind == HotplugEvent::Kind::Arrival) {
        if (bluetooth) {
            if (comm_.CheckInterface(node)) {
                QueueTask(static_cast<int>(TaskCode::DeviceArrival));
            }
            return;
        }
        for (const SupportedDevice& entry : comm_.CatalogueEntries()) {
            if (upper.find(InterfacePattern(entry)) != std::string::npos) {
                if (comm_.CheckInterface(node)) {
                    QueueTask(static_cast<int>(TaskCode::DeviceArrival));
                }
                return;
            }
        }
        return;
    }
    if (!devices_present_) {
        return;
    }
    if (bluetooth) {
        // The interfaces of one pairing go one after another; one rescan covers them all.
        if (queue_.Empty()) {
            QueueTask(static_cast<int>(TaskCode::DeviceRemoval));
        }
        return;
    }
    for (const SupportedDevice& entry : comm_.CatalogueEntries()) {
        if (upper.find(InterfacePattern(entry)) != std::string::npos) {
            QueueTask(static_cast<int>(TaskCode::DeviceRemoval));
            return;
        }
    }
}

bool DeviceWorker::ChooseDeviceModel(int device_type, ModelChoice from) {
    if (from == ModelChoice::DeviceList && device_type == comm_.CurrentDeviceType()) {
        return false;
    }
    hooks_.write_device_type(device_type);
    comm_.SetCurrentDeviceType(device_type);
    if (from == ModelChoice::ModelList) {
        store_.SetDeviceType(device_type);
    }
    QueueTask(static_cast<int>(TaskCode::ModelChange));
    return true;
}

}  // namespace veltra
