#include "ui/window/macro_page.h"

#include <QApplication>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <algorithm>
#include <chrono>
#include <filesystem>

#include "common/text.h"
#include "config/language.h"
#include "macro/macro_file.h"
#include "macro/macro_store.h"
#include "settings/key_function.h"
#include "store/profile_store.h"
#include "ui/dialogs/file_dialog.h"
#include "ui/dialogs/lang_text.h"
#include "ui/dialogs/message_box.h"
#include "ui/widgets/buttons.h"
#include "ui/widgets/events.h"
#include "ui/widgets/fields.h"
#include "ui/widgets/labels.h"
#include "ui/widgets/macro_lists.h"
#include "ui/widgets/menu.h"
#include "ui/widgets/tabs.h"
#include "ui/window/main_window_ids.h"

namespace veltra::ui {

namespace ids = macro_page;

namespace {

namespace text {

constexpr int kRecordingTitle = 355;
constexpr int kStartRecording = 358;
constexpr int kStopRecording = 359;
constexpr int kInsertTitle = 368;
constexpr int kKeyHint = 385;
constexpr int kLimitReached = 386;
constexpr int kNoMacroSelected = 387;
constexpr int kMouseKind = 393;
constexpr int kKeyboardKind = 394;
constexpr int kDelayKind = 395;
constexpr int kDelete = 34;
constexpr int kImportTitle = 30;
constexpr int kExportTitle = 31;
constexpr int kFileUnreadable = 612;
constexpr int kDeleteUsedMacro = 617;
constexpr int kNotAMacroFile = 618;
constexpr int kTooManyMacros = 619;
constexpr int kMacroNotSaved = 620;
constexpr int kMacroNotStored = 621;
}  // namespace text

// Labels, buttons and radios and their language texts.
constexpr std::pair<int, int> kTexts[] = {
    {ids::kTitle, 350},
    {ids::kMacroPanelTitle, 352},
    {ids::kNew, 353},
    {ids::kImport, 30},
    {ids::kExport, 31},
    {ids::kStepPanelTitle, 355},
    {ids::kHeaderNumber, 388},
    {ids::kHeaderEvent, 389},
    {ids::kHeaderValue, 390},
    {ids::kInsert, 42},
    {ids::kDelete, 34},
    {ids::kClear, 404},
    {ids::kDelayLabel, 360},
    {ids::kNoDelays, 361},
    {ids::kRecordedDelays, 362},
    {ids::kFixedDelay, 363},
    {ids::kPlayLabel, 364},
    {ids::kPlayUntilPressed, 365},
    {ids::kPlayWhileHeld, 366},
    {ids::kPlayTimes, 367},
    {ids::kPlayUntilAnyKey, 380},
    {ids::kKindLabel, 391},
    {ids::kValueLabel, 392},
    {ids::kLeft, 411},
    {ids::kRight, 412},
    {ids::kUp, 413},
    {ids::kDown, 414},
};

// The editor's button list: entry, language text.
constexpr std::pair<int, int> kButtonEntries[] = {{1, 150}, {2, 151}, {3, 152}, {5, 153}, {6, 154}};

// The insert menu and the step menu: command, language text.
constexpr std::pair<int, int> kInsertEntries[] = {{ids::kCommandInsertMouse, 396},
                                                  {ids::kCommandInsertKey, 397},
                                                  {ids::kCommandInsertDelay, 398}};
constexpr std::pair<int, int> kStepEntries[] = {{ids::kCommandTop, 400},
                                                {ids::kCommandUp, 401},
                                                {ids::kCommandDown, 402},
                                                {ids::kCommandBottom, 403}};

// Delay radios by DelayType, play radios by PlayType.
constexpr int kDelayIds[] = {ids::kNoDelays, ids::kRecordedDelays, ids::kFixedDelay};
constexpr int kPlayIds[] = {ids::kPlayTimes, ids::kPlayUntilPressed, ids::kPlayWhileHeld,
                            ids::kPlayUntilAnyKey};

// The controls of the step editor.
constexpr int kEditorIds[] = {ids::kKindLabel,  ids::kKind,   ids::kValueLabel,
                              ids::kValueField, ids::kMoveUp, ids::kMoveDown};
constexpr int kMoveIds[] = {ids::kXLabel, ids::kLeft, ids::kRight, ids::kXField,
                            ids::kYLabel, ids::kUp,   ids::kDown,  ids::kYField};

constexpr std::uint32_t kPanelColour = 0xC8191919;
constexpr std::uint32_t kInnerColour = 0xC81F1F1F;
constexpr std::uint32_t kHeaderColour = 0xC81C1B21;
constexpr std::uint32_t kFieldColour = 0x333333;

std::string Lang(int id) {
    return GetLangText(id);
}

MacroRecordType TypeOf(const RecordItem& item) {
    return static_cast<MacroRecordType>(item.type);
}

bool IsKey(MacroRecordType type) {
    return type == MacroRecordType::KeyDown || type == MacroRecordType::KeyUp;
}

bool IsButton(MacroRecordType type) {
    return type == MacroRecordType::MouseDown || type == MacroRecordType::MouseUp;
}

bool IsAxisMove(MacroRecordType type) {
    return type >= MacroRecordType::MoveUp && type <= MacroRecordType::MoveRight;
}

// The language text of a one-axis move in the kind list.
int MoveKindText(MacroRecordType type) {
    switch (type) {
        case MacroRecordType::MoveUp:
            return 408;
        case MacroRecordType::MoveDown:
            return 409;
        case MacroRecordType::MoveLeft:
            return 406;
        default:
            return 407;
    }
}

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

// The key name a key step shows, without its arrow.
QString KeyNameOf(const QString& step_text) {
    return step_text.mid(1).trimmed();
}

int MaskOfQtButton(Qt::MouseButton button) {
    switch (button) {
        case Qt::LeftButton:
            return kMaskLeft;
        case Qt::RightButton:
            return kMaskRight;
        case Qt::MiddleButton:
            return kMaskMiddle;
        case Qt::BackButton:
            return kMaskBackward;
        case Qt::ForwardButton:
            return kMaskForward;
        default:
            return 0;
    }
}

int ImportErrorText(MacroFileError error) {
    switch (error) {
        case MacroFileError::kUnreadable:
            return text::kFileUnreadable;
        case MacroFileError::kTooManyMacros:
            return text::kTooManyMacros;
        case MacroFileError::kStoreFailed:
            return text::kMacroNotStored;
        default:
            return text::kNotAMacroFile;
    }
}

// The position of the checked radio in `group`, or `none`.
int CheckedIndex(const std::vector<CRadioButton*>& group, int none) {
    for (std::size_t index = 0; index < group.size(); ++index) {
        if (group[index]->GetCheck()) {
            return static_cast<int>(index);
        }
    }
    return none;
}

// Hands the application's input to the page while it records.
class InputTap : public QObject {
  public:
    explicit InputTap(MacroPage& page) : page_(page) { qApp->installEventFilter(this); }
    ~InputTap() override { qApp->removeEventFilter(this); }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        return page_.RecordInput(watched, event);
    }

  private:
    MacroPage& page_;
};

}  // namespace

MacroPage::MacroPage(DevicePageHost& host, std::function<void()> macros_changed)
    : host_(host), macros_changed_(std::move(macros_changed)) {}

MacroPage::~MacroPage() = default;

void MacroPage::Create(MTabLayout& page) {
    // Panels first: later controls paint over them.
    dynamic_cast<CRoundArea*>(page.CreateControl("CRoundArea", ids::kPagePanel, {}))
        ->SetColor(kPanelColour);
    dynamic_cast<CRoundArea*>(page.CreateControl("CRoundArea", ids::kInnerPanel, {}))
        ->SetColor(kInnerColour);
    for (int id : {ids::kMacroPanel, ids::kStepPanel, ids::kRecordPanel}) {
        CreatePanel(page, id);
    }
    for (int id : {ids::kMacroListBack, ids::kStepListBack}) {
        auto* back = dynamic_cast<MPicture*>(page.CreateControl("MPicture", id, {}));
        back->SetImage(QStringLiteral("img_area2.png"), 1);
        back->SetShowMode(3, 10);
    }
    dynamic_cast<CRoundArea*>(page.CreateControl("CRoundArea", ids::kHeaderBand, {}))
        ->SetColor(kHeaderColour);
    dynamic_cast<CArea*>(page.CreateControl("CArea", ids::kDelayBack, {}))->SetColor(kFieldColour);

    CreateLabel(page, ids::kTitle, 18);
    for (int id : {ids::kMacroPanelTitle, ids::kStepPanelTitle}) {
        CreateLabel(page, id, 16);
    }
    for (int id : {ids::kHeaderNumber, ids::kHeaderEvent, ids::kHeaderValue, ids::kDelayLabel,
                   ids::kPlayLabel, ids::kKindLabel, ids::kValueLabel}) {
        CreateLabel(page, id, 14);
    }
    CreateLabel(page, ids::kDelayUnit, 12)->SetTitle(QStringLiteral("ms"));
    CreateLabel(page, ids::kXLabel, 14)->SetTitle(QStringLiteral("X:"));
    CreateLabel(page, ids::kYLabel, 14)->SetTitle(QStringLiteral("Y:"));

    macros_ = dynamic_cast<MacroList*>(page.CreateControl("MacroList", ids::kMacroList, {}));
    macros_->SetImage(QStringLiteral("img_list_bkg.png"), 2);
    macros_->SetEditImage(QStringLiteral("btn_more.png"), 4);
    steps_ = dynamic_cast<CRecordList*>(page.CreateControl("CRecordList", ids::kStepList, {}));
    steps_->SetImage(QStringLiteral("icon\\icon_list.png"), 8);
    steps_->SetItemImage(QStringLiteral("img_list_bkg.png"), 2);
    steps_->SetMoreImage(QStringLiteral("btn_more.png"), 4);

    for (int id :
         {ids::kNew, ids::kImport, ids::kExport, ids::kInsert, ids::kDelete, ids::kClear}) {
        auto* button = page.CreateControl("MButton", id, {});
        button->SetImage(QStringLiteral("img_button.png"), 4);
    }
    // Image buttons: without the skin's images they draw their arrows.
    page.CreateControl("CImageButton", ids::kMoveUp, {})
        ->SetImage(QStringLiteral("img_recorditem_up.png"), 4);
    page.CreateControl("CImageButton", ids::kMoveDown, {})
        ->SetImage(QStringLiteral("img_recorditem_down.png"), 4);
    record_ = dynamic_cast<CIconButton*>(page.CreateControl("CIconButton", ids::kRecord, {}));
    record_->SetImage(QStringLiteral("img_button.png"), 4);
    record_->SetIcon(QStringLiteral("icon\\icon_rec.png"));

    auto radio = [&page](int id, const char* group) {
        auto* control = dynamic_cast<CRadioButton*>(page.CreateControl("CRadioButton", id, {}));
        control->SetImage(QStringLiteral("btn_radiobox.png"), 8);
        control->SetGroup(QString::fromLatin1(group));
        control->SetFont(14);
        control->SetTextColor(main_window::kTextWhite);
        return control;
    };
    for (int id : kDelayIds) {
        delay_radios_.push_back(radio(id, "IDC_MACRO_STC_DELAYSET"));
    }
    delay_radios_[static_cast<int>(DelayType::RecordedDelays)]->SetCheck(true);
    for (int id : kPlayIds) {
        play_radios_.push_back(radio(id, "IDC_MACRO_RADIO_LOOP1"));
    }
    play_radios_[static_cast<int>(PlayType::Times)]->SetCheck(true);
    radio(ids::kLeft, "IDC_MACRO_MOVE_STC_X");
    radio(ids::kRight, "IDC_MACRO_MOVE_STC_X");
    radio(ids::kUp, "IDC_MACRO_MOVE_STC_Y");
    radio(ids::kDown, "IDC_MACRO_MOVE_STC_Y");

    delay_field_ = CreateField(page, ids::kDelayField, false);
    delay_field_->SetTitle(QString::number(kDefaultFixedDelay));
    delay_field_->SetNumberOnly(true);
    delay_field_->SetEnabled(false);
    play_count_ = CreateField(page, ids::kPlayCount, true);
    play_count_->SetTitle(QString::number(kDefaultPlayTimes));
    play_count_->SetNumberOnly(true);
    kind_ = CreateCombo(page, ids::kKind);
    value_field_ = CreateField(page, ids::kValueField, true);
    button_list_ = CreateCombo(page, ids::kButtonList);
    for (const auto& [entry, text_id] : kButtonEntries) {
        button_list_->AddItem(LangText(text_id), entry);
    }
    x_field_ = CreateField(page, ids::kXField, true);
    y_field_ = CreateField(page, ids::kYField, true);
    for (MEdit* field : {x_field_, y_field_}) {
        field->SetNumberOnly(true);
    }
    HideEditor();
    ApplyTexts();
}

void MacroPage::Layout(int w, int h) {
    MDialog& window = host_.Window();
    PlaceControls(window, {
                              {ids::kTitle, Edges(210, 150, 465, 180)},
                              {ids::kMacroPanel, Edges(210, 180, 550, h - 50)},
                              {ids::kMacroPanelTitle, Edges(230, 200, 380, 230)},
                              {ids::kMacroListBack, Edges(230, 230, 520, 670)},
                              {ids::kMacroList, Edges(233, 233, 517, 668)},
                              {ids::kNew, Edges(230, 680, 320, 710)},
                              {ids::kImport, Edges(330, 680, 420, 710)},
                              {ids::kExport, Edges(430, 680, 520, 710)},
                              {ids::kStepPanel, Edges(570, 180, 970, h - 50)},
                              {ids::kStepPanelTitle, Edges(590, 200, 740, 230)},
                              {ids::kStepListBack, Edges(590, 230, 950, 670)},
                              {ids::kHeaderBand, Edges(593, 233, 947, 266)},
                              {ids::kHeaderNumber, Edges(595, 230, 675, 266)},
                              {ids::kHeaderEvent, Edges(675, 230, 760, 266)},
                              {ids::kHeaderValue, Edges(780, 230, 900, 266)},
                              {ids::kStepList, Edges(593, 269, 947, 667)},
                              {ids::kInsert, Edges(650, 680, 740, 710)},
                              {ids::kDelete, Edges(755, 680, 845, 710)},
                              {ids::kClear, Edges(860, 680, 950, 710)},
                              {ids::kRecordPanel, Edges(990, 180, w - 20, h - 50)},
                              {ids::kRecord, Edges(1020, 200, 1180, 230)},
                              {ids::kDelayLabel, Edges(1020, 240, 1120, 270)},
                              {ids::kNoDelays, Edges(1020, 270, 1180, 300)},
                              {ids::kRecordedDelays, Edges(1020, 300, 1180, 330)},
                              {ids::kFixedDelay, Edges(1020, 330, 1145, 360)},
                              {ids::kDelayBack, Edges(1160, 332, 1220, 358)},
                              {ids::kDelayField, Edges(1155, 332, 1200, 358)},
                              {ids::kDelayUnit, Edges(1196, 332, 1220, 358)},
                              {ids::kKindLabel, Edges(1020, 550, 1150, 580)},
                              {ids::kKind, Edges(1020, 580, 1180, 610)},
                              {ids::kMoveUp, Edges(1190, 580, 1216, 610)},
                              {ids::kValueLabel, Edges(1020, 620, 1120, 650)},
                              {ids::kValueField, Edges(1020, 650, 1180, 680)},
                              {ids::kButtonList, Edges(1020, 650, 1180, 680)},
                              {ids::kMoveDown, Edges(1190, 650, 1216, 680)},
                          });
    // The editor of a two-axis move: one row per axis, above and below the move-down button.
    PlaceControls(window, {
                              {ids::kXLabel, Edges(1020, 620, 1036, 650)},
                              {ids::kLeft, Edges(1038, 620, 1102, 650)},
                              {ids::kRight, Edges(1104, 620, 1172, 650)},
                              {ids::kXField, Edges(1174, 620, 1216, 648)},
                              {ids::kYLabel, Edges(1020, 688, 1036, 718)},
                              {ids::kUp, Edges(1038, 688, 1102, 718)},
                              {ids::kDown, Edges(1104, 688, 1172, 718)},
                              {ids::kYField, Edges(1174, 688, 1216, 716)},
                          });
}

void MacroPage::ApplyTexts() {
    MDialog& window = host_.Window();
    for (const auto& [id, text_id] : kTexts) {
        if (auto* control = window.Get<MControlFont>(id)) {
            control->SetTitle(LangText(text_id));
        }
    }
    record_->SetTitle(LangText(Recording() ? text::kStopRecording : text::kStartRecording));
    for (int index = 0; index < button_list_->GetCount(); ++index) {
        button_list_->SetItemText(index, LangText(kButtonEntries[index].second));
    }
    value_field_->SetCueText(LangText(text::kKeyHint));
    // Names that begin with the custom prefix are shown in the language.
    for (int index = 0; index < macros_->GetItemCount(); ++index) {
        MacroInfo info;
        if (host_.Store().LoadMacro(macros_->GetItemData(index), info)) {
            macros_->ModifyItemString(index, Q(MacroDisplayName(info.name, Lang)));
        }
    }
    if (editor_open_) {
        EditRecord();
    }
}

void MacroPage::LoadMacroList() {
    // What was recorded so far is kept before the lists are rebuilt.
    if (Recording()) {
        StopRecording(false);
    }
    const int shown = SelectedMacro();
    macros_->DeleteAllItems();
    steps_->DeleteAllItems();
    HideEditor();
    std::vector<MacroInfo> macros;
    host_.Store().LoadMacros(macros);
    int select = macros.empty() ? -1 : 0;
    for (const MacroInfo& info : macros) {
        const int index = macros_->AddItem(Q(MacroDisplayName(info.name, Lang)), info.macro_id);
        if (info.macro_id == shown) {
            select = index;
        }
    }
    if (select >= 0) {
        macros_->SetCurSel(select);
        ShowMacro(macros_->GetItemData(select));
    }
}

int MacroPage::SelectedMacro() const {
    return macros_->GetItemData(macros_->GetCurSel());
}

void MacroPage::ShowMacro(int macro_id) {
    HideEditor();
    delay_field_->SetEnabled(false);
    play_count_->SetEnabled(false);
    MacroInfo info;
    if (!host_.Store().LoadMacro(macro_id, info)) {
        steps_->DeleteAllItems();
        return;
    }
    if (info.delay_type >= 0 && info.delay_type < static_cast<int>(delay_radios_.size())) {
        delay_radios_[static_cast<std::size_t>(info.delay_type)]->SetCheck(true);
    }
    if (info.delay_type == kFixedDelay) {
        delay_field_->SetTitle(QString::number(info.delay_time));
        delay_field_->SetEnabled(true);
    }
    if (info.play_type > 0 && info.play_type < static_cast<int>(play_radios_.size())) {
        play_radios_[static_cast<std::size_t>(info.play_type)]->SetCheck(true);
    } else {
        play_radios_[static_cast<int>(PlayType::Times)]->SetCheck(true);
        play_count_->SetTitle(QString::number(info.play_times));
        play_count_->SetEnabled(true);
    }
    ShowSteps(LoadMacroSteps(host_.Store(), macro_id));
}

void MacroPage::ShowSteps(const std::vector<MacroStep>& steps) {
    steps_->DeleteAllItems();
    for (const MacroStep& step : steps) {
        steps_->AddRecord(Q(step.text), step.type, step.value, step.timestamp);
    }
}

std::vector<MacroStep> MacroPage::Steps() const {
    std::vector<MacroStep> steps;
    steps.reserve(steps_->GetRecordItems().size());
    for (const RecordItem& item : steps_->GetRecordItems()) {
        steps.push_back({item.text.toStdString(), item.type, item.value, item.timestamp});
    }
    return steps;
}

void MacroPage::NewMacro() {
    MacroChange outcome = MacroChange::kStoreFailed;
    const std::string name = NewMacroName(Lang(kCustomMacroText), macros_->GetItemCount());
    const int id = CreateMacro(host_.Store(), name, outcome);
    if (id <= 0) {
        ShowMessageBox(&host_.Window(),
                       LangText(outcome == MacroChange::kTooManyMacros ? text::kTooManyMacros
                                                                       : text::kMacroNotStored),
                       LangText(353), kMessageOk);
        return;
    }
    const int index = macros_->AddItem(Q(name), id);
    macros_->SetCurSel(index);
    ShowMacro(id);
    // The directory gets its entry now, so a button given the macro finds it on the mouse.
    host_.QueueTask(TaskCode::MacroUpload);
    MacrosChanged();
}

void MacroPage::DeleteSelectedMacro() {
    const int index = macros_->GetCurSel();
    const int id = macros_->GetItemData(index);
    if (id <= 0) {
        return;
    }
    const std::size_t uses = FindMacroUses(host_.Store(), id).size();
    if (uses > 0 &&
        ShowMessageBox(
            &host_.Window(),
            LangText(text::kDeleteUsedMacro).replace(QStringLiteral("%s"), QString::number(uses)),
            LangText(text::kDelete), kMessageOkCancel) != 1) {
        return;
    }
    int buttons_reset = 0;
    if (DeleteMacroAndUses(host_.Store(), id, buttons_reset) != MacroChange::kDone) {
        return;
    }
    macros_->DeleteItem(index);
    // The neighbour is shown with its steps: an empty list under a selected macro would be
    // stored over that macro's steps by the next edit.
    const int next = std::min(index > 0 ? index - 1 : 0, macros_->GetItemCount() - 1);
    macros_->SetCurSel(next);
    if (next >= 0) {
        ShowMacro(macros_->GetItemData(next));
    } else {
        steps_->DeleteAllItems();
        HideEditor();
    }
    // Every later macro moved one slot up: the buttons are sent again after the macros.
    host_.QueueTask(TaskCode::MacroUpload);
    host_.QueueTask(TaskCode::KeyWrite);
    MacrosChanged();
}

void MacroPage::RenameMacroItem(int index) {
    const int id = macros_->GetItemData(index);
    MacroInfo info;
    if (id <= 0 || !host_.Store().LoadMacro(id, info)) {
        return;
    }
    const QString name = macros_->GetItemString(index).trimmed();
    if (name.isEmpty() ||
        RenameMacroAndUses(host_.Store(), id, name.toStdString()) != MacroChange::kDone) {
        macros_->ModifyItemString(index, Q(MacroDisplayName(info.name, Lang)));
        return;
    }
    MacrosChanged();
}

void MacroPage::SaveMacroSettings() {
    MacroInfo info;
    const int id = SelectedMacro();
    if (id <= 0 || !host_.Store().LoadMacro(id, info)) {
        return;
    }
    const MacroInfo before = info;
    info.delay_time = 0;
    info.delay_type = CheckedIndex(delay_radios_, info.delay_type);
    if (info.delay_type == kFixedDelay) {
        info.delay_time = static_cast<int>(ParseDecimal(FixedDelayText()));
    }
    info.play_times = kDefaultPlayTimes;
    info.play_type = CheckedIndex(play_radios_, info.play_type);
    if (info.play_type == static_cast<int>(PlayType::Times)) {
        if (play_count_->GetTitle().isEmpty()) {
            play_count_->SetTitle(QString::number(kDefaultPlayTimes));
        }
        info.play_times = static_cast<int>(ParseDecimal(play_count_->GetTitle().toStdString()));
    }
    if (!host_.Store().UpdateMacro(info)) {
        return;
    }
    // A fixed delay replaces every pause on the mouse: the macros are sent again.
    if (info.delay_type != before.delay_type ||
        (info.delay_type == kFixedDelay && info.delay_time != before.delay_time)) {
        host_.QueueTask(TaskCode::MacroUpload);
    }
}

void MacroPage::SaveMacroRecords() {
    const int id = SelectedMacro();
    if (id <= 0) {
        return;
    }
    if (!StoreMacroSteps(host_.Store(), id, Steps())) {
        // The list shows what the store still holds.
        ShowMessageBox(&host_.Window(), LangText(text::kMacroNotStored), LangText(350), kMessageOk);
        ShowSteps(LoadMacroSteps(host_.Store(), id));
        HideEditor();
        return;
    }
    host_.QueueTask(TaskCode::MacroUpload);
}

void MacroPage::ShowLimitMessage(int title) {
    ShowMessageBox(&host_.Window(), LangText(text::kLimitReached), LangText(title), kMessageOk);
}

void MacroPage::OpenInsertMenu() {
    if (steps_->GetEventCount() >= record_limit_) {
        ShowLimitMessage(text::kInsertTitle);
        return;
    }
    MenuWnd menu(&host_.Window(),
                 [this](int command) { MenuCommand(ids::kMessageInsertMenu, command); });
    for (const auto& [command, text_id] : kInsertEntries) {
        menu.AddMenu(command, LangText(text_id));
    }
    MControl* button = host_.Window().GetControl(ids::kInsert);
    menu.Create(button->mapToGlobal(QPoint(0, button->height())));
}

void MacroPage::InsertRecords(int command) {
    if (SelectedMacro() <= 0) {
        return;
    }
    const auto timestamp = static_cast<int>(static_cast<std::uint32_t>(Now()));
    const int selected = steps_->GetCurSel();
    const int after = selected >= 0 ? selected + 1 : steps_->GetEventCount();
    switch (command) {
        case ids::kCommandInsertKey:
        case ids::kCommandInsertMouse: {
            const bool key = command == ids::kCommandInsertKey;
            const std::string name = key ? std::string("A") : MouseButtonName(kMaskLeft);
            const int value = key ? 'A' : kMaskLeft;
            const auto down = key ? MacroRecordType::KeyDown : MacroRecordType::MouseDown;
            const auto up = key ? MacroRecordType::KeyUp : MacroRecordType::MouseUp;
            steps_->InsertRecord(after, Q(PressStepText(true, name)), static_cast<int>(down), value,
                                 timestamp);
            steps_->InsertRecord(after + 1, Q(PressStepText(false, name)), static_cast<int>(up),
                                 value, timestamp);
            break;
        }
        case ids::kCommandInsertDelay:
            steps_->InsertRecord(selected >= 0 ? selected : steps_->GetEventCount(),
                                 Q(DelayStepText(kDefaultFixedDelay)),
                                 static_cast<int>(MacroRecordType::Delay), kDefaultFixedDelay,
                                 timestamp);
            break;
        default:
            return;
    }
    SaveMacroRecords();
}

void MacroPage::DeleteRecords() {
    const std::optional<int> timestamp = steps_->GetRecrodTimeStamp(steps_->GetCurSel());
    if (!timestamp) {
        return;
    }
    steps_->DeleteTimeStamp(*timestamp);
    HideEditor();
    SaveMacroRecords();
}

void MacroPage::ClearRecords() {
    if (SelectedMacro() <= 0) {
        return;
    }
    steps_->DeleteAllItems();
    HideEditor();
    SaveMacroRecords();
}

void MacroPage::OpenStepMenu(int index) {
    const QRect button = steps_->GetItemButtonRect(index);
    if (button.isEmpty()) {
        return;
    }
    MenuWnd menu(&host_.Window(),
                 [this](int command) { MenuCommand(ids::kMessageStepMenu, command); });
    for (const auto& [command, text_id] : kStepEntries) {
        menu.AddMenu(command, LangText(text_id));
    }
    menu.Create(button.bottomLeft(), MenuAlign::Right);
}

void MacroPage::MoveRecord(int command) {
    const int index = steps_->GetCurSel();
    if (index < 0) {
        return;
    }
    bool moved = false;
    switch (command) {
        case ids::kCommandTop:
            moved = index > 0 && steps_->MoveTop(index);
            break;
        case ids::kCommandUp:
            moved = index > 0 && steps_->SwapItems(index, index - 1);
            break;
        case ids::kCommandDown:
            // The last step stays where it is: there is nothing after it to swap with.
            moved = steps_->SwapItems(index, index + 1);
            break;
        case ids::kCommandBottom:
            moved = steps_->MoveBottom(index);
            break;
        default:
            return;
    }
    if (moved) {
        steps_->EnsureVisible(steps_->GetCurSel());
        SaveMacroRecords();
    }
}

void MacroPage::HideEditor() {
    editor_open_ = false;
    for (int id : kEditorIds) {
        host_.Window().GetControl(id)->SetVisible(false);
    }
    button_list_->SetVisible(false);
    ShowMoveControls(false);
}

void MacroPage::ShowMoveControls(bool visible) {
    move_controls_ = visible;
    for (int id : kMoveIds) {
        host_.Window().GetControl(id)->SetVisible(visible);
    }
}

void MacroPage::EditRecord() {
    const std::optional<RecordItem> item = steps_->GetRecordItem(steps_->GetCurSel());
    if (!item || TypeOf(*item) == MacroRecordType::ScrollUp ||
        TypeOf(*item) == MacroRecordType::ScrollDown || !IsMacroRecordType(item->type)) {
        HideEditor();
        return;
    }
    editor_open_ = true;
    for (int id : kEditorIds) {
        host_.Window().GetControl(id)->SetVisible(true);
    }
    button_list_->SetVisible(false);
    ShowMoveControls(false);
    value_field_->SetKeyCapture(false);
    value_field_->SetNumberOnly(false);
    value_field_->SetCueText(QString());
    kind_->DelAllItems();
    const MacroRecordType type = TypeOf(*item);
    if (type == MacroRecordType::Delay) {
        kind_->AddItem(LangText(text::kDelayKind), 3);
        value_field_->SetNumberOnly(true);
        value_field_->SetTitle(QString::number(item->value));
    } else if (IsKey(type)) {
        kind_->AddItem(LangText(text::kKeyboardKind), 2);
        value_field_->SetKeyCapture(true);
        value_field_->SetTitle(KeyNameOf(item->text));
        value_field_->SetCueText(LangText(text::kKeyHint));
    } else if (IsButton(type)) {
        kind_->AddItem(LangText(text::kMouseKind), 1);
        value_field_->SetVisible(false);
        button_list_->SetVisible(true);
        if (const std::optional<int> entry = ButtonEntryOfMask(item->value)) {
            button_list_->SelectData(*entry);
        } else {
            button_list_->SetCurSel(-1);
        }
    } else if (IsAxisMove(type)) {
        kind_->AddItem(LangText(MoveKindText(type)), item->type);
        value_field_->SetNumberOnly(true);
        value_field_->SetTitle(QString::number(item->value));
    } else {
        kind_->AddItem(LangText(389), item->type);
        value_field_->SetVisible(false);
        host_.Window().GetControl(ids::kValueLabel)->SetVisible(false);
        ShowMoveControls(true);
        const MoveXY move = SplitMoveXY(item->value);
        host_.Window().Get<CRadioButton>(move.left ? ids::kLeft : ids::kRight)->SetCheck(true);
        host_.Window().Get<CRadioButton>(move.up ? ids::kUp : ids::kDown)->SetCheck(true);
        x_field_->SetTitle(QString::number(move.x));
        y_field_->SetTitle(QString::number(move.y));
    }
    kind_->SetCurSel(0);
}

void MacroPage::StartKeyCapture(bool window_activation) {
    // Coming back to the window is no new visit: the key caught before stays.
    if (window_activation) {
        return;
    }
    captured_key_ = 0;
    captured_name_.clear();
}

void MacroPage::CaptureKey() {
    const CapturedKey& key = value_field_->LastKey();
    const InputEvent event =
        DecodeKey({key.release, static_cast<int>(key.native_scan_code), key.native_virtual_key});
    if (event.name.empty()) {
        return;
    }
    captured_key_ = event.value;
    captured_name_ = Q(event.name);
    value_field_->SetTitle(captured_name_);
}

void MacroPage::ApplyKey() {
    const std::optional<int> timestamp = steps_->GetRecrodTimeStamp(steps_->GetCurSel());
    // Leaving the field without pressing a key keeps the step's key.
    if (!timestamp || captured_key_ == 0) {
        return;
    }
    const std::string name = captured_name_.toStdString();
    steps_->SetRecordInfo(*timestamp, static_cast<int>(MacroRecordType::KeyDown),
                          Q(PressStepText(true, name)), captured_key_);
    steps_->SetRecordInfo(*timestamp, static_cast<int>(MacroRecordType::KeyUp),
                          Q(PressStepText(false, name)), captured_key_);
    captured_key_ = 0;
    SaveMacroRecords();
}

void MacroPage::ApplyButton() {
    const std::optional<int> timestamp = steps_->GetRecrodTimeStamp(steps_->GetCurSel());
    const std::optional<int> mask = MaskOfButtonEntry(button_list_->GetCurData());
    if (!timestamp || !mask) {
        return;
    }
    const std::string name = MouseButtonName(*mask);
    steps_->SetRecordInfo(*timestamp, static_cast<int>(MacroRecordType::MouseDown),
                          Q(PressStepText(true, name)), *mask);
    steps_->SetRecordInfo(*timestamp, static_cast<int>(MacroRecordType::MouseUp),
                          Q(PressStepText(false, name)), *mask);
    SaveMacroRecords();
}

void MacroPage::ApplyNumber() {
    const int index = steps_->GetCurSel();
    const std::optional<RecordItem> item = steps_->GetRecordItem(index);
    if (!item) {
        return;
    }
    const std::string typed = value_field_->GetTitle().toStdString();
    const MacroRecordType type = TypeOf(*item);
    if (type == MacroRecordType::Delay) {
        const int pause = CorrectDelay(typed);
        value_field_->SetTitle(QString::number(pause));
        steps_->SetRecordItem(index, Q(DelayStepText(pause)), item->type, pause);
    } else if (IsAxisMove(type)) {
        const int distance = CorrectDistance(typed);
        value_field_->SetTitle(QString::number(distance));
        steps_->SetRecordItem(index, Q(MoveStepText(type, distance)), item->type, distance);
    } else {
        return;
    }
    SaveMacroRecords();
}

void MacroPage::ApplyMoveXY() {
    const int index = steps_->GetCurSel();
    const std::optional<RecordItem> item = steps_->GetRecordItem(index);
    if (!item || TypeOf(*item) != MacroRecordType::MoveXY) {
        return;
    }
    MoveXY move;
    move.left = host_.Window().Get<CRadioButton>(ids::kLeft)->GetCheck();
    move.up = host_.Window().Get<CRadioButton>(ids::kUp)->GetCheck();
    move.x = CorrectDistance(x_field_->GetTitle().toStdString());
    move.y = CorrectDistance(y_field_->GetTitle().toStdString());
    x_field_->SetTitle(QString::number(move.x));
    y_field_->SetTitle(QString::number(move.y));
    steps_->SetRecordItem(index, Q(MoveXYText(move)), item->type, MoveXYValue(move));
    SaveMacroRecords();
}

std::string MacroPage::FixedDelayText() {
    if (delay_field_->GetTitle().isEmpty()) {
        delay_field_->SetTitle(QString::number(kDefaultFixedDelay));
    }
    return delay_field_->GetTitle().toStdString();
}

void MacroPage::MacrosChanged() {
    if (macros_changed_) {
        macros_changed_();
    }
}

void MacroPage::ChooseDelay(int id) {
    const bool fixed = id == ids::kFixedDelay;
    if (fixed) {
        delay_field_->SetTitle(QString::number(kDefaultFixedDelay));
    }
    delay_field_->SetEnabled(fixed);
    SaveMacroSettings();
}

void MacroPage::ChoosePlay(int id) {
    const bool times = id == ids::kPlayTimes;
    if (times) {
        play_count_->SetTitle(QString::number(kDefaultPlayTimes));
    }
    play_count_->SetEnabled(times);
    SaveMacroSettings();
}

void MacroPage::CorrectDelayField() {
    const QString pause = QString::number(CorrectDelay(delay_field_->GetTitle().toStdString()));
    delay_field_->SetTitle(pause);
    delay_field_->SetTooltip(pause);
    SaveMacroSettings();
}

void MacroPage::CorrectPlayCount() {
    play_count_->SetTitle(QString::number(
        CorrectPlayTimes(play_count_->GetTitle().toStdString(), host_.DeviceType())));
    SaveMacroSettings();
}

std::int64_t MacroPage::Now() const {
    if (clock_) {
        return clock_();
    }
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void MacroPage::ToggleRecording() {
    if (SelectedMacro() <= 0) {
        ShowMessageBox(&host_.Window(), LangText(text::kNoMacroSelected),
                       LangText(text::kStartRecording), kMessageOk);
        return;
    }
    record_limit_ = kRecordLimitRecording;
    if (Recording()) {
        StopRecording(false);
        return;
    }
    const auto delay =
        static_cast<DelayType>(CheckedIndex(delay_radios_, static_cast<int>(DelayType::NoDelays)));
    HideEditor();
    recorder_.Start(static_cast<int>(static_cast<std::uint32_t>(Now())), delay,
                    CorrectDelay(FixedDelayText()), record_limit_);
    input_tap_ = std::make_unique<InputTap>(*this);
    record_->SetTitle(LangText(text::kStopRecording));
    record_->SetIcon(QStringLiteral("icon\\icon_stop_rec.png"));
    EnablePage(false);
}

void MacroPage::StopRecording(bool limit_reached) {
    recorder_.Stop();
    input_tap_.reset();
    SaveMacroRecords();
    record_->SetTitle(LangText(text::kStartRecording));
    record_->SetIcon(QStringLiteral("icon\\icon_rec.png"));
    EnablePage(true);
    if (limit_reached) {
        ShowLimitMessage(text::kRecordingTitle);
    }
}

void MacroPage::EnablePage(bool enabled) {
    MDialog& window = host_.Window();
    for (int id : {main_window::kTabBar, ids::kMacroList, ids::kNew, ids::kImport, ids::kExport,
                   ids::kStepList, ids::kInsert, ids::kDelete, ids::kClear, ids::kKind,
                   ids::kValueField, ids::kButtonList, ids::kMoveUp, ids::kMoveDown}) {
        if (MControl* control = window.GetControl(id)) {
            control->SetEnabled(enabled);
        }
    }
    for (CRadioButton* radio : delay_radios_) {
        radio->SetEnabled(enabled);
    }
    for (CRadioButton* radio : play_radios_) {
        radio->SetEnabled(enabled);
    }
    delay_field_->SetEnabled(enabled && delay_radios_[kFixedDelay]->GetCheck());
    play_count_->SetEnabled(enabled && play_radios_[static_cast<int>(PlayType::Times)]->GetCheck());
}

bool MacroPage::RecordInput(QObject* receiver, QEvent* event) {
    if (!Recording() || !receiver->isWidgetType()) {
        return false;
    }
    std::optional<InputEvent> input;
    bool on_record_button = false;
    switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease: {
            const auto* key = static_cast<QKeyEvent*>(event);
            // A held key is one press and one release; the repeats in between are no steps.
            if (!key->isAutoRepeat()) {
                input =
                    DecodeKey({event->type() == QEvent::KeyRelease,
                               static_cast<int>(key->nativeScanCode()), key->nativeVirtualKey()});
            }
            break;
        }
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseButtonRelease: {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            const QRect button(record_->mapToGlobal(QPoint(0, 0)), record_->size());
            on_record_button = button.contains(mouse->globalPosition().toPoint());
            input = DecodeMouseButton(MaskOfQtButton(mouse->button()),
                                      event->type() == QEvent::MouseButtonRelease);
            break;
        }
        case QEvent::Wheel: {
            const auto* wheel = static_cast<QWheelEvent*>(event);
            if (wheel->angleDelta().y() != 0) {
                input = DecodeWheel(wheel->angleDelta().y());
            }
            break;
        }
        default:
            return false;
    }
    // The click that stops the recording is no step of it.
    if (on_record_button) {
        return false;
    }
    if (input) {
        std::vector<MacroStep> steps = Steps();
        const std::size_t before = steps.size();
        const MacroRecorder::Outcome outcome = recorder_.Record(*input, Now(), steps);
        for (std::size_t i = before; i < steps.size(); ++i) {
            steps_->AddRecord(Q(steps[i].text), steps[i].type, steps[i].value, steps[i].timestamp);
        }
        if (outcome == MacroRecorder::Outcome::kLimitReached) {
            // Not from inside the event delivery: the message box runs its own loop.
            QMetaObject::invokeMethod(
                &host_.Window(), [this] { StopRecording(true); }, Qt::QueuedConnection);
        }
    }
    return true;
}

void MacroPage::ImportMacro() {
    if (file_dialog_open_) {
        return;
    }
    file_dialog_open_ = true;
    const QString path = AskForFile(&host_.Window(), {.kind = FileDialogRequest::Kind::kOpen,
                                                      .title = LangText(text::kImportTitle),
                                                      .filter = QStringLiteral("Macros (*.xml)"),
                                                      .start = StartFolder(macro_folder_)});
    file_dialog_open_ = false;
    if (path.isEmpty()) {
        return;
    }
    macro_folder_ = QFileInfo(path).absolutePath();
    MacroFileError error = MacroFileError::kNone;
    const int id =
        veltra::ImportMacro(host_.Store(), LocalPath(path), Lang(kCustomMacroText), error);
    if (id <= 0) {
        ShowMessageBox(&host_.Window(),
                       LangText(ImportErrorText(error))
                           .replace(QStringLiteral("%s"), QFileInfo(path).fileName()),
                       LangText(text::kImportTitle), kMessageOk);
        return;
    }
    MacroInfo info;
    host_.Store().LoadMacro(id, info);
    macros_->AddItem(Q(MacroDisplayName(info.name, Lang)), id);
    host_.QueueTask(TaskCode::MacroUpload);
    MacrosChanged();
}

void MacroPage::ExportMacro() {
    const int index = macros_->GetCurSel();
    const int id = macros_->GetItemData(index);
    if (id <= 0 || file_dialog_open_) {
        return;
    }
    file_dialog_open_ = true;
    const QString folder = AskForFile(&host_.Window(), {.kind = FileDialogRequest::Kind::kFolder,
                                                        .title = LangText(text::kExportTitle),
                                                        .filter = {},
                                                        .start = StartFolder(macro_folder_)});
    file_dialog_open_ = false;
    if (folder.isEmpty()) {
        return;
    }
    macro_folder_ = folder;
    std::filesystem::path written;
    const MacroFileError error =
        veltra::ExportMacro(host_.Store(), id, macros_->GetItemString(index).toStdString(),
                            LocalPath(folder), static_cast<std::uint64_t>(Now()), written);
    if (error != MacroFileError::kNone) {
        ShowMessageBox(&host_.Window(),
                       LangText(text::kMacroNotSaved).replace(QStringLiteral("%s"), folder),
                       LangText(text::kExportTitle), kMessageOk);
    }
}

bool MacroPage::MenuCommand(int message, int command) {
    if (Recording()) {
        return message == ids::kMessageMacroMenu || message == ids::kMessageInsertMenu ||
               message == ids::kMessageStepMenu;
    }
    switch (message) {
        case ids::kMessageMacroMenu:
            if (command == ids::kCommandDelete) {
                DeleteSelectedMacro();
            } else if (command == ids::kCommandRename) {
                macros_->EditItem(macros_->GetCurSel());
            }
            return true;
        case ids::kMessageInsertMenu:
            InsertRecords(command);
            return true;
        case ids::kMessageStepMenu:
            MoveRecord(command);
            return true;
        default:
            return false;
    }
}

bool MacroPage::Handle(int id, int event, int param) {
    const bool action = event == Code(Event::Action);
    switch (id) {
        case ids::kMacroList:
            if (action) {
                ShowMacro(macros_->GetItemData(param));
            } else if (event == Code(Event::ItemButton)) {
                MenuWnd menu(&host_.Window(),
                             [this](int command) { MenuCommand(ids::kMessageMacroMenu, command); });
                menu.AddMenu(ids::kCommandDelete, LangText(text::kDelete));
                menu.Create(macros_->GetItemButtonRect(param).bottomLeft());
            } else if (event == Code(Event::ItemEdited)) {
                RenameMacroItem(param);
            }
            return true;
        case ids::kStepList:
            if (action) {
                EditRecord();
            } else if (event == Code(Event::ItemButton)) {
                OpenStepMenu(param);
            }
            return true;
        case ids::kValueField: {
            const std::optional<RecordItem> item = steps_->GetRecordItem(steps_->GetCurSel());
            const bool key = item && IsKey(TypeOf(*item));
            if (key && event == Code(Event::FocusGained)) {
                StartKeyCapture(param == 1);
            } else if (key && event == Code(Event::KeyInput)) {
                CaptureKey();
            } else if (event == Code(Event::FocusLost) && param == 0) {
                if (key) {
                    ApplyKey();
                } else {
                    ApplyNumber();
                }
            }
            return true;
        }
        case ids::kXField:
        case ids::kYField:
            if (event == Code(Event::FocusLost) && param == 0) {
                ApplyMoveXY();
            }
            return true;
        case ids::kDelayField:
            if (event == Code(Event::FocusLost) && param == 0) {
                CorrectDelayField();
            }
            return true;
        case ids::kPlayCount:
            if (event == Code(Event::FocusLost) && param == 0) {
                CorrectPlayCount();
            }
            return true;
        default:
            break;
    }
    if (!action) {
        return false;
    }
    switch (id) {
        case ids::kNew:
            NewMacro();
            return true;
        case ids::kImport:
            ImportMacro();
            return true;
        case ids::kExport:
            ExportMacro();
            return true;
        case ids::kInsert:
            OpenInsertMenu();
            return true;
        case ids::kDelete:
            DeleteRecords();
            return true;
        case ids::kClear:
            ClearRecords();
            return true;
        case ids::kRecord:
            ToggleRecording();
            return true;
        case ids::kNoDelays:
        case ids::kRecordedDelays:
        case ids::kFixedDelay:
            ChooseDelay(id);
            return true;
        case ids::kPlayUntilPressed:
        case ids::kPlayWhileHeld:
        case ids::kPlayTimes:
        case ids::kPlayUntilAnyKey:
            ChoosePlay(id);
            return true;
        case ids::kButtonList:
            ApplyButton();
            return true;
        case ids::kMoveUp:
            MoveRecord(ids::kCommandUp);
            return true;
        case ids::kMoveDown:
            MoveRecord(ids::kCommandDown);
            return true;
        case ids::kLeft:
        case ids::kRight:
        case ids::kUp:
        case ids::kDown:
            ApplyMoveXY();
            return true;
        case ids::kKind:
            return true;
        default:
            return false;
    }
}

}  // namespace veltra::ui
