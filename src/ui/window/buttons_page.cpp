#include "ui/window/buttons_page.h"

#include <algorithm>
#include <array>
#include <optional>

#include "common/log.h"
#include "config/device_description.h"
#include "config/language.h"
#include "settings/key_codes.h"
#include "settings/key_function.h"
#include "settings/key_input.h"
#include "store/profile_store.h"
#include "ui/dialogs/lang_text.h"
#include "ui/dialogs/message_box.h"
#include "ui/widgets/buttons.h"
#include "ui/widgets/events.h"
#include "ui/widgets/fields.h"
#include "ui/widgets/labels.h"
#include "ui/widgets/mouse_ctrl.h"
#include "ui/widgets/tabs.h"
#include "ui/window/main_window_ids.h"

namespace veltra::ui {

namespace ids = buttons_page;

namespace {

namespace text {
constexpr int kApply = 41;
constexpr int kRestoreTooltip = 120;
constexpr int kRestoreAll = 121;
constexpr int kKeyFieldCue = 122;
constexpr int kEditorTitle = 129;
constexpr int kRapidButtonLabel = 210;
constexpr int kCountLabel = 211;
constexpr int kIntervalLabel = 212;
constexpr int kRestoreQuestion = 220;
constexpr int kLeftClickBody = 222;
constexpr int kLeftClickTitle = 223;
constexpr int kRapidKeyMissing = 607;
}  // namespace text

// The type list: the six kinds of function the editor always offered, then the macro, the
// rapid fire and the profile switch, whose editors exist but were reachable only from stored
// rows.
constexpr FunctionListEntry kExtraTypes[] = {
    {static_cast<int>(KeyFunctionType::MacroFunction), 134},
    {static_cast<int>(KeyFunctionType::RapidFire), 135},
    {static_cast<int>(KeyFunctionType::DeviceCode06), 235},
};

std::vector<FunctionListEntry> TypeEntries() {
    const std::span<const FunctionListEntry> listed = KeyFunctionTypeList();
    std::vector<FunctionListEntry> entries(listed.begin(), listed.end());
    entries.insert(entries.end(), std::begin(kExtraTypes), std::end(kExtraTypes));
    return entries;
}

constexpr int kDefaultCount = 1;
constexpr int kDefaultInterval = 10;

std::string Lang(int id) {
    return GetLangText(id);
}

KeyFunction FunctionOf(const KeyAssignment& row) {
    return {static_cast<KeyFunctionType>(row.macro_type), row.macro_value, row.macro_value2,
            row.macro_value3, row.macro_desc};
}

bool IsLeftClick(const KeyFunction& function) {
    return function.type == KeyFunctionType::MouseButton && function.value == 1;
}

void Fill(MComboBox& box, std::span<const FunctionListEntry> entries) {
    box.DelAllItems();
    for (const FunctionListEntry& entry : entries) {
        box.AddItem(LangText(entry.text_id), entry.value);
    }
}

// The item texts again, in the current language, keeping items and selection.
void Retitle(MComboBox& box, std::span<const FunctionListEntry> entries) {
    for (std::size_t i = 0; i < entries.size() && static_cast<int>(i) < box.GetCount(); ++i) {
        box.SetItemText(static_cast<int>(i), LangText(entries[i].text_id));
    }
}

constexpr std::array kModifierIds = {ids::kCtrl, ids::kWin, ids::kAlt, ids::kShift};
constexpr std::array kModifierTitles = {"Ctrl", "Win", "Alt", "Shift"};

constexpr std::array kKeyControls = {ids::kKeyField, ids::kApplyKey, ids::kCtrl,
                                     ids::kWin,      ids::kAlt,      ids::kShift};
constexpr std::array kRapidControls = {
    ids::kRapidKind,     ids::kRapidButtonLabel, ids::kRapidButton,
    ids::kRapidKeyField, ids::kCountLabel,       ids::kCount,
    ids::kIntervalLabel, ids::kIntervalArea,     ids::kInterval,
    ids::kIntervalUnit,  ids::kApplyRapid};

}  // namespace

void ButtonsPage::Create(MTabLayout& page) {
    CreatePanel(page, ids::kEditorPanel);
    CreateLabel(page, ids::kEditorTitle, 16);
    page.CreateControl("CImageButton", ids::kRestore, {})
        ->SetImage(QStringLiteral("btn_reset.png"), 4);
    type_list_ = CreateCombo(page, ids::kTypeList);
    Fill(*type_list_, TypeEntries());
    function_list_ = CreateCombo(page, ids::kFunctionList);
    for (std::size_t i = 0; i < kModifierIds.size(); ++i) {
        auto* toggle = dynamic_cast<MButton3*>(page.CreateControl("MButton3", kModifierIds[i], {}));
        toggle->SetImage(QStringLiteral("img_button2.png"), 4);
        toggle->SetTitle(QString::fromLatin1(kModifierTitles[i]));
        toggle->SetTextColor(main_window::kTextWhite);
    }
    key_field_ = CreateField(page, ids::kKeyField, true);
    key_field_->SetKeyCapture(true);
    for (int id : {ids::kApplyKey, ids::kApplyRapid}) {
        page.CreateControl("MButton", id, {})->SetImage(QStringLiteral("img_button.png"), 4);
    }
    rapid_kind_ = CreateCombo(page, ids::kRapidKind);
    // Its 120 pixels hold "Mouse button" only in the smaller size.
    rapid_kind_->SetFont(12);
    Fill(*rapid_kind_, RapidFireKindList());
    for (int id : {ids::kRapidButtonLabel, ids::kCountLabel, ids::kIntervalLabel}) {
        CreateLabel(page, id, 14);
    }
    rapid_button_ = CreateCombo(page, ids::kRapidButton);
    Fill(*rapid_button_, RapidFireButtonList());
    rapid_key_field_ = CreateField(page, ids::kRapidKeyField, true);
    rapid_key_field_->SetKeyCapture(true);
    count_ = CreateField(page, ids::kCount, true);
    count_->SetNumberOnly(true);
    auto* area = dynamic_cast<CArea*>(page.CreateControl("CArea", ids::kIntervalArea, {}));
    area->SetColor(0x333333);
    interval_ = CreateField(page, ids::kInterval, false);
    interval_->SetNumberOnly(true);
    CreateLabel(page, ids::kIntervalUnit, 12)->SetTitle(QStringLiteral("ms"));
    // The model's picture lies beneath the buttons drawn over it.
    auto* picture = dynamic_cast<MPicture*>(page.CreateControl("MPicture", ids::kModelPicture, {}));
    picture->SetImage(QStringLiteral("device/img_mouse_layout.png"), 1);
    picture->SetShowMode(2, 4);
    buttons_ = dynamic_cast<MouseCtrl*>(page.CreateControl("MouseCtrl", ids::kButtons, {}));
    buttons_->SetImage(QStringLiteral("img_key_bkg.png"), 3);
    buttons_->SetTextColor(main_window::kTextWhite);
    page.CreateControl("MButton", ids::kRestoreAll, {})
        ->SetImage(QStringLiteral("img_button.png"), 4);
    FillFunctionList(static_cast<int>(KeyFunctionType::MouseButton), false);
    ApplyLabels();
}

void ButtonsPage::Layout(int w, int h) {
    (void)h;
    PlaceControls(host_.Window(), {
                                      {ids::kEditorPanel, Edges(210, 120, 560, h - 50)},
                                      {ids::kEditorTitle, Edges(240, 150, 440, 180)},
                                      {ids::kRestore, Edges(500, 156, 518, 174)},
                                      {ids::kTypeList, Edges(240, 200, 520, 230)},
                                      {ids::kFunctionList, Edges(240, 250, 520, 280)},
                                      {ids::kCtrl, Edges(240, 240, 305, 270)},
                                      {ids::kWin, Edges(310, 240, 375, 270)},
                                      {ids::kAlt, Edges(380, 240, 445, 270)},
                                      {ids::kShift, Edges(450, 240, 515, 270)},
                                      {ids::kKeyField, Edges(240, 276, 520, 306)},
                                      {ids::kApplyKey, Edges(420, 312, 520, 342)},
                                      {ids::kRapidKind, Edges(240, 240, 360, 270)},
                                      {ids::kRapidButtonLabel, Edges(365, 240, 418, 270)},
                                      {ids::kRapidButton, Edges(420, 240, 520, 270)},
                                      {ids::kRapidKeyField, Edges(420, 240, 520, 270)},
                                      {ids::kCountLabel, Edges(240, 276, 300, 306)},
                                      {ids::kCount, Edges(300, 276, 350, 306)},
                                      {ids::kIntervalLabel, Edges(355, 276, 415, 306)},
                                      {ids::kIntervalArea, Edges(420, 276, 520, 306)},
                                      {ids::kInterval, Edges(425, 276, 490, 306)},
                                      {ids::kIntervalUnit, Edges(495, 276, 520, 306)},
                                      {ids::kApplyRapid, Edges(420, 312, 520, 342)},
                                      {ids::kButtons, Edges(w - 660, 150, w - 110, 650)},
                                      {ids::kRestoreAll, Edges(w - 490, 680, w - 290, 710)},
                                  });
}

void ButtonsPage::ApplyLabels() {
    MDialog& window = host_.Window();
    window.Get<MText>(ids::kEditorTitle)->SetTitle(LangText(text::kEditorTitle));
    window.GetControl(ids::kRestore)->SetTooltip(LangText(text::kRestoreTooltip));
    window.Get<MText>(ids::kRapidButtonLabel)->SetTitle(LangText(text::kRapidButtonLabel));
    window.Get<MText>(ids::kCountLabel)->SetTitle(LangText(text::kCountLabel));
    window.Get<MText>(ids::kIntervalLabel)->SetTitle(LangText(text::kIntervalLabel));
    window.Get<MButton>(ids::kApplyKey)->SetTitle(LangText(text::kApply));
    window.Get<MButton>(ids::kApplyRapid)->SetTitle(LangText(text::kApply));
    window.Get<MButton>(ids::kRestoreAll)->SetTitle(LangText(text::kRestoreAll));
    key_field_->SetCueText(LangText(text::kKeyFieldCue));
    Retitle(*type_list_, TypeEntries());
    Retitle(*rapid_kind_, RapidFireKindList());
    Retitle(*rapid_button_, RapidFireButtonList());
}

void ButtonsPage::ApplyTexts() {
    ApplyLabels();
    ShowModelButtons(host_.ModelButtons());
    Load();
}

void AddModelButton(MouseCtrl& picture, const QString& caption, int key_code, int direction,
                    const std::array<ViewPoint, 3>& points) {
    const auto& [p1, p2, p3] = points;
    picture.AddItem(caption, key_code, direction, {p1.x, p1.y}, {p2.x, p2.y}, {p3.x, p3.y});
}

void ButtonsPage::ShowModelButtons(const std::vector<ButtonDescription>& buttons) {
    buttons_->DeleteAllItems();
    for (const ButtonDescription& button : buttons) {
        AddModelButton(*buttons_, LangText(button.name_id), button.key_value, button.direction,
                       button.points);
    }
}

void ButtonsPage::Load() {
    selected_ = 1;
    buttons_->SetSelectItem(selected_);
    const std::vector<ButtonDescription> buttons = host_.ModelButtons();
    for (const ButtonDescription& button : buttons) {
        buttons_->SetItemKeyDesc(button.key_value, QString());
    }
    for (const ButtonDescription& button : buttons) {
        const KeyAssignment& factory = button.factory;
        buttons_->SetItemKeyDesc(
            factory.key_code,
            QString::fromStdString(DescribeFactoryFunction(
                FactoryKeyFunction(factory.macro_type, factory.macro_value, factory.macro_desc),
                Lang)));
    }
    std::vector<KeyAssignment> rows;
    host_.Store().LoadKeyAssignments(host_.ActiveProfile(), 0, rows);
    for (const KeyAssignment& row : rows) {
        ShowDescription(row.key_code, FunctionOf(row));
    }
    type_list_->SetCurSel(0);
    FillFunctionList(static_cast<int>(KeyFunctionType::MouseButton), false);
    ShowButtonFunction();
}

std::optional<KeyFunction> ButtonsPage::FactoryFunction(int key_code) {
    for (const ButtonDescription& button : host_.ModelButtons()) {
        if (button.factory.key_code == key_code) {
            const KeyAssignment& factory = button.factory;
            return FactoryKeyFunction(factory.macro_type, factory.macro_value, factory.macro_desc);
        }
    }
    if (const std::optional<int> builtin = BuiltInDefaultButton(key_code)) {
        return KeyFunction{KeyFunctionType::MouseButton, *builtin, 0, 0, {}};
    }
    return std::nullopt;
}

void ButtonsPage::ShowDescription(int key_code, const KeyFunction& function) {
    buttons_->SetItemKeyDesc(key_code, QString::fromStdString(DescribeKeyFunction(function, Lang)));
}

bool ButtonsPage::LoadSelected(KeyAssignment& row) {
    return host_.Store().LoadKeyAssignment(host_.ActiveProfile(), 0, selected_, row);
}

void ButtonsPage::ShowButtonFunction() {
    KeyAssignment row;
    if (!LoadSelected(row)) {
        // Nothing stored: the button does what its factory function says, and the editor shows
        // that, not an empty mouse-button list.
        const std::optional<KeyFunction> factory = FactoryFunction(selected_);
        const int type = factory ? static_cast<int>(factory->type)
                                 : static_cast<int>(KeyFunctionType::MouseButton);
        if (!type_list_->SelectData(type)) {
            type_list_->SetCurSel(-1);
        }
        FillFunctionList(type, false);
        if (factory) {
            function_list_->SelectData(factory->value);
            buttons_->SetItemKeyDesc(
                selected_, QString::fromStdString(DescribeFactoryFunction(*factory, Lang)));
        }
        return;
    }
    const KeyFunction function = FunctionOf(row);
    if (!type_list_->SelectData(row.macro_type)) {
        type_list_->SetCurSel(-1);
    }
    FillFunctionList(row.macro_type, false);
    ShowDescription(selected_, function);
    switch (function.type) {
        case KeyFunctionType::KeyCombination: {
            const std::array<int, 4> flags = {kModifierCtrl, kModifierWin, kModifierAlt,
                                              kModifierShift};
            for (std::size_t i = 0; i < kModifierIds.size(); ++i) {
                host_.Window()
                    .Get<MButton3>(kModifierIds[i])
                    ->SetCheck((row.macro_value2 & flags[i]) != 0);
            }
            captured_key_ = UsageToVk(row.macro_value);
            key_field_->SetTitle(QString::fromStdString(KeyNameTable(row.macro_value)));
            break;
        }
        case KeyFunctionType::RapidFire: {
            interval_->SetTitle(QString::number(row.macro_value2));
            count_->SetTitle(QString::number(row.macro_value3));
            const int kind = row.macro_value / kRapidFireKindFactor;
            rapid_kind_->SelectData(kind);
            ShowRapidKind(kind);
            if (kind == kRapidFireMouseButton) {
                rapid_button_->SelectData(row.macro_value & 0xFF);
            } else {
                captured_key_ = row.macro_value & 0xFF;
                rapid_key_field_->SetTitle(
                    QString::fromStdString(KeyNameTable(VkToUsage(captured_key_))));
            }
            break;
        }
        case KeyFunctionType::Disabled:
        case KeyFunctionType::DeviceCode06:
            break;
        default:
            function_list_->SelectData(row.macro_value);
            break;
    }
}

void ButtonsPage::ShowKeyControls(bool visible) {
    for (int id : kKeyControls) {
        host_.Window().GetControl(id)->SetVisible(visible);
    }
    for (int id : kModifierIds) {
        host_.Window().Get<MButton3>(id)->SetCheck(false);
    }
}

void ButtonsPage::ShowRapidControls(bool visible) {
    for (int id : kRapidControls) {
        host_.Window().GetControl(id)->SetVisible(visible);
    }
    rapid_kind_->SetCurSel(0);
    rapid_button_->SetCurSel(0);
    count_->SetTitle(QString::number(kDefaultCount));
    interval_->SetTitle(QString::number(kDefaultInterval));
    if (visible) {
        ShowRapidKind(rapid_kind_->GetCurData());
    }
}

void ButtonsPage::ShowRapidKind(int kind) {
    const bool button = kind == kRapidFireMouseButton;
    rapid_button_->SetVisible(button);
    rapid_key_field_->SetVisible(!button);
}

void ButtonsPage::FillFunctionList(int type, bool chosen) {
    shown_type_ = type;
    ShowKeyControls(false);
    ShowRapidControls(false);
    function_list_->SetVisible(false);
    switch (static_cast<KeyFunctionType>(type)) {
        case KeyFunctionType::MouseButton:
        case KeyFunctionType::Multimedia:
        case KeyFunctionType::DeviceFunction:
        case KeyFunctionType::DeviceFunctionExtended:
        case KeyFunctionType::SystemShortcut:
            function_list_->SetVisible(true);
            Fill(*function_list_, KeyFunctionValueList(static_cast<KeyFunctionType>(type)));
            break;
        case KeyFunctionType::KeyCombination:
            ShowKeyControls(true);
            break;
        case KeyFunctionType::MacroFunction: {
            function_list_->SetVisible(true);
            function_list_->DelAllItems();
            std::vector<MacroInfo> macros;
            host_.Store().LoadMacros(macros);
            for (const MacroInfo& macro : macros) {
                function_list_->AddItem(QString::fromStdString(MacroDisplayName(macro.name, Lang)),
                                        macro.macro_id);
            }
            break;
        }
        case KeyFunctionType::RapidFire:
            ShowRapidControls(true);
            break;
        case KeyFunctionType::Disabled:
        case KeyFunctionType::DeviceCode06:
            if (chosen) {
                ApplyImmediate(type);
            }
            return;
        default:
            return;
    }
    // A freshly chosen type leaves the list without a choice, so that every entry, the first one
    // too, is a choice the user can make; a shown assignment selects its own entry.
    function_list_->SetCurSel(chosen ? -1 : 0);
}

bool ButtonsPage::EffectiveLeftClick(int key_code, const std::vector<KeyAssignment>& rows) {
    const auto row = std::find_if(rows.begin(), rows.end(), [key_code](const KeyAssignment& a) {
        return a.key_code == key_code;
    });
    if (row != rows.end()) {
        return IsLeftClick(FunctionOf(*row));
    }
    const std::optional<KeyFunction> factory = FactoryFunction(key_code);
    return factory && IsLeftClick(*factory);
}

bool ButtonsPage::LeftClickGuard(const KeyFunction& replacement) {
    if (IsLeftClick(replacement)) {
        return true;
    }
    std::vector<KeyAssignment> rows;
    host_.Store().LoadKeyAssignments(host_.ActiveProfile(), 0, rows);
    if (!EffectiveLeftClick(selected_, rows)) {
        return true;
    }
    // Every button that clicks left now, whether by a stored row or by its factory function.
    std::vector<int> key_codes;
    for (const ButtonDescription& button : host_.ModelButtons()) {
        key_codes.push_back(button.factory.key_code);
    }
    for (const KeyAssignment& row : rows) {
        key_codes.push_back(row.key_code);
    }
    std::sort(key_codes.begin(), key_codes.end());
    key_codes.erase(std::unique(key_codes.begin(), key_codes.end()), key_codes.end());
    const auto left_clicks = std::count_if(key_codes.begin(), key_codes.end(),
                                           [&](int key) { return EffectiveLeftClick(key, rows); });
    if (left_clicks > 1) {
        return true;
    }
    ShowMessageBox(&host_.Window(), LangText(text::kLeftClickBody), LangText(text::kLeftClickTitle),
                   kMessageOk);
    return false;
}

bool ButtonsPage::StoreFunction(const KeyFunction& function) {
    // Neither key nor modifier is the way back to the factory function; anything else must be
    // a function both front ends accept.
    const bool to_factory = function.value == 0 && function.value2 == 0;
    if (!to_factory) {
        const std::string problem = CheckKeyFunction(function, [this](int macro_id) {
            MacroInfo macro;
            return host_.Store().LoadMacro(macro_id, macro);
        });
        if (!problem.empty()) {
            Log(LogLevel::Warning, "button function not stored: " + problem);
            return false;
        }
    }
    KeyAssignment row;
    row.profile = host_.ActiveProfile();
    row.key_code = selected_;
    row.macro_type = static_cast<int>(function.type);
    row.macro_value = function.value;
    row.macro_value2 = function.value2;
    row.macro_value3 = function.value3;
    row.macro_desc = function.desc;
    return host_.Store().SaveKeyAssignment(row) > 0;
}

void ButtonsPage::Finish() {
    ShowButtonFunction();
    host_.QueueTask(TaskCode::KeyWrite);
}

void ButtonsPage::ApplyListFunction() {
    const int index = function_list_->GetCurSel();
    if (index < 0) {
        return;
    }
    const auto type = static_cast<KeyFunctionType>(shown_type_);
    // Macros are listed by the name they are shown with; the other lists are fixed.
    const std::optional<KeyFunction> function =
        type == KeyFunctionType::MacroFunction
            ? KeyFunction{type, function_list_->GetCurData(), 0, 0,
                          function_list_->GetItemText(index).toStdString()}
            : MakeListFunction(type, function_list_->GetCurData(), Lang);
    if (!function || !LeftClickGuard(*function)) {
        ShowButtonFunction();
        return;
    }
    StoreFunction(*function);
    Finish();
    if (type == KeyFunctionType::MacroFunction) {
        host_.WaitForTask();
    }
}

void ButtonsPage::ApplyImmediate(int type) {
    const std::optional<KeyFunction> function =
        MakeImmediateFunction(static_cast<KeyFunctionType>(type), Lang);
    if (!function || !LeftClickGuard(*function)) {
        ShowButtonFunction();
        return;
    }
    StoreFunction(*function);
    Finish();
}

void ButtonsPage::ApplyKeyCombination() {
    MDialog& window = host_.Window();
    const KeyFunction function = MakeKeyCombination(
        window.Get<MButton3>(ids::kCtrl)->GetCheck(), window.Get<MButton3>(ids::kShift)->GetCheck(),
        window.Get<MButton3>(ids::kAlt)->GetCheck(), window.Get<MButton3>(ids::kWin)->GetCheck(),
        captured_key_, key_field_->GetTitle().toStdString());
    if (!LeftClickGuard(function)) {
        return;
    }
    StoreFunction(function);
    Finish();
}

void ButtonsPage::ApplyRapidFire() {
    CorrectRapidField(*count_);
    CorrectRapidField(*interval_);
    if (rapid_kind_->GetCurData() != kRapidFireMouseButton && captured_key_ == 0) {
        ShowMessageBox(&host_.Window(), LangText(text::kRapidKeyMissing),
                       LangText(text::kLeftClickTitle), kMessageOk);
        return;
    }
    const KeyFunction function =
        MakeRapidFire(rapid_kind_->GetCurData(), rapid_button_->GetCurData(), captured_key_,
                      count_->GetTitle().toInt(), interval_->GetTitle().toInt(), Lang);
    if (!LeftClickGuard(function)) {
        return;
    }
    StoreFunction(function);
    Finish();
}

void ButtonsPage::CorrectRapidField(MEdit& field) {
    const QString corrected =
        QString::number(CorrectRapidFireField(field.GetTitle().toStdString()));
    if (field.GetTitle() != corrected) {
        field.SetTitle(corrected);
    }
}

void ButtonsPage::RestoreButton() {
    if (ShowMessageBox(&host_.Window(), LangText(text::kRestoreQuestion),
                       LangText(text::kRestoreTooltip), kMessageOkCancel) == kResultCancel) {
        return;
    }
    for (const ButtonDescription& button : host_.ModelButtons()) {
        const KeyAssignment& factory = button.factory;
        if (factory.key_code != selected_) {
            continue;
        }
        const KeyFunction restored = RestoredFactoryFunction(
            FactoryKeyFunction(factory.macro_type, factory.macro_value, factory.macro_desc), Lang);
        if (!LeftClickGuard(restored)) {
            return;
        }
        StoreFunction(restored);
        break;
    }
    Finish();
}

void ButtonsPage::RestoreAllButtons() {
    if (ShowMessageBox(&host_.Window(), LangText(text::kRestoreQuestion),
                       LangText(text::kRestoreAll), kMessageOkCancel) == kResultCancel) {
        return;
    }
    host_.Store().DeleteKeyAssignments(host_.ActiveProfile());
    Load();
    host_.QueueTask(TaskCode::KeyWrite);
}

void ButtonsPage::StartCapture(MEdit& field, bool window_activation) {
    // Coming back to the window is no new visit: the key caught before stays.
    if (window_activation) {
        return;
    }
    captured_key_ = 0;
    field.SetTitle(QString());
}

void ButtonsPage::CaptureKey(MEdit& field, bool modifiers_too) {
    const CapturedKey& key = field.LastKey();
    const InputEvent event =
        DecodeKey({key.release, static_cast<int>(key.native_scan_code), key.native_virtual_key});
    if (event.name.empty() || (!modifiers_too && IsSideModifier(event.value))) {
        return;
    }
    captured_key_ = event.value;
    field.SetTitle(QString::fromStdString(event.name));
}

bool ButtonsPage::Handle(int id, int event, int param) {
    const bool action = event == Code(Event::Action);
    switch (id) {
        case ids::kButtons:
            if (action) {
                selected_ = param;
                ShowButtonFunction();
            }
            return action;
        case ids::kTypeList:
            if (action) {
                FillFunctionList(type_list_->GetCurData(), true);
            }
            return action;
        case ids::kFunctionList:
            if (action) {
                ApplyListFunction();
            }
            return action;
        case ids::kApplyKey:
            if (action) {
                ApplyKeyCombination();
            }
            return action;
        case ids::kRapidKind:
            if (action) {
                ShowRapidKind(rapid_kind_->GetCurData());
            }
            return action;
        case ids::kApplyRapid:
            if (action) {
                ApplyRapidFire();
            }
            return action;
        case ids::kRestore:
            if (action) {
                RestoreButton();
            }
            return action;
        case ids::kRestoreAll:
            if (action) {
                RestoreAllButtons();
            }
            return action;
        case ids::kKeyField:
        case ids::kRapidKeyField: {
            MEdit& field = id == ids::kKeyField ? *key_field_ : *rapid_key_field_;
            if (event == Code(Event::FocusGained)) {
                StartCapture(field, param == 1);
            } else if (event == Code(Event::KeyInput)) {
                CaptureKey(field, id == ids::kRapidKeyField);
            }
            return true;
        }
        case ids::kCount:
        case ids::kInterval:
            if (event == Code(Event::FocusLost)) {
                CorrectRapidField(id == ids::kCount ? *count_ : *interval_);
            }
            return true;
        default:
            return false;
    }
}

}  // namespace veltra::ui
