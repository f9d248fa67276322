// Every text of the main window in the current language, at once.
#include "config/language.h"
#include "store/profile_list.h"
#include "ui/dialogs/lang_text.h"
#include "ui/widgets/buttons.h"
#include "ui/widgets/device_controls.h"
#include "ui/widgets/fields.h"
#include "ui/widgets/labels.h"
#include "ui/widgets/tabs.h"
#include "ui/window/buttons_page.h"
#include "ui/window/device_main_dlg.h"
#include "ui/window/dpi_page.h"
#include "ui/window/lighting_page.h"
#include "ui/window/macro_page.h"
#include "ui/window/main_window_ids.h"
#include "ui/window/performance_page.h"
#include "ui/window/pointer_panel.h"
#include "ui/window/tray_port.h"

namespace veltra::ui {

namespace ids = main_window;
namespace text = main_window::text;

void DeviceMainDlg::ApplyLanguageTexts() {
    const struct {
        int id;
        int text_id;
    } titles[] = {
        {ids::kTitle, text::kTitle},
        {ids::kBottomCaption, text::kBottomCaption},
        {ids::kImportButton, text::kImport},
        {ids::kExportButton, text::kExport},
        {ids::kLanguageLabel, text::kLanguage},
        {ids::kStartupLabel, text::kStartup},
        {ids::kAutostartCheck, text::kAutostart},
        {ids::kAutostartMinimizedCheck, text::kAutostartMinimized},
        {ids::kExitModeLabel, text::kClosing},
        {ids::kExitToTrayRadio, text::kCloseToTray},
        {ids::kExitProgramRadio, text::kCloseExits},
        {ids::kLinksCaption, text::kBottomCaption},
        {ids::kWebsiteLink, text::kWebsite},
        {ids::kFeedbackLink, text::kFeedback},
        {ids::kQaLink, text::kQa},
        {ids::kNoticesLabel, text::kNotices},
        {ids::kBatteryNoticeCheck, text::kBatteryNotice},
    };
    for (const auto& title : titles) {
        if (auto* control = Get<MControlFont>(title.id)) {
            control->SetTitle(LangText(title.text_id));
        }
    }
    const struct {
        int id;
        int text_id;
    } tooltips[] = {
        {ids::kSettingsButton, text::kSettings},
        {ids::kMinimizeButton, text::kMinimize},
        {ids::kCloseButton, text::kClose},
    };
    for (const auto& tooltip : tooltips) {
        GetControl(tooltip.id)->SetTooltip(LangText(tooltip.text_id));
    }
    auto* tabs = Get<MTabCtrl>(ids::kTabBar);
    const int tab_texts[] = {65, 66, 67, 69, 70};
    for (int index = 0; index < 5; ++index) {
        tabs->SetItemText(index, LangText(tab_texts[index]));
    }
    Get<MText>(ids::kVersionLabel)->SetTitle(VersionLabelText());
    Get<CDeviceList>(ids::kDeviceList)
        ->SetVersionLabels(LangText(text::kMouseVersion), LangText(text::kReceiverVersion));
    Get<CDeviceState>(ids::kConnectionState)
        ->SetTitle(LangText(ConnectionText(static_cast<ConnectionMode>(connection_mode_))));
    if (auto* extra = Get<MControlFont>(ids::kExtraMenuButton)) {
        extra->SetTitle(LangText(env_.extra_menu_title));
    }
    if (env_.tray != nullptr) {
        env_.tray->SetExitText(LangText(text::kExit));
    }
    UpdateTrayNote();
    UpdateTrayBattery();
    UpdateHomeNotice();
    buttons_page_->ApplyTexts();
    dpi_page_->ApplyTexts();
    lighting_page_->ApplyTexts();
    macro_page_->ApplyTexts();
    performance_page_->ApplyTexts();
    pointer_panel_->ApplyTexts();

    // The profile names begin with the language's profile word.
    auto* profiles = Get<MComboBox>(ids::kProfileCombo);
    std::vector<ProfileRecord> records;
    if (profiles->GetCount() > 0 && env_.store->LoadProfiles(records) > 0) {
        const std::string word = GetLangText(text::kProfileWord);
        for (int index = 0; index < profiles->GetCount(); ++index) {
            for (const ProfileRecord& record : records) {
                if (record.profile_id == profiles->GetItemData(index)) {
                    profiles->SetItemText(
                        index, QString::fromStdString(ProfileDisplayName(record.name, word)));
                }
            }
        }
    }
}

}  // namespace veltra::ui
