#include "ui/window/device_main_dlg.h"

#include <QKeyEvent>

#include "config/language.h"
#include "device/device_worker.h"
#include "device/driver_comm.h"
#include "frontend/update_link.h"
#include "shell/app_folders.h"
#include "shell/settings_key.h"
#include "store/profile_store.h"
#include "ui/dialogs/dpi_popup.h"
#include "ui/dialogs/file_dialog.h"
#include "ui/dialogs/lang_text.h"
#include "ui/dialogs/wait_dialog.h"
#include "ui/widgets/buttons.h"
#include "ui/widgets/device_controls.h"
#include "ui/widgets/fields.h"
#include "ui/widgets/labels.h"
#include "ui/widgets/manager.h"
#include "ui/widgets/tabs.h"
#include "ui/widgets/ui_thread.h"
#include "ui/window/buttons_page.h"
#include "ui/window/dpi_page.h"
#include "ui/window/lighting_page.h"
#include "ui/window/macro_page.h"
#include "ui/window/main_window_ids.h"
#include "ui/window/performance_page.h"
#include "ui/window/pointer_panel.h"
#include "ui/window/tray_port.h"
#include "ui/window/update_flow.h"
#include "ui/window/window_views.h"

namespace veltra::ui {

namespace ids = main_window;
namespace text = main_window::text;

namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 780;
// The battery's charge animation; nothing runs while no control animates.
constexpr int kAnimationMs = 40;

}  // namespace

DeviceMainDlg::DeviceMainDlg(MainWindowEnvironment environment)
    : env_(std::move(environment)),
      view_(std::make_unique<WindowDeviceView>(*this)),
      reports_([this] { PostTo(this, [this] { reports_.Drain(*view_); }); }),
      model_view_(std::make_unique<WindowModelView>(*this)),
      buttons_page_(std::make_unique<ButtonsPage>(PageHost())),
      dpi_page_(std::make_unique<DpiPage>(PageHost())),
      lighting_page_(std::make_unique<LightingPage>(PageHost())),
      macro_page_(std::make_unique<MacroPage>(PageHost(), [this] { buttons_page_->Load(); })),
      performance_page_(std::make_unique<PerformancePage>(PageHost())),
      pointer_panel_(std::make_unique<PointerPanel>(PageHost(), env_.pointer)) {
    if (env_.starter == nullptr) {
        desktop_starter_ = MakeProgramStarter();
        env_.starter = desktop_starter_.get();
    }
    update_ = std::make_unique<UpdateFlow>(
        UpdateFlow::Host{.window = this,
                         .base_address =
                             [this](UpdatePackage package) {
                                 const std::lock_guard lock(model_mutex_);
                                 return UpdateBaseAddress(catalogue_.catalogue.software, package);
                             },
                         .queue_task = [this](TaskCode code) { QueueTask(code); },
                         .exit = [this] { Shutdown(0); }},
        *env_.starter, env_.update_download);
    WorkerHooks hooks;
    hooks.load_device_model = [this] {
        const std::lock_guard lock(model_mutex_);
        ApplyDeviceModel(catalogue_.catalogue.models, *env_.store, model_, *model_view_);
        return model_.lighting;
    };
    if (env_.clock) {
        hooks.now = env_.clock;
    }
    hooks.shell_task = [this](TaskCode code) {
        if (code == TaskCode::PointerSettings) {
            pointer_panel_->ApplyPending();
        } else {
            update_->RunJob(code);
        }
    };
    worker_ = std::make_unique<DeviceWorker>(*env_.comm, *env_.store, state_, reports_, hooks);
    if (env_.worker_period_ms > 0) {
        worker_->SetPeriod(std::chrono::milliseconds(env_.worker_period_ms));
    }
    SetBackgroundColour(QColor(0x17, 0x18, 0x1C));
    EnableWndDrag(true);
}

DeviceMainDlg::~DeviceMainDlg() {
    // A download on the worker ends first, so that stopping the worker does not wait for it.
    update_->Stop();
    StopDevices();
    if (env_.tray != nullptr) {
        env_.tray->SetHandlers({});
        env_.tray->Hide();
    }
}

bool DeviceMainDlg::CreateMain() {
    if (!Create(nullptr, Manager::GetDeviceName(), kStylePopup, QRect(0, 0, kWidth, kHeight))) {
        return false;
    }
    CenterWindow();
    // The window itself holds the focus at start, so no control shows a focus ring before the
    // keyboard is used; Tab moves into the controls.
    setFocusPolicy(Qt::StrongFocus);
    setFocus(Qt::OtherFocusReason);
    return true;
}

void DeviceMainDlg::OnCreateControls(const QRect& client) {
    CreateFrame(client);
    CreatePageContainers(client);
    CreateTabs();
    CreateHomePage(client);
    buttons_page_->Create(*Get<MTabLayout>(ids::kButtonsPage));
    dpi_page_->Create(*Get<MTabLayout>(ids::kDpiPage));
    lighting_page_->Create(*Get<MTabLayout>(ids::kLightingPage));
    macro_page_->Create(*Get<MTabLayout>(ids::kMacroPage));
    performance_page_->Create(*Get<MTabLayout>(ids::kPerformancePage));
    pointer_panel_->Create(*Get<MTabLayout>(ids::kPerformancePage));
    CreateSettingsPage(client);
    if (!env_.extra_menu.empty()) {
        auto* button = Create<CTextButton>("CTextButton", ids::kExtraMenuButton, {},
                                           LangText(env_.extra_menu_title));
        button->SetFont(14);
        button->SetAlignment(Qt::AlignRight);
    }
    // The home view: the notice, no tabs and no status-bar controls.
    GetControl(ids::kHomePage)->SetVisible(true);
    ShowTabBar(false);
    ShowStatusControls(false);
}

void DeviceMainDlg::OnLayout(const QRect& client) {
    if (GetControl(ids::kLogo) == nullptr) {
        return;
    }
    LayoutFrame(client);
    LayoutHomePage(client);
    buttons_page_->Layout(client.width(), client.height());
    dpi_page_->Layout(client.width(), client.height());
    lighting_page_->Layout(client.width(), client.height());
    macro_page_->Layout(client.width(), client.height());
    performance_page_->Layout(client.width(), client.height());
    pointer_panel_->Layout(client.width(), client.height());
    LayoutSettingsPage(client);
    if (MControl* button = GetControl(ids::kExtraMenuButton)) {
        button->SetRect(Edges(client.width() - 240, client.height() - 35, client.width() - 20,
                              client.height() - 5));
    }
}

void DeviceMainDlg::OnInitDialog() {
    icon_ = MRender::LoadIconFromFile(Manager::SkinFolder() + QStringLiteral("/icon/app.png"));
    if (icon_.isNull()) {
        icon_ = QIcon::fromTheme(QStringLiteral("veltra-mouse"));
    }
    AddTrayIcon();
    SetIcon(icon_);
    dpi_popup_ = std::make_unique<DPIMsgDlg>(this);
    {
        const std::lock_guard lock(model_mutex_);
        LoadCatalogue(catalogue_, model_, *model_view_, *model_view_, *env_.comm, *env_.store);
    }
    Get<CDeviceList>(ids::kDeviceList)->SetSelectDevice(catalogue_.current_device_type);
    StartDevices();
    SetMTimer(kAnimationMs);
    UpdateHomeNotice();
}

void DeviceMainDlg::StartDevices() {
    hotplug_queue_ =
        std::make_unique<HotplugQueue>([this] { PostTo(this, [this] { DrainHotplug(); }); });
    if (env_.hotplug != nullptr) {
        hotplug_started_ = RegisterForDeviceNotifications(*env_.hotplug, *hotplug_queue_);
    }
    worker_->QueueTask(TaskCode::InitialSync);
    if (!worker_->IsRunning()) {
        worker_->StartWorker();
    }
}

void DeviceMainDlg::StopDevices() {
    if (hotplug_started_) {
        env_.hotplug->Stop();
        hotplug_started_ = false;
    }
    // Cancels the worker's waits, so the exchange in progress ends at once, and closes its view
    // before the join: nothing it does afterwards reaches this window.
    if (worker_) {
        worker_->StopWorker();
    }
}

void DeviceMainDlg::DrainHotplug() {
    if (!hotplug_queue_ || shut_down_) {
        return;
    }
    for (const HotplugEvent& event : hotplug_queue_->TakeAll()) {
        worker_->UpdateUSBDevice(event);
    }
}

void DeviceMainDlg::AddTrayIcon() {
    if (env_.tray == nullptr) {
        return;
    }
    env_.tray->SetHandlers({
        .activated =
            [this](TrayPort::Activation activation) {
                if (activation != TrayPort::Activation::Context) {
                    ShowAndRaise();
                }
            },
        .exit_chosen = [this] { Shutdown(0); },
    });
    env_.tray->SetExitText(LangText(text::kExit));
    tray_step_ = TrayBatteryStep::Plain;
    tray_tooltip_ = TrayTooltip();
    env_.tray->Show(icon_, tray_tooltip_);
}

bool DeviceMainDlg::CanHideToTray() const {
    return env_.tray != nullptr && env_.tray->Available() && env_.tray->Visible();
}

void DeviceMainDlg::ShowAndRaise() {
    if (shut_down_) {
        return;
    }
    if (isMinimized()) {
        showNormal();
    }
    ShowWindow(kShowNormal);
    raise();
    activateWindow();
}

void DeviceMainDlg::Shutdown(int exit_code) {
    if (shut_down_) {
        return;
    }
    shut_down_ = true;
    exit_code_ = exit_code;
    if (wait_) {
        wait_->DoOK();
    }
    // A question still open (a message box, the colour palette, a file dialog) ends unanswered.
    CancelRunningDialogs(this);
    CancelFileDialogs();
    update_->Stop();
    StopDevices();
    if (env_.tray != nullptr) {
        env_.tray->Hide();
    }
    if (dpi_popup_) {
        dpi_popup_->close();
        dpi_popup_.reset();
    }
    env_.store->Close();
    hide();
    EndModal(kResultOk);
}

void DeviceMainDlg::OnClose() {
    // The desktop's close (a window-manager button, Alt+F4) is the close button.
    OnNotify(ids::kCloseButton, Code(Event::Action), 0);
}

void DeviceMainDlg::keyPressEvent(QKeyEvent* event) {
    // Escape closes dialogs, never the program.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    MDialog::keyPressEvent(event);
}

WaitDlg* DeviceMainDlg::CurrentWaitDialog() const {
    return wait_.data();
}

QString DeviceMainDlg::VersionLabelText() const {
    if (!catalogue_.catalogue.software.found) {
        return {};
    }
    return QString::fromStdString(FormatVersionLabel(catalogue_.catalogue.software.version));
}

void DeviceMainDlg::UpdateTrayNote() {
    auto* note = Get<MText>(ids::kTrayNote);
    if (note == nullptr) {
        return;
    }
    const bool tray = env_.tray != nullptr && env_.tray->Available();
    note->SetTitle(LangText(text::kNoTrayNote));
    note->SetVisible(!tray);
}

void DeviceMainDlg::UpdateHomeNotice() {
    const bool no_access = !connected_ && env_.mouse_without_access && env_.mouse_without_access();
    no_access_ = no_access;
    Get<MText>(ids::kNoticeText)
        ->SetTitle(no_access ? LangText(text::kNoAccessTitle) + QStringLiteral("\n\n") +
                                   LangText(text::kNoAccessBody)
                             : LangText(text::kPleaseConnect));
    Get<MText>(ids::kNoticeText)->SetFont(no_access ? 16 : 20);
    LayoutHomePage(rect());
}

// The device view's reports.

void DeviceMainDlg::OnDeviceListChanged(const DeviceList& list) {
    auto* devices = Get<CDeviceList>(ids::kDeviceList);
    for (const DeviceListEntry& entry : list.models) {
        devices->SetDeviceState(entry.device_type,
                                entry.present ? static_cast<int>(entry.mode) : kModeNone,
                                entry.online ? 1 : 0);
        devices->SetDeviceVersion(entry.device_type, entry.present ? entry.release_number : -1);
    }
    devices->SetSelectDevice(list.selected_type);
    catalogue_.current_device_type = list.selected_type;
    if (auto* models = Get<MComboBox>(ids::kModelCombo)) {
        models->SelectData(list.selected_type);
    }
    UpdateTrayBattery();
}

void DeviceMainDlg::OnConnectionChanged(const ConnectionUpdate& update) {
    connection_mode_ = static_cast<int>(update.mode);
    connected_ = update.connected;
    auto* state = Get<CDeviceState>(ids::kConnectionState);
    state->SetConnectionMode(connection_mode_);
    state->SetTitle(LangText(update.text_id));
    GetControl(ids::kNoticeBackground)->SetVisible(!update.connected);
    GetControl(ids::kNoticeText)->SetVisible(!update.connected);
    GetControl(ids::kDeviceList)->SetVisible(update.connected);
    if (!update.connected) {
        Get<BatteryCtrl>(ids::kBattery)->SetBatteryInfo(0, kBatteryUnknown);
        battery_.reset();
    }
    UpdateTrayBattery();
    UpdateHomeNotice();
    // The program settings page decides the view when it is left.
    if (settings_page_shown_) {
        return;
    }
    auto* tabs = Get<MTabCtrl>(ids::kTabBar);
    if (!update.connected) {
        ShowHomeView();
        return;
    }
    ShowTabBar(true);
    if (update.open_device_pages) {
        tabs->SetSelectItem(1);
        OnTabSelected(1);
    }
}

void DeviceMainDlg::OnProfilesChanged(const ProfileList& profiles) {
    auto* combo = Get<MComboBox>(ids::kProfileCombo);
    combo->DelAllItems();
    for (const ProfileListEntry& entry : profiles.entries) {
        combo->AddItem(QString::fromStdString(entry.display_name), entry.profile_id);
    }
    combo->SelectData(profiles.active_profile);
}

void DeviceMainDlg::OnBatteryChanged(const BatteryInfo& battery) {
    const int state = battery.charging ? kBatteryCharging : kBatteryDischarging;
    Get<BatteryCtrl>(ids::kBattery)->SetBatteryInfo(battery.level, state);
    Get<CDeviceList>(ids::kDeviceList)
        ->SetDeviceBattery(catalogue_.current_device_type, battery.level, state);
    battery_ = battery;
    WatchLowBattery(battery);
    UpdateTrayBattery();
}

void DeviceMainDlg::OnSettingsRefreshed(const PageRefresh& refresh) {
    Get<MComboBox>(ids::kProfileCombo)->SelectData(refresh.profile);
    if (refresh.keys) {
        buttons_page_->Load();
        macro_page_->LoadMacroList();
    }
    if (refresh.performance) {
        dpi_page_->Refresh();
        performance_page_->Refresh();
        pointer_panel_->ReadPointerSettings();
    }
    if (refresh.lighting) {
        lighting_page_->Refresh();
    }
}

void DeviceMainDlg::OnMouseSettingsChanged(const MouseSettingsChange& change) {
    dpi_page_->FollowMouse(change);
    if (!dpi_popup_) {
        return;
    }
    if (change.dpi) {
        dpi_popup_->ShowDPI(change.dpi->value);
    }
    if (change.report_rate) {
        dpi_popup_->ShowReportRate(*change.report_rate);
    }
}

void DeviceMainDlg::OnTaskFinished(TaskCode code) {
    (void)code;
    if (wait_) {
        wait_->DoOK();
    }
}

int DeviceMainDlg::ActiveProfile() {
    return env_.store->GetActiveProfile();
}

int DeviceMainDlg::DeviceType() {
    return env_.store->DeviceType();
}

ConnectionMode DeviceMainDlg::Mode() {
    return env_.comm->GetConnectionMode();
}

std::vector<ButtonDescription> DeviceMainDlg::ModelButtons() {
    const std::lock_guard lock(model_mutex_);
    return model_.buttons;
}

bool DeviceMainDlg::HasLighting() {
    const std::lock_guard lock(model_mutex_);
    return model_.lighting;
}

void DeviceMainDlg::QueueTask(TaskCode code) {
    worker_->QueueTask(code);
}

// Window messages from other programs.

int DeviceMainDlg::OnWindowMessage(int message, int wparam, int lparam) {
    switch (message) {
        case ids::kMessageConnection:
            if (wparam == 1 || wparam == 2 || wparam == 3 || wparam == 100) {
                ShowConnectionNotice(wparam);
            }
            return 1;
        case ids::kMessageExit:
            if (lparam != ids::kExitConfirmation) {
                return 0;
            }
            Shutdown(0);
            return 1;
        case ids::kMessageUpdatePrompt:
            update_->Prompt(wparam);
            return 1;
        case ids::kMessageProfileFile:
            if (wparam == ids::kProfileFileImport) {
                ImportProfileFile();
            } else if (wparam == ids::kProfileFileExport) {
                ExportProfileFile(lparam);
            }
            return 1;
        case macro_page::kMessageMacroMenu:
        case macro_page::kMessageInsertMenu:
        case macro_page::kMessageStepMenu:
            macro_page_->MenuCommand(message, lparam);
            return 1;
        case ids::kMessageLanguage:
            // Another program stored a language: take it, then every text.
            if (const std::optional<int> stored = ReadLanguageId(); stored && *stored != 0) {
                SetCurrentLanguageId(*stored);
                Get<MComboBox>(ids::kLanguageCombo)->SelectData(*stored);
            }
            ApplyLanguageTexts();
            return 1;
        default:
            return 0;
    }
}

}  // namespace veltra::ui
