#include "ui/window/performance_page.h"

#include "settings/performance_rules.h"
#include "store/settings_defaults.h"
#include "ui/dialogs/lang_text.h"
#include "ui/widgets/buttons.h"
#include "ui/widgets/events.h"
#include "ui/widgets/fields.h"
#include "ui/widgets/labels.h"
#include "ui/widgets/tabs.h"
#include "ui/window/main_window_ids.h"

namespace veltra::ui {

namespace ids = performance_page;

namespace {

// Controls and their language texts.
constexpr std::pair<int, int> kTexts[] = {
    {ids::kTitle, 500},       {ids::kIdleLightLabel, 543}, {ids::kSleepLabel, 714},
    {ids::kWakeupLabel, 712}, {ids::kWakeup, 713},         {ids::kGameModeLabel, 710},
    {ids::kGameMode, 711},    {ids::kRestoreLabel, 558},   {ids::kRestore, 559},
};

constexpr int kPanels[] = {ids::kIdleLightPanel, ids::kSleepPanel, ids::kWakeupPanel,
                           ids::kGameModePanel, ids::kRestorePanel};

}  // namespace

void PerformancePage::Create(MTabLayout& page) {
    for (int id : kPanels) {
        CreatePanel(page, id);
    }
    CreateLabel(page, ids::kTitle, 18);
    for (int id : {ids::kIdleLightLabel, ids::kSleepLabel, ids::kWakeupLabel, ids::kGameModeLabel,
                   ids::kRestoreLabel}) {
        CreateLabel(page, id, 14);
    }
    idle_light_ = CreateCombo(page, ids::kIdleLight);
    sleep_ = CreateCombo(page, ids::kSleep);
    auto check = [&page](int id) {
        auto* box = dynamic_cast<CCheckButton*>(page.CreateControl("CCheckButton", id, {}));
        box->SetImage(QStringLiteral("btn_checkbox.png"), 8);
        box->SetFont(14);
        box->SetTextColor(main_window::kTextWhite);
        box->SetCheck(true);
        return box;
    };
    wakeup_ = check(ids::kWakeup);
    game_mode_ = check(ids::kGameMode);
    auto* restore = dynamic_cast<MButton*>(page.CreateControl("MButton", ids::kRestore, {}));
    restore->SetImage(QStringLiteral("img_button.png"), 4);
    restore->SetFont(14);
    restore->SetTextColor(main_window::kTextWhite);
    FillTimes();
    ApplyTexts();
}

void PerformancePage::Layout(int w, int h) {
    (void)w;
    (void)h;
    PlaceControls(host_.Window(), {
                                      {ids::kTitle, Edges(210, 150, 465, 180)},
                                      {ids::kIdleLightPanel, Edges(210, 180, 760, 275)},
                                      {ids::kIdleLightLabel, Edges(230, 215, 460, 245)},
                                      {ids::kIdleLight, Edges(560, 215, 680, 245)},
                                      {ids::kSleepPanel, Edges(210, 285, 760, 380)},
                                      {ids::kSleepLabel, Edges(230, 320, 460, 350)},
                                      {ids::kSleep, Edges(560, 320, 680, 350)},
                                      {ids::kWakeupPanel, Edges(210, 390, 760, 505)},
                                      {ids::kWakeupLabel, Edges(230, 410, 460, 440)},
                                      {ids::kWakeup, Edges(260, 450, 740, 480)},
                                      {ids::kGameModePanel, Edges(210, 515, 760, 630)},
                                      {ids::kGameModeLabel, Edges(230, 535, 460, 565)},
                                      {ids::kGameMode, Edges(260, 575, 740, 605)},
                                      {ids::kRestorePanel, Edges(210, 640, 760, 730)},
                                      {ids::kRestoreLabel, Edges(230, 675, 460, 705)},
                                      {ids::kRestore, Edges(560, 675, 680, 705)},
                                  });
}

void PerformancePage::FillTimes() {
    for (int code = 0; code < static_cast<int>(kIdleLightSeconds.size()); ++code) {
        idle_light_->AddItem({}, code);
    }
    for (int code = 0; code < static_cast<int>(kSleepSeconds.size()); ++code) {
        sleep_->AddItem({}, code);
    }
}

void PerformancePage::ApplyTexts() {
    for (const auto& [id, text_id] : kTexts) {
        host_.Window().Get<MControlFont>(id)->SetTitle(LangText(text_id));
    }
    const QString idle_unit = LangText(kIdleLightUnitText);
    for (int index = 0; index < idle_light_->GetCount(); ++index) {
        idle_light_->SetItemText(
            index, QString::number(IdleLightSeconds(idle_light_->GetItemData(index))) + idle_unit);
    }
    const QString sleep_unit = LangText(kSleepUnitText);
    for (int index = 0; index < sleep_->GetCount(); ++index) {
        sleep_->SetItemText(index,
                            QString::number(SleepSeconds(sleep_->GetItemData(index))) + sleep_unit);
    }
}

void PerformancePage::Refresh() {
    wakeup_->SetCheck(settings_.Text(config_key::kKeyWakeup) == "1");
    game_mode_->SetCheck(settings_.Text(config_key::kGameMode) == "1");
    idle_light_->SelectData(settings_.Number(config_key::kSleepLight));
    sleep_->SelectData(settings_.Number(config_key::kSpareTime));
}

bool PerformancePage::Handle(int id, int event, int param) {
    (void)param;
    if (event != Code(Event::Action)) {
        return false;
    }
    switch (id) {
        case ids::kIdleLight:
            settings_.Store(config_key::kSleepLight, idle_light_->GetCurData());
            host_.QueueTask(TaskCode::PowerWrite);
            return true;
        case ids::kSleep:
            settings_.Store(config_key::kSpareTime, sleep_->GetCurData());
            host_.QueueTask(TaskCode::PowerWrite);
            return true;
        case ids::kWakeup:
            settings_.Store(config_key::kKeyWakeup, wakeup_->GetCheck() ? 1 : 0);
            host_.QueueTask(TaskCode::PerformanceWrite);
            return true;
        case ids::kGameMode:
            settings_.Store(config_key::kGameMode, game_mode_->GetCheck() ? 1 : 0);
            host_.QueueTask(TaskCode::PerformanceWrite);
            return true;
        default:
            return false;
    }
}

}  // namespace veltra::ui
