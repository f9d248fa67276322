#pragma once
// The main window: the frame, the side tabs with the device pages, the home page and the
// program settings page; the owner of the device worker, the notification-area icon and the
// DPI pop-up.
//
// Threads: the window, its controls and every handler here belong to the user-interface thread.
// The worker reports into a DeviceViewQueue (under its lock) and wakes the window with a posted
// call that carries no data (ui_thread.h: dropped once the window is gone); the window drains
// the queue in order. The worker's view is closed before the worker is joined. Hot-plug sources
// post into a queue that the window drains the same way.
#include <QIcon>
#include <QPointer>
#include <QString>
#include <array>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "config/device_description.h"
#include "device/device_state.h"
#include "device/device_view.h"
#include "device/device_view_queue.h"
#include "device/hotplug.h"
#include "frontend/battery_watch.h"
#include "frontend/catalogue_loader.h"
#include "ui/widgets/dialog.h"
#include "ui/window/device_page.h"
#include "update/http_download.h"

namespace veltra {
class DeviceWorker;
class DriverComm;
class PointerSettings;
class ProfileStore;
class ProgramStarter;
}  // namespace veltra

namespace veltra::ui {

class ButtonsPage;
class DPIMsgDlg;
class DpiPage;
class LightingPage;
class MacroPage;
class NoticePort;
class PerformancePage;
class PointerPanel;
class TrayPort;
class UpdateFlow;
class WaitDlg;
class WindowModelView;

// One entry of an extra menu at the bottom bar (the demo menu), named by a language text;
// `checked` nullopt: no check mark.
struct ExtraMenuEntry {
    int text_id = 0;
    std::function<void()> run;
    std::function<std::optional<bool>()> checked;
    bool enabled = true;
};

// What the composition root gives the window.
struct MainWindowEnvironment {
    DriverComm* comm = nullptr;
    ProfileStore* store = nullptr;
    // Device arrival and removal; may be null (then only rescans see devices).
    HotplugSource* hotplug = nullptr;
    // The notification area; may be null (no tray at all).
    TrayPort* tray = nullptr;
    // The desktop's notifications (the low-battery warnings); may be null (none are shown).
    NoticePort* notices = nullptr;
    // The desktop's pointer settings; may be null (no supported desktop).
    PointerSettings* pointer = nullptr;
    // Whether a supported mouse is attached that this user may not open (the computer's own
    // hidraw nodes without the access rule); asked while no mouse is connected. May be empty.
    std::function<bool()> mouse_without_access;
    // The program to start with the session (written into the autostart entry).
    std::string executable;
    // Extra menu (demo mode): the language text of its button and its entries; no entries, no
    // menu.
    int extra_menu_title = 0;
    std::vector<ExtraMenuEntry> extra_menu;
    // Shortens the worker's period in tests; 0 keeps 30 ms.
    int worker_period_ms = 0;
    // The clock of the worker's receiver poll; empty: the steady clock.
    std::function<std::chrono::steady_clock::time_point()> clock;
    // Starts what an update brings; null: the desktop's.
    ProgramStarter* starter = nullptr;
    // The update download's transfers (tests trust a CA of their own).
    DownloadOptions update_download;
};

class DeviceMainDlg : public MDialog, private DevicePageHost {
  public:
    explicit DeviceMainDlg(MainWindowEnvironment environment);
    ~DeviceMainDlg() override;

    // Creates the 1280 x 780 window (not shown) and starts the worker.
    bool CreateMain();

    // The window messages other programs send through the single-instance channel. Returns the
    // message's result (1 when handled as a command, 0 otherwise).
    int OnWindowMessage(int message, int wparam, int lparam);
    // A second start, a tray click: shows the window normally and brings it to the front.
    void ShowAndRaise();
    // Every text of the window again, in the current language.
    void ApplyLanguageTexts();

    // The clean shutdown: the worker stopped (its current exchange finished or cancelled), the
    // tray icon removed, the store closed, then the modal run ends with `exit_code`.
    void Shutdown(int exit_code);
    int ExitCode() const { return exit_code_; }
    bool ShutDown() const { return shut_down_; }

    // Whether the close button may hide the window: only with a notification area to come back
    // from.
    bool CanHideToTray() const;

    // For tests and the demo.
    DeviceWorker& Worker() { return *worker_; }
    const SharedDeviceState& DeviceStateView() const { return state_; }
    int CurrentTabItem() const { return current_tab_item_; }
    WaitDlg* CurrentWaitDialog() const;
    DPIMsgDlg* DpiPopup() const { return dpi_popup_.get(); }
    const CatalogueState& CatalogueData() const { return catalogue_; }
    MacroPage& Macros() { return *macro_page_; }
    UpdateFlow& Updates() { return *update_; }
    TrayBatteryStep TrayStep() const { return tray_step_; }
    // Runs `action` inside the wait dialog's modal run once it shows (tests answer through it).
    void SetWaitDialogHook(std::function<void(WaitDlg&)> hook) { wait_hook_ = std::move(hook); }

    // The device view's reports, on this thread.
    void OnDeviceListChanged(const DeviceList& list);
    void OnConnectionChanged(const ConnectionUpdate& update);
    void OnProfilesChanged(const ProfileList& profiles);
    void OnBatteryChanged(const BatteryInfo& battery);
    void OnSettingsRefreshed(const PageRefresh& refresh);
    void OnMouseSettingsChanged(const MouseSettingsChange& change);
    void OnTaskFinished(TaskCode code);

  protected:
    void OnCreateControls(const QRect& client) override;
    void OnLayout(const QRect& client) override;
    void OnInitDialog() override;
    int OnNotify(int id, int event, int param) override;
    void OnClose() override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    friend class WindowModelView;

    // What the device pages use of the window.
    ProfileStore& Store() override { return *env_.store; }
    int ActiveProfile() override;
    int DeviceType() override;
    ConnectionMode Mode() override;
    bool HasLighting() override;
    void QueueTask(TaskCode code) override;
    void WaitForTask() override { OpenWaitDialog(); }
    std::vector<ButtonDescription> ModelButtons() override;
    DPIMsgDlg* Popup() override { return dpi_popup_.get(); }
    MDialog& Window() override { return *this; }
    DevicePageHost& PageHost() { return *this; }

    // Building (main_frame.cpp, main_pages.cpp).
    void CreateFrame(const QRect& client);
    void CreateTabs();
    void CreatePageContainers(const QRect& client);
    void CreateHomePage(const QRect& client);
    void CreateSettingsPage(const QRect& client);
    void LayoutFrame(const QRect& client);
    void LayoutHomePage(const QRect& client);
    void LayoutSettingsPage(const QRect& client);
    void ReadSettingsPageState();

    // Navigation and flows (main_routing.cpp).
    void OnTabSelected(int index);
    void ShowSettingsPage();
    void ReturnFromSettingsPage();
    void ShowStatusControls(bool visible);
    void ShowTabBar(bool visible);
    void ShowHomeView();
    void OnDeviceChosen();
    void OnModelChosen();
    void OnProfileChosen();
    void OnLanguageChosen();
    void OnRestoreDefaults();
    void OnAutostartChanged();
    void OnAutostartMinimizedChanged();
    void OnExitModeChanged();
    void OnCloseButton();
    void OpenLink(const std::string& address);
    void OpenWaitDialog();
    void ShowConnectionNotice(int kind);
    void ShowExtraMenu();

    // Profile files (profile_files.cpp). The key items of an export come from `key_profile`,
    // which a request from outside may name; everything else from the active profile.
    void ImportProfileFile();
    void ExportProfileFile(int key_profile);
    void ShowProfileFileError(int title, int body, const QString& path);
    QString ProfileFolder() const;

    // Lifecycle (device_main_dlg.cpp).
    void StartDevices();
    void StopDevices();
    void DrainHotplug();
    void AddTrayIcon();
    void OnTrayActivated(int activation);
    void OnBatteryNoticeChanged();
    void UpdateHomeNotice();
    void UpdateTrayNote();
    QString VersionLabelText() const;

    // The notification icon's battery (tray_battery.cpp).
    void UpdateTrayBattery();
    void WatchLowBattery(const BatteryInfo& battery);
    QString TrayTooltip() const;
    QString ModelName() const;
    QIcon TrayIcon(TrayBatteryStep step);

    MainWindowEnvironment env_;
    SharedDeviceState state_;
    // The worker's reports cross to this thread through the queue and reach the window
    // through the view.
    std::unique_ptr<DeviceView> view_;
    DeviceViewQueue reports_;
    std::unique_ptr<WindowModelView> model_view_;
    std::unique_ptr<DeviceWorker> worker_;
    std::unique_ptr<HotplugQueue> hotplug_queue_;
    bool hotplug_started_ = false;
    std::unique_ptr<DPIMsgDlg> dpi_popup_;
    std::unique_ptr<ButtonsPage> buttons_page_;
    std::unique_ptr<DpiPage> dpi_page_;
    std::unique_ptr<LightingPage> lighting_page_;
    std::unique_ptr<MacroPage> macro_page_;
    std::unique_ptr<PerformancePage> performance_page_;
    std::unique_ptr<PointerPanel> pointer_panel_;
    std::unique_ptr<ProgramStarter> desktop_starter_;
    std::unique_ptr<UpdateFlow> update_;
    QPointer<WaitDlg> wait_;
    std::function<void(WaitDlg&)> wait_hook_;
    QIcon icon_;
    // The last battery reading of the connected mouse; none while no mouse is connected.
    std::optional<BatteryInfo> battery_;
    LowBatteryWatch battery_watch_;
    TrayBatteryStep tray_step_ = TrayBatteryStep::Plain;
    QString tray_tooltip_;
    // Loaded from the skin on first use, by step.
    std::array<QIcon, 5> tray_icons_;

    // Catalogue and model, shared with the worker's model load under model_mutex_.
    std::mutex model_mutex_;
    CatalogueState catalogue_;
    ModelState model_;

    // The folder of the last profile file chosen; empty until one was.
    QString profile_folder_;
    bool profile_dialog_open_ = false;
    int current_tab_item_ = 1;
    int connection_mode_ = -1;
    bool settings_page_shown_ = false;
    bool no_access_ = false;
    bool connected_ = false;
    int exit_code_ = 0;
    bool shut_down_ = false;
};

}  // namespace veltra::ui
