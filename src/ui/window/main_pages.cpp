// The home page (the attached models and the notice) and the program settings page.
#include "config/language.h"
#include "platform/linux/autostart.h"
#include "shell/app_folders.h"
#include "shell/settings_key.h"
#include "ui/dialogs/lang_text.h"
#include "ui/widgets/buttons.h"
#include "ui/widgets/device_controls.h"
#include "ui/widgets/fields.h"
#include "ui/widgets/labels.h"
#include "ui/widgets/tabs.h"
#include "ui/window/device_main_dlg.h"
#include "ui/window/main_window_ids.h"

namespace veltra::ui {

namespace ids = main_window;
namespace text = main_window::text;

void DeviceMainDlg::CreateHomePage(const QRect& client) {
    (void)client;
    auto* page = Get<MTabLayout>(ids::kHomePage);
    auto* list =
        dynamic_cast<CDeviceList*>(page->CreateControl("CDeviceList", ids::kDeviceList, {}));
    list->SetImage(QStringLiteral("area_device.png"), 1);
    list->SetBatteryImages(QStringLiteral("icon/icon_batteryvalue.png"),
                           QStringLiteral("icon/icon_charge.png"));
    list->SetModeImage(QStringLiteral("icon/dev_mode.png"), 3);
    list->SetVersionLabels(LangText(text::kMouseVersion), LangText(text::kReceiverVersion));
    list->SetTextColor(ids::kTextWhite);
    list->SetVisible(false);
    auto* notice_background =
        dynamic_cast<MPicture*>(page->CreateControl("MPicture", ids::kNoticeBackground, {}));
    notice_background->SetImage(QStringLiteral("img_area2.png"), 1);
    notice_background->SetShowMode(3, 10);
    auto* notice = dynamic_cast<MText*>(
        page->CreateControl("MText", ids::kNoticeText, {}, LangText(text::kPleaseConnect)));
    notice->SetFont(20);
    notice->SetTextColor(ids::kTextWhite);
    notice->SetAlignment(Qt::AlignHCenter);
    auto* models = dynamic_cast<MComboBox*>(page->CreateControl("MComboBox", ids::kModelCombo, {}));
    models->SetImage(QStringLiteral("img_combobox_device.png"), 4);
    models->SetTextColor(ids::kTextWhite);
    models->AddItem(QStringLiteral("Quillo Mouse"), 101);
    models->SetVisible(false);
    auto* picture =
        dynamic_cast<MPicture*>(page->CreateControl("MPicture", ids::kModelPicture, {}));
    picture->SetImage(QStringLiteral("device/img_mouse.png"), 1);
    picture->SetVisible(false);
}

void DeviceMainDlg::LayoutHomePage(const QRect& client) {
    const int w = client.width();
    const int h = client.height();
    if (MControl* list = GetControl(ids::kDeviceList)) {
        list->SetRect(Edges(60, 160, w - 60, h - 100));
    }
    // A notice that explains missing access needs more room than "connect your mouse".
    const QRect notice = no_access_ ? Edges(w / 2 - 420, 160, w / 2 + 420, 300)
                                    : Edges(w / 2 - 250, 160, w / 2 + 250, 240);
    for (int id : {ids::kNoticeBackground, ids::kNoticeText}) {
        if (MControl* control = GetControl(id)) {
            control->SetRect(notice);
        }
    }
}

void DeviceMainDlg::CreateSettingsPage(const QRect& client) {
    (void)client;
    auto* page = Get<MTabLayout>(ids::kSettingsPage);
    auto text_control = [page](const char* cls, int id, int text_id, int size) {
        auto* control =
            dynamic_cast<MControlFont*>(page->CreateControl(cls, id, {}, LangText(text_id)));
        control->SetFont(size);
        control->SetTextColor(ids::kTextWhite);
        return control;
    };
    auto* background =
        dynamic_cast<MPicture*>(page->CreateControl("MPicture", ids::kSettingsBackground, {}));
    background->SetImage(QStringLiteral("img_config_area.png"), 1);
    background->SetShowMode(3, 30);
    page->CreateControl("CImageButton", ids::kReturnButton, {})
        ->SetImage(QStringLiteral("img_return.png"), 4);
    text_control("MText", ids::kLanguageLabel, text::kLanguage, 16);
    auto* languages =
        dynamic_cast<MComboBox*>(page->CreateControl("MComboBox", ids::kLanguageCombo, {}));
    languages->SetImage(QStringLiteral("img_combobox.png"), 4);
    languages->SetFont(14);
    languages->SetTextColor(ids::kTextWhite);
    languages->SetAlignment(Qt::AlignHCenter);
    languages->AddItem(QStringLiteral("简体中文"), 2052);
    languages->AddItem(QStringLiteral("English"), 1033);
    languages->SelectData(CurrentLanguageId());
    text_control("MText", ids::kStartupLabel, text::kStartup, 16);
    text_control("CCheckButton", ids::kAutostartCheck, text::kAutostart, 16)
        ->SetImage(QStringLiteral("btn_checkbox.png"), 8);
    auto* minimized =
        text_control("CCheckButton", ids::kAutostartMinimizedCheck, text::kAutostartMinimized, 16);
    minimized->SetImage(QStringLiteral("btn_checkbox.png"), 8);
    minimized->SetEnabled(false);
    text_control("MText", ids::kExitModeLabel, text::kClosing, 16);
    for (const auto& [id, text_id] : {std::pair{ids::kExitToTrayRadio, text::kCloseToTray},
                                      std::pair{ids::kExitProgramRadio, text::kCloseExits}}) {
        auto* radio = dynamic_cast<CRadioButton*>(text_control("CRadioButton", id, text_id, 16));
        radio->SetImage(QStringLiteral("btn_radiobox.png"), 8);
        radio->SetGroup(QStringLiteral("IDC_SET_STC_EXITMODE"));
    }
    text_control("MText", ids::kNoticesLabel, text::kNotices, 16);
    text_control("CCheckButton", ids::kBatteryNoticeCheck, text::kBatteryNotice, 16)
        ->SetImage(QStringLiteral("btn_checkbox.png"), 8);
    auto* note = dynamic_cast<MText*>(page->CreateControl("MText", ids::kTrayNote, {}));
    note->SetFont(14);
    note->SetTextColor(ids::kTextGrey);
    note->SetVisible(false);
    text_control("MText", ids::kLinksCaption, text::kBottomCaption, 20)
        ->SetAlignment(Qt::AlignHCenter);
    for (const auto& [id, text_id] :
         {std::pair{ids::kWebsiteLink, text::kWebsite},
          std::pair{ids::kFeedbackLink, text::kFeedback}, std::pair{ids::kQaLink, text::kQa}}) {
        text_control("CTextButton", id, text_id, 20)->SetAlignment(Qt::AlignHCenter);
    }
    ReadSettingsPageState();
}

void DeviceMainDlg::ReadSettingsPageState() {
    const bool autostart = AutostartEntryExists(ApplicationCaption());
    auto* start = Get<CCheckButton>(ids::kAutostartCheck);
    auto* minimized = Get<CCheckButton>(ids::kAutostartMinimizedCheck);
    start->SetCheck(autostart);
    minimized->SetEnabled(autostart);
    minimized->SetCheck(autostart && ReadSettingValue(kAutorunMinimizeValue) == 1);
    const bool to_tray = ReadSettingValue(kExitModeValue) == 1;
    Get<CRadioButton>(to_tray ? ids::kExitToTrayRadio : ids::kExitProgramRadio)->SetCheck(true);
    Get<CCheckButton>(ids::kBatteryNoticeCheck)
        ->SetCheck(ReadSettingFlag(kBatteryNoticeValue, true));
    UpdateTrayNote();
}

void DeviceMainDlg::LayoutSettingsPage(const QRect& client) {
    const int w = client.width();
    const int h = client.height();
    const struct {
        int id;
        QRect rect;
    } places[] = {
        {ids::kSettingsBackground, Edges(240, 80, w - 240, h - 70)},
        {ids::kReturnButton, Edges(100, 90, 180, 138)},
        {ids::kLanguageLabel, Edges(450, 200, 550, 236)},
        {ids::kLanguageCombo, Edges(450, 236, 600, 266)},
        {ids::kStartupLabel, Edges(450, 296, 550, 332)},
        {ids::kAutostartCheck, Edges(450, 332, 950, 362)},
        {ids::kAutostartMinimizedCheck, Edges(510, 368, 950, 398)},
        {ids::kExitModeLabel, Edges(450, 428, 570, 464)},
        {ids::kExitToTrayRadio, Edges(450, 464, 950, 494)},
        {ids::kExitProgramRadio, Edges(450, 500, 950, 530)},
        {ids::kTrayNote, Edges(480, 534, 1000, 580)},
        {ids::kNoticesLabel, Edges(720, 200, 900, 236)},
        {ids::kBatteryNoticeCheck, Edges(720, 236, 1030, 266)},
        {ids::kLinksCaption, Edges(w / 2 - 300, 600, w / 2 + 300, 630)},
        {ids::kWebsiteLink, Edges(450, 650, 600, 680)},
        {ids::kFeedbackLink, Edges(610, 650, 760, 680)},
        {ids::kQaLink, Edges(770, 650, 920, 680)},
    };
    for (const auto& place : places) {
        if (MControl* control = GetControl(place.id)) {
            control->SetRect(place.rect);
        }
    }
}

}  // namespace veltra::ui
