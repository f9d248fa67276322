#include "ui/window/dpi_page.h"

#include <array>

#include "common/text.h"
#include "frontend/setting_rules.h"
#include "store/profile_store.h"
#include "store/settings_defaults.h"
#include "ui/dialogs/dpi_popup.h"
#include "ui/dialogs/lang_text.h"
#include "ui/dialogs/message_box.h"
#include "ui/dialogs/palette_dialog.h"
#include "ui/widgets/buttons.h"
#include "ui/widgets/dpi_controls.h"
#include "ui/widgets/events.h"
#include "ui/widgets/labels.h"
#include "ui/widgets/tabs.h"
#include "ui/window/main_window_ids.h"

namespace veltra::ui {

namespace ids = dpi_page;

namespace {

namespace text {
constexpr int kLevelsTitle = 251;
constexpr int kLevelsHelp = 252;
constexpr int kLevelsReset = 253;
constexpr int kRateTitle = 255;
constexpr int kRateReset = 257;
constexpr int kLevelsResetQuestion = 258;
constexpr int kRateResetQuestion = 259;
}  // namespace text

// The DPI control's levels before the first refresh.
constexpr std::array<std::pair<int, std::uint32_t>, 8> kInitialLevels = {{
    {1200, 0x0000FF},
    {1600, 0xFFFF00},
    {2400, 0x00FF00},
    {4800, 0xFF0000},
    {6400, 0xFF007F},
    {8000, 0x00FFFF},
    {9600, 0x007FFF},
    {12000, 0xFFFFFF},
}};

struct RateItem {
    const char* text;
    int value;
    std::uint32_t colour;
};
constexpr RateItem kBluetoothRate = {"133Hz", 3, 0x0108F1};
constexpr std::array<RateItem, 4> kRates = {{
    {"125Hz", 3, 0x0108F1},
    {"250Hz", 2, 0xED6B00},
    {"500Hz", 1, 0x4DF600},
    {"1000Hz", 0, 0x20A3FF},
}};

constexpr int kBluetoothRateValue = 3;

}  // namespace

void DpiPage::Create(MTabLayout& page) {
    for (int id : {ids::kLevelsPanel, ids::kRatePanel}) {
        CreatePanel(page, id);
    }
    for (int id : {ids::kLevelsTitle, ids::kRateTitle}) {
        CreateLabel(page, id, 16);
    }
    page.CreateControl("CHelpButton", ids::kLevelsHelp, {})
        ->SetImage(QStringLiteral("img_help.png"), 4);
    for (int id : {ids::kLevelsReset, ids::kRateReset}) {
        page.CreateControl("CImageButton", id, {})->SetImage(QStringLiteral("btn_reset.png"), 4);
    }
    levels_ = dynamic_cast<DPIControl*>(page.CreateControl("DPIControl", ids::kLevels, {}));
    levels_->SetImage(QStringLiteral("btn_checkbox.png"), 8);
    levels_->SetTextColor(main_window::kTextWhite);
    for (const auto& [dpi, colour] : kInitialLevels) {
        levels_->AddItem(dpi, colour);
    }
    slider_ = dynamic_cast<DPISlider*>(page.CreateControl("DPISlider", ids::kSlider, {}));
    slider_->SetImage(QStringLiteral("img_dpi_bar.png"), 1);
    slider_->SetBackImage(QStringLiteral("img_area2.png"));
    rate_ = dynamic_cast<ReporteCtrl*>(page.CreateControl("ReporteCtrl", ids::kRate, {}));
    rate_->SetTextColor(main_window::kTextWhite);
    ApplyTexts();
}

void DpiPage::Layout(int w, int h) {
    PlaceControls(host_.Window(), {
                                      {ids::kLevelsPanel, Edges(210, 180, w - 20, 540)},
                                      {ids::kLevelsTitle, Edges(230, 200, 380, 230)},
                                      {ids::kLevelsHelp, Edges(430, 207, 446, 223)},
                                      {ids::kLevelsReset, Edges(w - 90, 206, w - 72, 224)},
                                      {ids::kLevels, Edges(250, 260, w - 70, 380)},
                                      {ids::kSlider, Edges(250, 410, w - 70, 510)},
                                      {ids::kRatePanel, Edges(210, 550, w - 20, h - 50)},
                                      {ids::kRateTitle, Edges(230, 570, 395, 600)},
                                      {ids::kRateReset, Edges(w - 90, 576, w - 72, 594)},
                                      {ids::kRate, Edges(230, 640, w - 40, 670)},
                                  });
}

void DpiPage::ApplyTexts() {
    MDialog& window = host_.Window();
    window.Get<MText>(ids::kLevelsTitle)->SetTitle(LangText(text::kLevelsTitle));
    window.Get<MText>(ids::kRateTitle)->SetTitle(LangText(text::kRateTitle));
    window.Get<CHelpButton>(ids::kLevelsHelp)->SetHelpText(LangText(text::kLevelsHelp));
    window.GetControl(ids::kLevelsReset)->SetTooltip(LangText(text::kLevelsReset));
    window.GetControl(ids::kRateReset)->SetTooltip(LangText(text::kRateReset));
}

bool DpiPage::Handle(int id, int event, int param) {
    const bool action = event == Code(Event::Action);
    switch (id) {
        case ids::kLevels:
            if (action) {
                SelectLevel();
            } else if (event == Code(Event::DpiMaskChanged)) {
                ChangeMask();
            } else if (event == Code(Event::DpiColourPick)) {
                PickColour();
            }
            return true;
        case ids::kSlider:
            if (action || event == Code(Event::Changing)) {
                Slide(event, param);
            }
            return true;
        case ids::kLevelsReset:
            if (action) {
                ResetLevels();
            }
            return action;
        case ids::kRate:
            if (action) {
                ChooseReportRate(param);
            }
            return action;
        case ids::kRateReset:
            if (action) {
                ResetReportRate();
            }
            return action;
        default:
            return false;
    }
}

void DpiPage::ApplySliderRange(int level, int device_type) {
    const DpiSliderRange range = DpiSliderRangeFor(device_type, level);
    slider_->SetLimits(range.lower, range.upper);
    slider_->SetStep(range.step);
    slider_->SetEndTexts(QString::number(range.LowDpi()), QString::number(range.HighDpi()));
}

// The slider and its range for `level`, which the DPI control shows selected.
void DpiPage::ShowLevel(int level) {
    ApplySliderRange(level, host_.DeviceType());
    slider_->SetProgress(levels_->GetDPIValue(level) / DPISlider::kDpiPerStep);
}

void DpiPage::Refresh() {
    const int device_type = host_.DeviceType();
    for (int level = 0; level < DPIControl::kLevels; ++level) {
        int value = settings_.Number(DpiGroupValueKey(level));
        // 0 means the level was never set: the model's default shows.
        if (value < 1) {
            value = static_cast<int>(
                ParseDecimal(DefaultConfigValue(device_type, DpiGroupValueKey(level))));
        }
        levels_->SetDPIValue(level, value);
    }
    for (int level = 0; level < DPIControl::kLevels; ++level) {
        levels_->SetDPIColorValue(
            level, static_cast<std::uint32_t>(settings_.Number(DpiGroupRgbKey(level))));
    }
    levels_->SetDPIFlag(settings_.Number(config_key::kDpiFlag));
    int active = settings_.Number(config_key::kDpiIndex);
    if (active < 0 || active >= DPIControl::kLevels) {
        active = 0;
    }
    levels_->SetSelectItem(active);
    ShowLevel(active);
    RefreshReportRate();
}

void DpiPage::FollowMouse(const MouseSettingsChange& change) {
    if (change.dpi) {
        levels_->SetSelectItem(change.dpi->level);
        ApplySliderRange(change.dpi->level, change.dpi->device_type);
        slider_->SetProgress(change.dpi->value / DPISlider::kDpiPerStep);
    }
    if (change.report_rate && !OverBluetooth()) {
        rate_->SetSelectItemValue(*change.report_rate);
    }
}

void DpiPage::SelectLevel() {
    const int level = levels_->GetSelectItem();
    if (level < 0) {
        return;
    }
    settings_.Store(config_key::kDpiIndex, level);
    ShowLevel(level);
    host_.QueueTask(TaskCode::DpiWrite);
    if (DPIMsgDlg* popup = host_.Popup()) {
        popup->ShowDPI(levels_->GetDPIValue(level));
    }
}

void DpiPage::ChangeMask() {
    settings_.Store(config_key::kDpiFlag, levels_->GetDPIFlag());
    const int level = levels_->GetSelectItem();
    if (level >= 0) {
        settings_.Store(config_key::kDpiIndex, level);
        ShowLevel(level);
    }
    host_.QueueTask(TaskCode::DpiWrite);
}

void DpiPage::PickColour() {
    const int level = levels_->GetSelectItem();
    if (level < 0) {
        return;
    }
    MousePaletteDlg palette;
    palette.SetColor(levels_->GetDPIColorValue(level));
    if (palette.Run(&host_.Window()) != kResultOk || palette.GetColor() == 0) {
        return;
    }
    // The mouse knows only its palette; a colour outside it is not stored and not shown.
    if (!settings_.Store(DpiGroupRgbKey(level), static_cast<int>(palette.GetColor()))) {
        return;
    }
    levels_->SetDPIColorValue(level, palette.GetColor());
    settings_.Store(config_key::kDpiIndex, level);
    ShowLevel(level);
    host_.QueueTask(TaskCode::DpiWrite);
}

void DpiPage::Slide(int event, int position) {
    const int level = levels_->GetSelectItem();
    if (level < 0) {
        return;
    }
    const int value = (slider_->GetLowerLimit() + position) * DPISlider::kDpiPerStep;
    levels_->SetDPIValue(level, value);
    settings_.Store(DpiGroupValueKey(level), value);
    // A drag stores every value it passes, and writes the mouse once, when it ends.
    if (event == Code(Event::Action)) {
        host_.QueueTask(TaskCode::DpiWrite);
    }
}

void DpiPage::ResetLevels() {
    if (ShowMessageBox(&host_.Window(), LangText(text::kLevelsResetQuestion),
                       LangText(text::kLevelsReset), kMessageOkCancel) == kResultCancel) {
        return;
    }
    // The defaults themselves are stored, not "0" (a level never set), which the mouse would
    // receive as DPI code 0.
    std::vector<std::string> keys = {std::string(config_key::kDpiCount),
                                     std::string(config_key::kDpiFlag),
                                     std::string(config_key::kDpiIndex)};
    for (int level = 0; level < DPIControl::kLevels; ++level) {
        keys.push_back(DpiGroupValueKey(level));
        keys.push_back(DpiGroupRgbKey(level));
        keys.push_back(DpiGroupRgbIndexKey(level));
    }
    const int device_type = host_.DeviceType();
    const int profile = host_.ActiveProfile();
    for (const std::string& key : keys) {
        host_.Store().SetConfig(profile, key, DefaultConfigValue(device_type, key));
    }
    Refresh();
    if (DPIMsgDlg* popup = host_.Popup()) {
        popup->ShowDPI(levels_->GetDPIValue(levels_->GetSelectItem()));
    }
    host_.QueueTask(TaskCode::DpiWrite);
}

void DpiPage::RefreshReportRate() {
    rate_->DeleteAllItems();
    if (OverBluetooth()) {
        rate_->AddItem(QString::fromLatin1(kBluetoothRate.text), kBluetoothRate.value,
                       kBluetoothRate.colour);
        rate_->SetSelectItemValue(kBluetoothRate.value);
        return;
    }
    for (const RateItem& item : kRates) {
        rate_->AddItem(QString::fromLatin1(item.text), item.value, item.colour);
    }
    rate_->SetSelectItemValue(settings_.Number(config_key::kReportRate));
}

void DpiPage::ChooseReportRate(int value) {
    // Over Bluetooth the mouse reports at its one rate.
    if (OverBluetooth()) {
        return;
    }
    if (!settings_.Store(config_key::kReportRate, value)) {
        return;
    }
    host_.QueueTask(TaskCode::ReportRateWrite);
    if (DPIMsgDlg* popup = host_.Popup()) {
        popup->ShowReportRate(value);
    }
}

void DpiPage::ResetReportRate() {
    if (ShowMessageBox(&host_.Window(), LangText(text::kRateResetQuestion),
                       LangText(text::kRateReset), kMessageOkCancel) == kResultCancel) {
        return;
    }
    if (OverBluetooth()) {
        rate_->SetSelectItemValue(kBluetoothRateValue);
        return;
    }
    constexpr int kThousandHertz = 0;
    // The wireless copy goes with it, so the profile never holds two rates.
    settings_.Store(config_key::kReportRate, kThousandHertz);
    rate_->SetSelectItemValue(kThousandHertz);
    host_.QueueTask(TaskCode::ReportRateWrite);
    if (DPIMsgDlg* popup = host_.Popup()) {
        popup->ShowReportRate(kThousandHertz);
    }
}

}  // namespace veltra::ui
