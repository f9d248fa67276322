#include "ui/window/pointer_panel.h"

#include <algorithm>

#include "common/text.h"
#include "store/profile_store.h"
#include "store/settings_defaults.h"
#include "ui/dialogs/lang_text.h"
#include "ui/widgets/buttons.h"
#include "ui/widgets/events.h"
#include "ui/widgets/fields.h"
#include "ui/widgets/labels.h"
#include "ui/widgets/sliders.h"
#include "ui/widgets/tabs.h"
#include "ui/widgets/ui_thread.h"
#include "ui/window/main_window_ids.h"

namespace veltra::ui {

namespace ids = pointer_panel;

namespace {

namespace text {
constexpr int kHelpFirst = 539;
constexpr int kHelpSecond = 540;
constexpr int kNotOffered = 602;
constexpr int kNoDesktop = 603;
constexpr int kAppliesTo = 604;
constexpr int kAppliesLater = 605;
constexpr int kRefused = 606;
}  // namespace text

constexpr std::pair<int, int> kTexts[] = {
    {ids::kTitle, 530},           {ids::kSpeedLabel, 531},      {ids::kSpeedSlow, 532},
    {ids::kSpeedFast, 533},       {ids::kPrecision, 534},       {ids::kWheelLabel, 535},
    {ids::kByLines, 536},         {ids::kOneScreen, 537},       {ids::kDoubleClickLabel, 538},
    {ids::kDoubleClickSlow, 532}, {ids::kDoubleClickFast, 533},
};

constexpr int kSpeedPositions = 20;
constexpr int kDoubleClickPositions = 11;
constexpr int kMinLines = 1;
constexpr int kMaxLines = 20;
// Choosing lines again starts from three, whatever the desktop had before.
constexpr int kDefaultLines = 3;

}  // namespace

PointerPanel::PointerPanel(DevicePageHost& host, PointerSettings* desktop)
    : host_(host), desktop_(desktop) {}

bool PointerPanel::Supported(PointerSetting setting) const {
    return desktop_ != nullptr && desktop_->Supports(setting);
}

QString PointerPanel::DesktopName() const {
    return QString::fromStdString(
        PointerDesktopName(desktop_ != nullptr ? desktop_->Desktop() : PointerDesktop::None));
}

void PointerPanel::Create(MTabLayout& page) {
    CreatePanel(page, ids::kPanel);
    for (int id : {ids::kTitle, ids::kSpeedLabel, ids::kDoubleClickLabel}) {
        CreateLabel(page, id, 16);
    }
    for (int id : {ids::kSpeedSlow, ids::kSpeedFast, ids::kWheelLabel, ids::kDoubleClickSlow,
                   ids::kDoubleClickFast}) {
        CreateLabel(page, id, 14);
    }
    speed_value_ = CreateLabel(page, ids::kSpeedValue, 14);
    double_click_value_ = CreateLabel(page, ids::kDoubleClickValue, 14);
    for (MText* value : {speed_value_, double_click_value_}) {
        value->SetAlignment(Qt::AlignHCenter);
    }
    note_ = CreateLabel(page, ids::kNote, 14);
    note_->SetTextColor(main_window::kTextGrey);
    page.CreateControl("CHelpButton", ids::kHelp, {})->SetImage(QStringLiteral("img_help.png"), 4);
    auto slider = [&page](int id, int positions) {
        auto* control = dynamic_cast<MSlider*>(page.CreateControl("MSlider", id, {}));
        control->SetThumbImage(QStringLiteral("img_slider_bar.png"));
        control->SetRange(0, positions - 1);
        return control;
    };
    speed_ = slider(ids::kSpeed, kSpeedPositions);
    double_click_ = slider(ids::kDoubleClick, kDoubleClickPositions);
    precision_ =
        dynamic_cast<CCheckButton*>(page.CreateControl("CCheckButton", ids::kPrecision, {}));
    precision_->SetImage(QStringLiteral("btn_checkbox.png"), 8);
    auto radio = [&page](int id) {
        auto* control = dynamic_cast<CRadioButton*>(page.CreateControl("CRadioButton", id, {}));
        control->SetImage(QStringLiteral("btn_checkbox.png"), 8);
        control->SetGroup(QStringLiteral("IDC_PER_STC_WHEEL"));
        return control;
    };
    by_lines_ = radio(ids::kByLines);
    one_screen_ = radio(ids::kOneScreen);
    by_lines_->SetCheck(true);
    for (auto* control : std::initializer_list<MControlFont*>{precision_, by_lines_, one_screen_}) {
        control->SetFont(14);
        control->SetTextColor(main_window::kTextWhite);
    }
    lines_ = dynamic_cast<NumberEdit2*>(page.CreateControl("NumberEdit2", ids::kLines, {}));
    lines_->SetImage(QStringLiteral("img_edit.png"), 4);
    lines_->SetRange(kMinLines, kMaxLines);
    lines_->SetAlignment(Qt::AlignHCenter);
    lines_->SetTextColor(main_window::kTextWhite);
    ApplyTexts();
    ReadPointerSettings();
}

void PointerPanel::Layout(int w, int h) {
    PlaceControls(host_.Window(), {
                                      {ids::kPanel, Edges(780, 180, w - 20, h - 50)},
                                      {ids::kTitle, Edges(800, 200, 1080, 230)},
                                      {ids::kSpeedLabel, Edges(820, 260, 1020, 288)},
                                      {ids::kHelp, Edges(1187, 270, 1202, 285)},
                                      {ids::kSpeedValue, Edges(856, 288, 1076, 308)},
                                      {ids::kSpeedSlow, Edges(820, 310, 860, 338)},
                                      {ids::kSpeed, Edges(856, 321, 1176, 338)},
                                      {ids::kSpeedFast, Edges(1186, 310, 1216, 338)},
                                      {ids::kPrecision, Edges(820, 350, 1120, 376)},
                                      {ids::kWheelLabel, Edges(820, 430, 1020, 458)},
                                      {ids::kByLines, Edges(820, 470, 1010, 498)},
                                      {ids::kLines, Edges(1140, 470, 1210, 500)},
                                      {ids::kOneScreen, Edges(820, 510, 1010, 538)},
                                      {ids::kDoubleClickLabel, Edges(820, 580, 1020, 608)},
                                      {ids::kDoubleClickValue, Edges(856, 608, 1076, 628)},
                                      {ids::kDoubleClickSlow, Edges(820, 630, 860, 658)},
                                      {ids::kDoubleClick, Edges(856, 641, 1176, 658)},
                                      {ids::kDoubleClickFast, Edges(1186, 630, 1222, 658)},
                                      {ids::kNote, Edges(800, 672, w - 40, h - 56)},
                                  });
}

void PointerPanel::ApplyTexts() {
    MDialog& window = host_.Window();
    for (const auto& [id, text_id] : kTexts) {
        window.Get<MControlFont>(id)->SetTitle(LangText(text_id));
    }
    window.Get<CHelpButton>(ids::kHelp)
        ->SetHelpText(LangText(text::kHelpFirst) + QLatin1Char('\n') + LangText(text::kHelpSecond));
    const QString name = DesktopName();
    if (name.isEmpty()) {
        note_->SetTitle(LangText(text::kNoDesktop));
    } else {
        note_->SetTitle(LangText(note_text_ != 0 ? note_text_ : text::kAppliesTo)
                            .replace(QStringLiteral("%s"), name));
    }
    const QString missing = name.isEmpty()
                                ? LangText(text::kNoDesktop)
                                : LangText(text::kNotOffered).replace(QStringLiteral("%s"), name);
    const struct {
        MControl* control;
        bool offered;
    } controls[] = {
        {speed_, Supported(PointerSetting::Speed)},
        {precision_, Supported(PointerSetting::Precision)},
        {by_lines_, Supported(PointerSetting::WheelLines)},
        {lines_, Supported(PointerSetting::WheelLines)},
        {one_screen_, Supported(PointerSetting::WheelLines) &&
                          desktop_->Accepts(PointerSetting::WheelLines, kWheelPageScroll)},
        {double_click_, Supported(PointerSetting::DoubleClick)},
    };
    for (const auto& entry : controls) {
        entry.control->SetTooltip(entry.offered ? QString() : missing);
    }
}

void PointerPanel::ShowSpeed(int speed) {
    speed_->SetValue(speed - 1);
    speed_value_->SetTitle(QString::number(speed));
}

void PointerPanel::ShowDoubleClick(int milliseconds) {
    double_click_->SetValue(DoubleClickPosition(milliseconds));
    double_click_value_->SetTitle(QString::number(milliseconds));
}

void PointerPanel::ShowWheel(int lines) {
    const bool one_screen = lines == kWheelPageScroll;
    (one_screen ? one_screen_ : by_lines_)->SetCheck(true);
    lines_->SetTitle(QString::number(one_screen ? 0 : lines));
    lines_->SetEnabled(!one_screen && Supported(PointerSetting::WheelLines));
}

void PointerPanel::StoreMirror(std::string_view key, int value) {
    // A mirror of the desktop, not a choice: stored as read, whatever the range of the rules.
    host_.Store().SetConfig(host_.ActiveProfile(), key, std::to_string(value));
}

void PointerPanel::Show(PointerSetting setting, int value) {
    switch (setting) {
        case PointerSetting::Speed:
            ShowSpeed(std::clamp(value, 1, kSpeedPositions));
            break;
        case PointerSetting::Precision:
            precision_->SetCheck(value == 1);
            break;
        case PointerSetting::WheelLines:
            ShowWheel(value >= 0 && value <= kMaxLines ? value : kWheelPageScroll);
            break;
        case PointerSetting::DoubleClick:
            ShowDoubleClick(value);
            break;
    }
}

void PointerPanel::Adopt(PointerSetting setting, int value) {
    Show(setting, value);
    switch (setting) {
        case PointerSetting::Speed:
            StoreMirror(config_key::kMouseSpeed, std::clamp(value, 1, kSpeedPositions));
            break;
        case PointerSetting::Precision:
            StoreMirror(config_key::kMouseSensitivity, value == 1 ? 1 : 0);
            break;
        case PointerSetting::WheelLines: {
            const bool by_lines = value >= 0 && value <= kMaxLines;
            StoreMirror(config_key::kWheelScrollFlag, by_lines ? 1 : 0);
            StoreMirror(config_key::kWheelScrollLines, by_lines ? value : 0);
            break;
        }
        case PointerSetting::DoubleClick:
            StoreMirror(config_key::kDoubleClickTime, value);
            break;
    }
}

void PointerPanel::ReadPointerSettings() {
    ProfileSettings profile(host_);
    const std::pair<PointerSetting, int> stored[] = {
        {PointerSetting::Speed, profile.Number(config_key::kMouseSpeed)},
        {PointerSetting::Precision, profile.Text(config_key::kMouseSensitivity) == "1" ? 1 : 0},
        {PointerSetting::WheelLines, profile.Text(config_key::kWheelScrollFlag) == "0"
                                         ? kWheelPageScroll
                                         : profile.Number(config_key::kWheelScrollLines)},
        {PointerSetting::DoubleClick, profile.Number(config_key::kDoubleClickTime)},
    };
    for (const auto& [setting, value] : stored) {
        const std::optional<int> current =
            Supported(setting) ? desktop_->Read(setting) : std::nullopt;
        if (current) {
            Adopt(setting, *current);
        } else {
            // What the desktop lacks keeps the profile's value.
            Show(setting, value);
        }
    }
    speed_->SetEnabled(Supported(PointerSetting::Speed));
    precision_->SetEnabled(Supported(PointerSetting::Precision));
    by_lines_->SetEnabled(Supported(PointerSetting::WheelLines));
    one_screen_->SetEnabled(Supported(PointerSetting::WheelLines) &&
                            desktop_->Accepts(PointerSetting::WheelLines, kWheelPageScroll));
    double_click_->SetEnabled(Supported(PointerSetting::DoubleClick));
}

bool PointerPanel::Handle(int id, int event, int param) {
    (void)param;
    const bool action = event == Code(Event::Action);
    switch (id) {
        case ids::kSpeed:
            SetSpeedFromSlider(event);
            return true;
        case ids::kPrecision:
            if (action) {
                SetPrecision();
            }
            return action;
        case ids::kByLines:
        case ids::kOneScreen:
            if (action) {
                SetScrollMode(id);
            }
            return action;
        case ids::kLines:
            SetLinesText(event);
            return true;
        case ids::kDoubleClick:
            if (action) {
                SetDoubleClickFromSlider();
            }
            return action;
        default:
            return false;
    }
}

void PointerPanel::Queue(PointerSetting setting, int value) {
    {
        const std::lock_guard lock(pending_mutex_);
        // Each setting keeps its own pending value, so a speed change and a double-click change
        // made before the worker runs both reach the desktop.
        (setting == PointerSetting::Speed ? pending_speed_ : pending_double_click_) = value;
    }
    host_.QueueTask(TaskCode::PointerSettings);
}

void PointerPanel::SetSpeedFromSlider(int event) {
    if (!Supported(PointerSetting::Speed)) {
        return;
    }
    const int speed = speed_->GetValue() + 1;
    speed_value_->SetTitle(QString::number(speed));
    StoreMirror(config_key::kMouseSpeed, speed);
    // A drag changes the desktop once, when it ends.
    if (event == Code(Event::Action)) {
        Queue(PointerSetting::Speed, speed);
    }
}

void PointerPanel::SetDoubleClickFromSlider() {
    if (!Supported(PointerSetting::DoubleClick)) {
        return;
    }
    const int time = DoubleClickPositionMs(double_click_->GetValue());
    double_click_value_->SetTitle(QString::number(time));
    StoreMirror(config_key::kDoubleClickTime, time);
    Queue(PointerSetting::DoubleClick, time);
}

void PointerPanel::SetPrecision() {
    if (!Supported(PointerSetting::Precision)) {
        return;
    }
    const int on = precision_->GetCheck() ? 1 : 0;
    StoreMirror(config_key::kMouseSensitivity, on);
    ShowOutcome(PointerSetting::Precision, desktop_->Write(PointerSetting::Precision, on));
}

void PointerPanel::SetScrollMode(int id) {
    if (!Supported(PointerSetting::WheelLines)) {
        return;
    }
    const bool one_screen = id == ids::kOneScreen && one_screen_->GetCheck();
    const int lines = one_screen ? kWheelPageScroll : kDefaultLines;
    ShowWheel(lines);
    StoreMirror(config_key::kWheelScrollFlag, one_screen ? 0 : 1);
    StoreMirror(config_key::kWheelScrollLines, one_screen ? 0 : kDefaultLines);
    ShowOutcome(PointerSetting::WheelLines, desktop_->Write(PointerSetting::WheelLines, lines));
}

void PointerPanel::SetLinesText(int event) {
    if (!Supported(PointerSetting::WheelLines)) {
        return;
    }
    if (event == Code(Event::TextChanged)) {
        // Typed numbers are brought into 1..20 and written back, never refused.
        const long typed = ParseDecimal(lines_->GetTitle().toStdString());
        const long lines = std::clamp<long>(typed, kMinLines, kMaxLines);
        if (lines != typed) {
            lines_->SetTitle(QString::number(lines));
        }
        return;
    }
    if (event != Code(Event::Action)) {
        return;
    }
    const int lines = static_cast<int>(
        std::clamp<long>(ParseDecimal(lines_->GetTitle().toStdString()), kMinLines, kMaxLines));
    lines_->SetTitle(QString::number(lines));
    StoreMirror(config_key::kWheelScrollLines, lines);
    ShowOutcome(PointerSetting::WheelLines, desktop_->Write(PointerSetting::WheelLines, lines));
}

void PointerPanel::ApplyPending() {
    std::optional<int> speed;
    std::optional<int> double_click;
    {
        const std::lock_guard lock(pending_mutex_);
        speed = std::exchange(pending_speed_, std::nullopt);
        double_click = std::exchange(pending_double_click_, std::nullopt);
    }
    auto apply = [this](PointerSetting setting, int value) {
        const PointerWrite outcome = desktop_->Write(setting, value);
        PostTo(&host_.Window(), [this, setting, outcome] { ShowOutcome(setting, outcome); });
    };
    if (desktop_ == nullptr) {
        return;
    }
    if (speed) {
        apply(PointerSetting::Speed, *speed);
    }
    if (double_click) {
        apply(PointerSetting::DoubleClick, *double_click);
    }
}

void PointerPanel::ShowOutcome(PointerSetting setting, PointerWrite outcome) {
    switch (outcome) {
        case PointerWrite::Applied:
            note_text_ = 0;
            break;
        case PointerWrite::AppliesLater:
            note_text_ = text::kAppliesLater;
            break;
        case PointerWrite::Unsupported:
        case PointerWrite::Failed:
            note_text_ = text::kRefused;
            // The page and the profile show what the desktop really has.
            if (const std::optional<int> value = desktop_->Read(setting)) {
                Adopt(setting, *value);
            }
            break;
    }
    ApplyTexts();
}

}  // namespace veltra::ui
