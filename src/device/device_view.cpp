#include "device/device_view.h"

namespace veltra {

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

void GatedDeviceView::ClearProfiles() {
    Forward([](DeviceView& v) { v.ClearProfiles(); });
}
void GatedDeviceView::AddProfileItem(const std::string& text, int profile_id) {
    Forward([&](DeviceView& v) { v.AddProfileItem(text, profile_id); });
}
void GatedDeviceView::SelectProfileItem(int profile_id) {
    Forward([&](DeviceView& v) { v.SelectProfileItem(profile_id); });
}
void GatedDeviceView::ShowBattery(const BatteryInfo& battery) {
    Forward([&](DeviceView& v) { v.ShowBattery(battery); });
}
void GatedDeviceView::ShowConnectionState(int text_id) {
    Forward([&](DeviceView& v) { v.ShowConnectionState(text_id); });
}
void GatedDeviceView::ShowTabBar(bool shown) {
    Forward([&](DeviceView& v) { v.ShowTabBar(shown); });
}
void GatedDeviceView::SelectTab(int index) {
    Forward([&](DeviceView& v) { v.SelectTab(index); });
}
void GatedDeviceView::ShowHomePage(bool shown) {
    Forward([&](DeviceView& v) { v.ShowHomePage(shown); });
}
void GatedDeviceView::ShowHomeHint(bool shown) {
    Forward([&](DeviceView& v) { v.ShowHomeHint(shown); });
}
void GatedDeviceView::ShowDeviceList(bool shown) {
    Forward([&](DeviceView& v) { v.ShowDeviceList(shown); });
}
void GatedDeviceView::SetAllDeviceState(int state) {
    Forward([&](DeviceView& v) { v.SetAllDeviceState(state); });
}
void GatedDeviceView::SetDeviceState(int device_type, int mode, int online) {
    Forward([&](DeviceView& v) { v.SetDeviceState(device_type, mode, online); });
}
void GatedDeviceView::SetDeviceVersion(int device_type, int release_number) {
    Forward([&](DeviceView& v) { v.SetDeviceVersion(device_type, release_number); });
}
int GatedDeviceView::SelectDevice(int device_type) {
    int selected = device_type;
    Forward([&](DeviceView& v) { selected = v.SelectDevice(device_type); });
    return selected;
}
void GatedDeviceView::RefreshKeyPage(int profile) {
    Forward([&](DeviceView& v) { v.RefreshKeyPage(profile); });
}
void GatedDeviceView::RefreshMacroPage() {
    Forward([](DeviceView& v) { v.RefreshMacroPage(); });
}
void GatedDeviceView::RefreshPerformancePage(int profile) {
    Forward([&](DeviceView& v) { v.RefreshPerformancePage(profile); });
}
void GatedDeviceView::RefreshLightingPage(int profile) {
    Forward([&](DeviceView& v) { v.RefreshLightingPage(profile); });
}
void GatedDeviceView::EndWaitDialog() {
    Forward([](DeviceView& v) { v.EndWaitDialog(); });
}
void GatedDeviceView::ShowDpiLevel(int level, int dpi_value, int device_type) {
    Forward([&](DeviceView& v) { v.ShowDpiLevel(level, dpi_value, device_type); });
}
void GatedDeviceView::ShowReportRate(int rate_code) {
    Forward([&](DeviceView& v) { v.ShowReportRate(rate_code); });
}
void GatedDeviceView::PopupDpiValue(int dpi_value) {
    Forward([&](DeviceView& v) { v.PopupDpiValue(dpi_value); });
}
void GatedDeviceView::PopupReportRate(int rate_code) {
    Forward([&](DeviceView& v) { v.PopupReportRate(rate_code); });
}
void GatedDeviceView::StopMacroRecording() {
    Forward([](DeviceView& v) { v.StopMacroRecording(); });
}

}  // namespace veltra
