#include <algorithm>
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

// Every model of the catalogue once, in catalogue order, none of them present.
DeviceList ListCatalogueModels(const std::vector<SupportedDevice>& catalogue) {
    DeviceList list;
    for (const SupportedDevice& entry : catalogue) {
        if (std::none_of(list.models.begin(), list.models.end(), [&](const DeviceListEntry& m) {
                return m.device_type == entry.device_type;
            })) {
            list.models.push_back({.device_type = entry.device_type});
        }
    }
    return list;
}

DeviceListEntry* FindModel(DeviceList& list, int device_type) {
    const auto it =
        std::find_if(list.models.begin(), list.models.end(),
                     [&](const DeviceListEntry& m) { return m.device_type == device_type; });
    return it == list.models.end() ? nullptr : &*it;
}

// The stored model when the list holds it, else the list's first model. With an empty
// catalogue there is nothing to choose from and the stored type stays.
int SelectModel(const DeviceList& list, int stored_type) {
    if (list.models.empty() ||
        std::any_of(list.models.begin(), list.models.end(),
                    [&](const DeviceListEntry& m) { return m.device_type == stored_type; })) {
        return stored_type;
    }
    return list.models.front().device_type;
}

}  // namespace

void DeviceWorker::UpdateDeviceList() {
    const int stored_type = hooks_.read_device_type();
    comm_.CloseAll();
    comm_.EnumerateDevice();
    comm_.SetCurrentDeviceType(0);
    std::vector<DeviceRecord> records;
    const bool found = comm_.CollectRecords(records);

    device_list_ = ListCatalogueModels(comm_.CatalogueEntries());
    for (const DeviceRecord& record : records) {
        if (DeviceListEntry* entry = FindModel(device_list_, record.device_type)) {
            *entry = {record.device_type, true, record.mode, record.online != 0,
                      record.release_number};
        }
    }
    const int selected = SelectModel(device_list_, stored_type);
    device_list_.selected_type = selected;
    comm_.SetCurrentDeviceType(selected);
    hooks_.write_device_type(selected);
    state_.current_device_type = selected;
    LoadDeviceModel();

    const ConnectionMode mode = found ? comm_.GetConnectionMode() : ConnectionMode::NotConnected;
    ConnectionUpdate connection{.stop_macro_recording = !found};
    if (mode != ConnectionMode::NotConnected) {
        connection = {.mode = mode,
                      .text_id = ConnectionText(mode),
                      .connected = true,
                      .open_device_pages = true};
        if (DeviceListEntry* entry = FindModel(device_list_, selected)) {
            entry->present = true;
            entry->mode = mode;
            entry->online = true;
        }
    }
    // Both flags change before the first notification, so no snapshot shows the mouse
    // connected without a device.
    state_.devices_present = found;
    state_.connected_shown = connection.connected;
    Notify().DeviceListChanged(device_list_);
    ShowConnection(connection);
}

void DeviceWorker::ShowConnection(const ConnectionUpdate& update) {
    state_.connected_shown = update.connected;
    Notify().ConnectionChanged(update);
}

void DeviceWorker::UpdateUSBDevice(const HotplugEvent& event) {
    const std::string upper = AsciiUpper(event.path);
    const std::string& node = event.node.empty() ? event.path : event.node;
    const bool bluetooth = upper.find(kBluetoothMarker) != std::string::npos;
    if (event.kind == HotplugEvent::Kind::Arrival) {
        if (bluetooth) {
            if (comm_.CheckInterface(node)) {
                QueueTask(TaskCode::DeviceArrival);
            }
            return;
        }
        for (const SupportedDevice& entry : comm_.CatalogueEntries()) {
            if (upper.find(InterfacePattern(entry)) != std::string::npos) {
                if (comm_.CheckInterface(node)) {
                    QueueTask(TaskCode::DeviceArrival);
                }
                return;
            }
        }
        return;
    }
    if (!DevicesPresent()) {
        return;
    }
    if (bluetooth) {
        // The interfaces of one pairing go one after another; one rescan covers them all.
        if (queue_.Empty()) {
            QueueTask(TaskCode::DeviceRemoval);
        }
        return;
    }
    for (const SupportedDevice& entry : comm_.CatalogueEntries()) {
        if (upper.find(InterfacePattern(entry)) != std::string::npos) {
            QueueTask(TaskCode::DeviceRemoval);
            return;
        }
    }
}

DeviceWorker::ModelChoiceResult DeviceWorker::ChooseDeviceModel(int device_type, ModelChoice from) {
    ModelChoiceResult result;
    result.open_device_pages = from == ModelChoice::DeviceList;
    if (from == ModelChoice::DeviceList && device_type == comm_.CurrentDeviceType()) {
        return result;
    }
    hooks_.write_device_type(device_type);
    comm_.SetCurrentDeviceType(device_type);
    if (from == ModelChoice::ModelList) {
        store_.SetDeviceType(device_type);
    }
    QueueTask(TaskCode::ModelChange);
    result.task_queued = true;
    result.show_wait_dialog = from == ModelChoice::ModelList;
    return result;
}

}  // namespace veltra
