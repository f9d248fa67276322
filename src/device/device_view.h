#pragma once

// The device view: what the device worker tells its front end. Each call is one notification
// carrying everything it reports by value, so the front end may copy it and act later on its
// own thread; no call waits for an answer. Calls come on the worker thread in the order the
// tasks make them; the window's implementation hands them to the UI thread in that order, and
// tests record them.

#include <mutex>
#include <optional>
#include <vector>

#include "device/command_protocol.h"
#include "device/driver_comm.h"
#include "device/task_code.h"
#include "store/profile_list.h"

namespace veltra {

// Connection-state texts (language text ids).
inline constexpr int kTextNotConnected = 50;
inline constexpr int kTextWired = 51;
inline constexpr int kTextReceiver = 52;
inline constexpr int kTextBluetooth = 53;

// The connection-state text of a mode.
int ConnectionText(ConnectionMode mode);

// One model of the device list.
struct DeviceListEntry {
    int device_type = 0;
    bool present = false;  // the last scan opened an interface of this model
    ConnectionMode mode = ConnectionMode::NotConnected;
    bool online = false;     // the mouse answers (only a receiver's mouse can be offline)
    int release_number = 0;  // the firmware version of the interface

    bool operator==(const DeviceListEntry&) const = default;
};

// Every model of the device catalogue in catalogue order, and the model the window serves.
struct DeviceList {
    std::vector<DeviceListEntry> models;
    int selected_type = 0;

    bool operator==(const DeviceList&) const = default;
};

struct ConnectionUpdate {
    ConnectionMode mode = ConnectionMode::NotConnected;
    int text_id = kTextNotConnected;  // the connection-state display (50..53)
    // The window's layout follows it. Not connected: first tab item selected, tab bar and its
    // header picture hidden, home page with its picture and hint shown, device list hidden.
    // Connected: tab bar and header picture shown, home picture and hint hidden, device list
    // shown.
    bool connected = false;
    // Connected by a rescan: the window also selects the second tab item and hides the home
    // page. A mouse that comes back between rescans leaves the page choice alone.
    bool open_device_pages = false;
    // Nothing the program serves is reachable any more: a running macro recording stops.
    bool stop_macro_recording = false;

    bool operator==(const ConnectionUpdate&) const = default;
};

// Pages to reload from the store of `profile`, in this order.
struct PageRefresh {
    int profile = 0;
    bool keys = false;
    bool macros = false;
    bool performance = false;  // with the DPI levels
    bool lighting = false;

    bool operator==(const PageRefresh&) const = default;
};

// Settings the user changed on the mouse itself. The DPI controls select `level`, set the
// slider to value / 50 and take the slider range of `device_type`; the report-rate control
// selects the rate code; the DPI pop-up shows the new value or rate.
struct MouseSettingsChange {
    struct Dpi {
        int level = 0;
        int value = 0;
        int device_type = 0;
        bool operator==(const Dpi&) const = default;
    };
    std::optional<Dpi> dpi;
    std::optional<int> report_rate;

    bool operator==(const MouseSettingsChange&) const = default;
};

class DeviceView {
  public:
    virtual ~DeviceView() = default;

    // After every rescan, and when the mouse behind a receiver comes back.
    virtual void DeviceListChanged(const DeviceList& list) = 0;
    virtual void ConnectionChanged(const ConnectionUpdate& update) = 0;
    // The profile list with its display names, and the active profile.
    virtual void ProfilesChanged(const ProfileList& profiles) = 0;
    virtual void BatteryChanged(const BatteryInfo& battery) = 0;
    virtual void SettingsRefreshed(const PageRefresh& refresh) = 0;
    virtual void MouseSettingsChanged(const MouseSettingsChange& change) = 0;
    // The wait dialog, when one is open, ends as if OK was pressed. Tasks 4, 7, 8, 9 and 19
    // and codes without a task always report it; every other task when the queue is empty
    // after it, so a dialog opened for a task that ended early never stays open.
    virtual void TaskFinished(TaskCode code) = 0;
};

// Passes calls on to a view until closed. Close waits for a call in progress, so once it
// returns nothing reaches the view any more; the worker's updates go through one of these.
class GatedDeviceView : public DeviceView {
  public:
    explicit GatedDeviceView(DeviceView& target);

    void Close();

    void DeviceListChanged(const DeviceList& list) override;
    void ConnectionChanged(const ConnectionUpdate& update) override;
    void ProfilesChanged(const ProfileList& profiles) override;
    void BatteryChanged(const BatteryInfo& battery) override;
    void SettingsRefreshed(const PageRefresh& refresh) override;
    void MouseSettingsChanged(const MouseSettingsChange& change) override;
    void TaskFinished(TaskCode code) override;

  private:
    template <typename Call>
    void Forward(Call&& call);

    std::mutex mutex_;
    DeviceView* target_;
};

}  // namespace veltra
