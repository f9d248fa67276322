#pragma once

// The device view: every update the device worker, the device discovery and the notification
// reader make to the main window. The window's implementation hands each call to the UI thread
// in call order; tests record the calls.

#include <memory>
#include <mutex>
#include <string>

#include "device/command_protocol.h"
#include "store/profile_list.h"

namespace veltra {

// Connection-state texts (language text ids).
inline constexpr int kTextNotConnected = 50;
inline constexpr int kTextWired = 51;
inline constexpr int kTextReceiver = 52;
inline constexpr int kTextBluetooth = 53;

class DeviceView : public ProfileListView {
  public:
    // Battery level and charging state of the status block.
    virtual void ShowBattery(const BatteryInfo& battery) = 0;
    // The connection-state display shows language text `text_id` (50..53).
    virtual void ShowConnectionState(int text_id) = 0;

    // Window layout: the page tab bar with its header picture, the selected tab item, the home
    // page, the home page's picture and hint text, and the device list.
    virtual void ShowTabBar(bool shown) = 0;
    virtual void SelectTab(int index) = 0;
    virtual void ShowHomePage(bool shown) = 0;
    virtual void ShowHomeHint(bool shown) = 0;
    virtual void ShowDeviceList(bool shown) = 0;

    // The device list: every model absent, one model's state and firmware version, and the
    // selection. SelectDevice answers at once with the type the list selected, which is another
    // one when the list does not hold `device_type`.
    virtual void SetAllDeviceState(int state) = 0;
    virtual void SetDeviceState(int device_type, int mode, int online) = 0;
    virtual void SetDeviceVersion(int device_type, int release_number) = 0;
    virtual int SelectDevice(int device_type) = 0;

    // Page refreshes from the store of `profile`.
    virtual void RefreshKeyPage(int profile) = 0;
    virtual void RefreshMacroPage() = 0;
    virtual void RefreshPerformancePage(int profile) = 0;
    virtual void RefreshLightingPage(int profile) = 0;

    // Ends the wait dialog as if OK was pressed; nothing when none is open.
    virtual void EndWaitDialog() = 0;

    // DPI controls after the mouse changed its level: select `level`, set the slider to
    // dpi_value / 50 and apply the slider range of the model `device_type`.
    virtual void ShowDpiLevel(int level, int dpi_value, int device_type) = 0;
    // Selects the report-rate item of `rate_code`.
    virtual void ShowReportRate(int rate_code) = 0;
    // The DPI pop-up, when the window has one, shows a new DPI value or report rate.
    virtual void PopupDpiValue(int dpi_value) = 0;
    virtual void PopupReportRate(int rate_code) = 0;

    // Stops a running macro recording; nothing when none runs.
    virtual void StopMacroRecording() = 0;
};

// Passes calls on to a view until closed. Close waits for a call in progress, so once it
// returns nothing reaches the view any more; the worker's updates go through one of these.
class GatedDeviceView : public DeviceView {
  public:
    explicit GatedDeviceView(DeviceView& target);

    void Close();

    void ClearProfiles() override;
    void AddProfileItem(const std::string& text, int profile_id) override;
    void SelectProfileItem(int profile_id) override;
    void ShowBattery(const BatteryInfo& battery) override;
    void ShowConnectionState(int text_id) override;
    void ShowTabBar(bool shown) override;
    void SelectTab(int index) override;
    void ShowHomePage(bool shown) override;
    void ShowHomeHint(bool shown) override;
    void ShowDeviceList(bool shown) override;
    void SetAllDeviceState(int state) override;
    void SetDeviceState(int device_type, int mode, int online) override;
    void SetDeviceVersion(int device_type, int release_number) override;
    int SelectDevice(int device_type) override;
    void RefreshKeyPage(int profile) override;
    void RefreshMacroPage() override;
    void RefreshPerformancePage(int profile) override;
    void RefreshLightingPage(int profile) override;
    void EndWaitDialog() override;
    void ShowDpiLevel(int level, int dpi_value, int device_type) override;
    void ShowReportRate(int rate_code) override;
    void PopupDpiValue(int dpi_value) override;
    void PopupReportRate(int rate_code) override;
    void StopMacroRecording() override;

  private:
    template <typename Call>
    void Forward(Call&& call);

    std::mutex mutex_;
    DeviceView* target_;
};

}  // namespace veltra
