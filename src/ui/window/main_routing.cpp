// Where every control notification of the main window goes, and the flows that span several
// parts of the program: tabs, the program settings page, the choice of device, model, profile
// and language, restoring defaults, the start-up and close options.
#include "config/catalogue.h"
#include "config/language.h"
#include "device/device_worker.h"
#include "device/driver_comm.h"
#include "platform/linux/autostart.h"
#include "shell/app_folders.h"
#include "shell/settings_key.h"
#include "store/profile_store.h"
#include "ui/dialogs/lang_text.h"
#include "ui/dialogs/message_box.h"
#include "ui/dialogs/wait_dialog.h"
#include "ui/widgets/buttons.h"
#include "ui/widgets/device_controls.h"
#include "ui/widgets/fields.h"
#include "ui/widgets/labels.h"
#include "ui/widgets/menu.h"
#include "ui/widgets/tabs.h"
#include "ui/widgets/ui_thread.h"
#include "ui/window/buttons_page.h"
#include "ui/window/desktop_hooks.h"
#include "ui/window/device_main_dlg.h"
#include "ui/window/dpi_page.h"
#include "ui/window/lighting_page.h"
#include "ui/window/macro_page.h"
#include "ui/window/main_window_ids.h"
#include "ui/window/performance_page.h"
#include "ui/window/pointer_panel.h"

namespace veltra::ui {

namespace ids = main_window;
namespace text = main_window::text;

namespace {

constexpr int kAction = Code(Event::Action);

}  // namespace

int DeviceMainDlg::OnNotify(int id, int event, int param) {
    if (id == ids::kTabBar) {
        OnTabSelected(param);
        return 1;
    }
    const bool action = event == kAction;
    switch (id) {
        case ids::kCloseButton:
            if (action)
                OnCloseButton();
            return action ? 1 : 0;
        case ids::kMinimizeButton:
            if (action)
                OnMinimize();
            return action ? 1 : 0;
        case ids::kSettingsButton:
            if (action)
                ShowSettingsPage();
            return action ? 1 : 0;
        case ids::kReturnButton:
            if (action)
                ReturnFromSettingsPage();
            return action ? 1 : 0;
        case ids::kProfileCombo:
            if (action)
                OnProfileChosen();
            return action ? 1 : 0;
        case ids::kModelCombo:
            if (action)
                OnModelChosen();
            return action ? 1 : 0;
        case ids::kDeviceList:
            if (action)
                OnDeviceChosen();
            return action ? 1 : 0;
        case ids::kLanguageCombo:
            if (action)
                OnLanguageChosen();
            return action ? 1 : 0;
        case ids::kAutostartCheck:
            if (action)
                OnAutostartChanged();
            return action ? 1 : 0;
        case ids::kAutostartMinimizedCheck:
            if (action)
                OnAutostartMinimizedChanged();
            return action ? 1 : 0;
        case ids::kExitToTrayRadio:
        case ids::kExitProgramRadio:
            if (action)
                OnExitModeChanged();
            return action ? 1 : 0;
        case ids::kBatteryNoticeCheck:
            if (action)
                OnBatteryNoticeChanged();
            return action ? 1 : 0;
        case ids::kWebsiteLink:
        case ids::kFeedbackLink:
        case ids::kQaLink: {
            if (!action)
                return 0;
            const SoftwareInfo& software = catalogue_.catalogue.software;
            OpenLink(id == ids::kWebsiteLink    ? software.website
                     : id == ids::kFeedbackLink ? software.feedback
                                                : software.qa);
            return 1;
        }
        case ids::kExtraMenuButton:
            if (action && !env_.extra_menu.empty())
                ShowExtraMenu();
            return action ? 1 : 0;
        case ids::kImportButton:
            if (action)
                ImportProfileFile();
            return action ? 1 : 0;
        case ids::kExportButton:
            if (action)
                ExportProfileFile(ActiveProfile());
            return action ? 1 : 0;
        case ids::kRestoreDefaults:
            if (action)
                OnRestoreDefaults();
            return action ? 1 : 0;
        case ids::kLogo:
        case 73:
        case 74:
        case 75:
        case 76:
        case 80:
            return action ? 1 : 0;
        default:
            if (buttons_page_->Handle(id, event, param) || dpi_page_->Handle(id, event, param) ||
                lighting_page_->Handle(id, event, param) || macro_page_->Handle(id, event, param) ||
                performance_page_->Handle(id, event, param) ||
                pointer_panel_->Handle(id, event, param)) {
                return 1;
            }
            return 0;
    }
}

void DeviceMainDlg::ShowStatusControls(bool visible) {
    for (int id : {ids::kBattery, ids::kConnectionState, ids::kProfileCombo, ids::kImportButton,
                   ids::kExportButton}) {
        if (MControl* control = GetControl(id)) {
            control->SetVisible(visible);
        }
    }
}

void DeviceMainDlg::ShowTabBar(bool visible) {
    GetControl(ids::kTabBackground)->SetVisible(visible);
    GetControl(ids::kTabBar)->SetVisible(visible);
}

void DeviceMainDlg::OnTabSelected(int index) {
    auto* tabs = Get<MTabCtrl>(ids::kTabBar);
    if (settings_page_shown_) {
        GetControl(ids::kSettingsPage)->SetVisible(false);
        settings_page_shown_ = false;
        for (int id :
             {ids::kCloseButton, ids::kMinimizeButton, ids::kSettingsButton, ids::kStatusBar}) {
            GetControl(id)->SetVisible(true);
        }
    }
    Get<MText>(ids::kTitle)->SetTitle(LangText(text::kTitle));
    if (index != 0) {
        GetControl(ids::kStatusBar)->SetVisible(true);
        ShowStatusControls(true);
    }
    const int item = tabs->GetItemId(index);
    if (item == ids::kTabHome) {
        ShowTabBar(false);
        ShowStatusControls(false);
    }
    current_tab_item_ = item;
}

void DeviceMainDlg::ShowHomeView() {
    auto* tabs = Get<MTabCtrl>(ids::kTabBar);
    tabs->SetSelectItem(0);
    OnTabSelected(0);
    GetControl(ids::kHomePage)->SetVisible(true);
}

void DeviceMainDlg::ShowSettingsPage() {
    ShowTabBar(false);
    for (int id :
         {ids::kCloseButton, ids::kMinimizeButton, ids::kSettingsButton, ids::kStatusBar}) {
        GetControl(id)->SetVisible(false);
    }
    ShowStatusControls(false);
    for (int id : {ids::kButtonsPage, ids::kDpiPage, ids::kMacroPage, ids::kLightingPage,
                   ids::kHomePage, ids::kPerformancePage}) {
        GetControl(id)->SetVisible(false);
    }
    GetControl(ids::kSettingsPage)->SetVisible(true);
    GetControl(ids::kSettingsPage)->raise();
    settings_page_shown_ = true;
    UpdateTrayNote();
}

void DeviceMainDlg::ReturnFromSettingsPage() {
    GetControl(ids::kSettingsPage)->SetVisible(false);
    settings_page_shown_ = false;
    for (int id :
         {ids::kStatusBar, ids::kCloseButton, ids::kMinimizeButton, ids::kSettingsButton}) {
        GetControl(id)->SetVisible(true);
    }
    auto* tabs = Get<MTabCtrl>(ids::kTabBar);
    if (state_.Snapshot().devices_present && current_tab_item_ != ids::kTabHome) {
        ShowTabBar(true);
        tabs->SetSelectItem(1);
        current_tab_item_ = tabs->GetItemId(1);
        ShowStatusControls(true);
    } else {
        tabs->SetSelectItem(0);
        current_tab_item_ = ids::kTabHome;
        GetControl(ids::kHomePage)->SetVisible(true);
    }
}

void DeviceMainDlg::OnDeviceChosen() {
    const int device_type = Get<CDeviceList>(ids::kDeviceList)->GetSelectDevice();
    worker_->ChooseDeviceModel(device_type, DeviceWorker::ModelChoice::DeviceList);
    catalogue_.current_device_type = device_type;
    ShowTabBar(true);
    Get<MTabCtrl>(ids::kTabBar)->SetSelectItem(1);
    OnTabSelected(1);
}

void DeviceMainDlg::OnModelChosen() {
    const int device_type = Get<MComboBox>(ids::kModelCombo)->GetCurData();
    const DeviceWorker::ModelChoiceResult result =
        worker_->ChooseDeviceModel(device_type, DeviceWorker::ModelChoice::ModelList);
    catalogue_.current_device_type = device_type;
    if (result.show_wait_dialog) {
        OpenWaitDialog();
    }
}

void DeviceMainDlg::OnProfileChosen() {
    const int profile = Get<MComboBox>(ids::kProfileCombo)->GetCurData();
    if (profile <= 0) {
        return;
    }
    env_.store->SetActiveProfile(profile);
    worker_->QueueTask(TaskCode::ProfileChange);
    OpenWaitDialog();
}

void DeviceMainDlg::OnLanguageChosen() {
    const int language = Get<MComboBox>(ids::kLanguageCombo)->GetCurData();
    if (language == 0) {
        return;
    }
    SetCurrentLanguageId(language);
    WriteLanguageId(language);
    ApplyLanguageTexts();
}

void DeviceMainDlg::OnRestoreDefaults() {
    if (ShowMessageBox(this, LangText(text::kRestoreBody), LangText(text::kRestoreTitle),
                       kMessageOkCancel) == kResultCancel) {
        return;
    }
    const int device_type = ReadDeviceType();
    std::string stem = FindFileStem(catalogue_.catalogue.models, device_type);
    if (stem.empty()) {
        stem = "Mouse";
    }
    // A file that is not verifiably healthy is kept beside the new one, never deleted.
    env_.store->ResetDeviceStore(UserDataFolder(), stem, device_type);
    worker_->QueueTask(TaskCode::FactoryReset);
    OpenWaitDialog();
}

void DeviceMainDlg::OnAutostartChanged() {
    auto* start = Get<CCheckButton>(ids::kAutostartCheck);
    auto* minimized = Get<CCheckButton>(ids::kAutostartMinimizedCheck);
    const std::string caption = ApplicationCaption();
    if (start->GetCheck()) {
        minimized->SetEnabled(true);
        WriteAutostartEntry(caption, env_.executable, "veltra-mouse");
    } else {
        minimized->SetCheck(false);
        minimized->SetEnabled(false);
        WriteSettingValue(kAutorunMinimizeValue, "0");
        RemoveAutostartEntry(caption);
    }
}

void DeviceMainDlg::OnAutostartMinimizedChanged() {
    WriteSettingValue(kAutorunMinimizeValue,
                      Get<CCheckButton>(ids::kAutostartMinimizedCheck)->GetCheck() ? "1" : "0");
}

void DeviceMainDlg::OnExitModeChanged() {
    WriteSettingValue(kExitModeValue,
                      Get<CRadioButton>(ids::kExitToTrayRadio)->GetCheck() ? "1" : "0");
    UpdateTrayNote();
}

void DeviceMainDlg::OnBatteryNoticeChanged() {
    WriteSettingValue(kBatteryNoticeValue,
                      Get<CCheckButton>(ids::kBatteryNoticeCheck)->GetCheck() ? "1" : "0");
}

void DeviceMainDlg::OnCloseButton() {
    int mode = ReadSettingValue(kExitModeValue);
    if (mode == 0) {
        mode = ReadSettingValue(kExitModeValue);
    }
    if (mode != 1) {
        Shutdown(0);
        return;
    }
    // Without a notification area a hidden window could never be brought back.
    if (CanHideToTray()) {
        ShowWindow(kShowHide);
    } else {
        OnMinimize();
    }
}

void DeviceMainDlg::OpenLink(const std::string& address) {
    if (!address.empty()) {
        OpenExternalUrl(QString::fromStdString(address));
    }
}

void DeviceMainDlg::OpenWaitDialog() {
    if (wait_) {
        delete wait_.data();
    }
    QPointer<WaitDlg> dialog = new WaitDlg(this);
    wait_ = dialog;
    if (wait_hook_) {
        PostTo(dialog, [this, dialog] {
            if (wait_hook_ && dialog) {
                wait_hook_(*dialog);
            }
        });
    }
    dialog->ShowModal();
    // A later flow may have replaced (and deleted) this dialog meanwhile.
    if (dialog) {
        if (wait_ == dialog) {
            wait_ = nullptr;
        }
        dialog->deleteLater();
    }
}

void DeviceMainDlg::ShowConnectionNotice(int kind) {
    if (kind == 100) {
        ShowMessageBox(this, LangText(text::kAsleepBody), LangText(text::kAsleepTitle), kMessageOk);
        return;
    }
    connected_ = false;
    Get<CDeviceState>(ids::kConnectionState)->SetTitle(LangText(kTextNotConnected));
    ShowTabBar(false);
    ShowHomeView();
    if (kind == 1) {
        ShowMessageBox(this, LangText(text::kDisconnectedBody), LangText(text::kDisconnectedTitle),
                       kMessageOk);
    }
}

void DeviceMainDlg::ShowExtraMenu() {
    MenuWnd menu(this, [this](int command) {
        if (command >= 0 && command < static_cast<int>(env_.extra_menu.size())) {
            env_.extra_menu[static_cast<std::size_t>(command)].run();
        }
    });
    for (std::size_t i = 0; i < env_.extra_menu.size(); ++i) {
        const ExtraMenuEntry& entry = env_.extra_menu[i];
        MenuWnd::Check check = MenuWnd::Check::None;
        if (entry.checked) {
            if (const std::optional<bool> checked = entry.checked()) {
                check = *checked ? MenuWnd::Check::Checked : MenuWnd::Check::Unchecked;
            }
        }
        menu.AddMenu(static_cast<int>(i), LangText(entry.text_id), check, entry.enabled);
    }
    const QWidget* button = GetControl(ids::kExtraMenuButton);
    menu.Create(button->mapToGlobal(QPoint(button->width(), 0)), MenuAlign::Right, true);
}

}  // namespace veltra::ui
