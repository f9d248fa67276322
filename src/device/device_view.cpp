#include "device/device_view.h"

namespace veltra {

int ConnectionText(ConnectionMode mode) {
    switch (mode) {
        case ConnectionMode::Wired:
            return kTextWired;
        case ConnectionMode::Receiver:
            return kTextReceiver;
        case ConnectionMode::Bluetooth:
            return kTextBluetooth;
        case ConnectionMode::NotConnected:
            break;
    }
    return kTextNotConnected;
}

GatedDeviceView::GatedDeviceView(DeviceView& target) : target_(&target) {}

void GatedDeviceView::Close() {
    const std::lock_guard lock(mutex_);
    target_ = nullptr;
}

template <typename Call>
void GatedDeviceView::Forward(Call&& call) {
    const std::lock_guard lock(mutex_);
    if (target_ != nullptr) {
        call(*target_);
    }
}

void GatedDeviceView::DeviceListChanged(const DeviceList& list) {
    Forward([&](DeviceView& v) { v.DeviceListChanged(list); });
}
void GatedDeviceView::ConnectionChanged(const ConnectionUpdate& update) {
    Forward([&](DeviceView& v) { v.ConnectionChanged(update); });
}
void GatedDeviceView::ProfilesChanged(const ProfileList& profiles) {
    Forward([&](DeviceView& v) { v.ProfilesChanged(profiles); });
}
void GatedDeviceView::BatteryChanged(const BatteryInfo& battery) {
    Forward([&](DeviceView& v) { v.BatteryChanged(battery); });
}
void GatedDeviceView::SettingsRefreshed(const PageRefresh& refresh) {
    Forward([&](DeviceView& v) { v.SettingsRefreshed(refresh); });
}
void GatedDeviceView::MouseSettingsChanged(const MouseSettingsChange& change) {
    Forward([&](DeviceView& v) { v.MouseSettingsChanged(change); });
}
void GatedDeviceView::TaskFinished(TaskCode code) {
    Forward([&](DeviceView& v) { v.TaskFinished(code); });
}

}  // namespace veltra
