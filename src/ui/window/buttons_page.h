#pragma once
// The buttons page: the model's picture with its buttons and what each does, and the editor
// that gives the selected button a mouse click, a key with modifiers, a media key, a shortcut,
// a DPI function, a rapid-fire repetition or nothing. Every change is stored in the active
// profile and all assignments of the profile go to the mouse (TaskCode::KeyWrite).
//
// The key fields capture the key pressed while they have the focus (settings/key_input.h); the
// desktop may keep some keys for itself, which then never reach them.
#include <QString>
#include <array>
#include <optional>
#include <vector>

#include "config/model_view.h"
#include "store/store_records.h"
#include "ui/window/device_page.h"

namespace veltra {
struct ButtonDescription;
struct KeyFunction;
}  // namespace veltra

namespace veltra::ui {

class MButton3;
class MComboBox;
class MEdit;
class MouseCtrl;
class MTabLayout;

namespace buttons_page {
inline constexpr int kModelPicture = 64;
inline constexpr int kEditorPanel = 67;
inline constexpr int kRestore = 68;
inline constexpr int kEditorTitle = 69;
inline constexpr int kTypeList = 70;
inline constexpr int kFunctionList = 71;
inline constexpr int kKeyField = 72;
inline constexpr int kCtrl = 73;
inline constexpr int kWin = 74;
inline constexpr int kAlt = 75;
inline constexpr int kShift = 76;
inline constexpr int kApplyKey = 77;
inline constexpr int kRapidKind = 78;
inline constexpr int kRapidButtonLabel = 79;
inline constexpr int kRapidButton = 80;
inline constexpr int kRapidKeyField = 81;
inline constexpr int kCountLabel = 82;
inline constexpr int kCount = 83;
inline constexpr int kIntervalLabel = 84;
inline constexpr int kIntervalArea = 85;
inline constexpr int kIntervalUnit = 86;
inline constexpr int kInterval = 87;
inline constexpr int kApplyRapid = 88;
inline constexpr int kButtons = 89;
inline constexpr int kRestoreAll = 90;
}  // namespace buttons_page

// Adds a button of the model to the picture: its caption, key code and the three points of its
// leader line.
void AddModelButton(MouseCtrl& picture, const QString& caption, int key_code, int direction,
                    const std::array<ViewPoint, 3>& points);

class ButtonsPage {
  public:
    explicit ButtonsPage(DevicePageHost& host) : host_(host) {}

    void Create(MTabLayout& page);
    void Layout(int w, int h);
    // The lists' texts in the current language; the assignments are loaded again.
    void ApplyTexts();
    // The model's buttons on the picture, named in the current language.
    void ShowModelButtons(const std::vector<ButtonDescription>& buttons);
    // Every button's function from the active profile, button 1 selected.
    void Load();
    // A notification of one of the page's controls: false when it is not the page's.
    bool Handle(int id, int event, int param);

  private:
    void ApplyLabels();
    void ShowButtonFunction();
    void FillFunctionList(int type, bool chosen);
    void ShowKeyControls(bool visible);
    void ShowRapidControls(bool visible);
    void ShowRapidKind(int kind);
    void ShowDescription(int key_code, const KeyFunction& function);
    // What the button does without a stored row: its factory function, else the built-in one.
    std::optional<KeyFunction> FactoryFunction(int key_code);
    // The stored row of the selected button, if any.
    bool LoadSelected(KeyAssignment& row);
    bool EffectiveLeftClick(int key_code, const std::vector<KeyAssignment>& rows);
    // The last button that clicks left, by a stored row or by its factory function, may not be
    // given another function: false after the message.
    bool LeftClickGuard(const KeyFunction& replacement);
    bool StoreFunction(const KeyFunction& function);
    // Shows the selected button again and sends every assignment of the profile.
    void Finish();

    void ApplyListFunction();
    void ApplyImmediate(int type);
    void ApplyKeyCombination();
    void ApplyRapidFire();
    void RestoreButton();
    void RestoreAllButtons();
    void StartCapture(MEdit& field, bool window_activation);
    void CaptureKey(MEdit& field, bool modifiers_too);
    void CorrectRapidField(MEdit& field);

    DevicePageHost& host_;
    MComboBox* type_list_ = nullptr;
    MComboBox* function_list_ = nullptr;
    MComboBox* rapid_kind_ = nullptr;
    MComboBox* rapid_button_ = nullptr;
    MEdit* key_field_ = nullptr;
    MEdit* rapid_key_field_ = nullptr;
    MEdit* count_ = nullptr;
    MEdit* interval_ = nullptr;
    MouseCtrl* buttons_ = nullptr;
    int selected_ = 1;
    int captured_key_ = 0;
    // The function type whose list or editor shows.
    int shown_type_ = 1;
};

}  // namespace veltra::ui
