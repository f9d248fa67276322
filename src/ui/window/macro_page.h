#pragma once
// The macro page: the stored macros, the steps of the chosen one with their editor, recording
// from live input, and macro files. No tab shows the page; it is built and works all the same,
// and the window's messages reach its menus.
//
// Every change of a macro's steps is stored at once and followed by the upload of all macros.
// A change that moves macros to other slots (a deletion) also sends the buttons again, so that
// each button keeps playing the macro it names.
//
// Threads: the user-interface thread only.
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "macro/macro_recorder.h"
#include "ui/window/device_page.h"

class QEvent;
class QObject;

namespace veltra::ui {

class CIconButton;
class CRadioButton;
class CRecordList;
class MacroList;
class MComboBox;
class MEdit;

namespace macro_page {
inline constexpr int kPagePanel = 107;
inline constexpr int kTitle = 108;
inline constexpr int kMacroPanel = 109;
inline constexpr int kMacroPanelTitle = 110;
inline constexpr int kMacroListBack = 111;
inline constexpr int kMacroList = 112;
inline constexpr int kNew = 113;
inline constexpr int kImport = 114;
inline constexpr int kExport = 115;
inline constexpr int kStepPanel = 116;
inline constexpr int kStepPanelTitle = 117;
inline constexpr int kStepListBack = 118;
inline constexpr int kHeaderBand = 119;
inline constexpr int kHeaderNumber = 120;
inline constexpr int kHeaderEvent = 121;
inline constexpr int kHeaderValue = 122;
inline constexpr int kStepList = 123;
inline constexpr int kInsert = 124;
inline constexpr int kDelete = 125;
inline constexpr int kClear = 126;
inline constexpr int kRecordPanel = 127;
inline constexpr int kInnerPanel = 128;
inline constexpr int kRecord = 129;
inline constexpr int kDelayLabel = 130;
inline constexpr int kNoDelays = 131;
inline constexpr int kRecordedDelays = 132;
inline constexpr int kFixedDelay = 133;
inline constexpr int kDelayBack = 134;
inline constexpr int kDelayField = 135;
inline constexpr int kDelayUnit = 136;
inline constexpr int kPlayLabel = 137;
inline constexpr int kPlayUntilPressed = 138;
inline constexpr int kPlayWhileHeld = 139;
inline constexpr int kPlayTimes = 140;
inline constexpr int kPlayUntilAnyKey = 141;
inline constexpr int kPlayCount = 142;
inline constexpr int kKindLabel = 143;
inline constexpr int kKind = 144;
inline constexpr int kValueField = 145;
inline constexpr int kButtonList = 146;
inline constexpr int kValueLabel = 147;
inline constexpr int kMoveUp = 148;
inline constexpr int kMoveDown = 149;
inline constexpr int kXLabel = 150;
inline constexpr int kLeft = 151;
inline constexpr int kRight = 152;
inline constexpr int kXField = 153;
inline constexpr int kYLabel = 154;
inline constexpr int kUp = 155;
inline constexpr int kDown = 156;
inline constexpr int kYField = 157;

// The window messages of the page's menus and their commands.
inline constexpr int kMessageMacroMenu = 1709;
inline constexpr int kMessageInsertMenu = 1710;
inline constexpr int kMessageStepMenu = 1711;
inline constexpr int kCommandRename = 101;
inline constexpr int kCommandDelete = 102;
inline constexpr int kCommandInsertKey = 101;
inline constexpr int kCommandInsertMouse = 102;
inline constexpr int kCommandInsertDelay = 103;
inline constexpr int kCommandTop = 100;
inline constexpr int kCommandUp = 101;
inline constexpr int kCommandDown = 102;
inline constexpr int kCommandBottom = 103;
}  // namespace macro_page

class MacroPage {
  public:
    // `macros_changed` runs after macros were added, renamed or deleted (the buttons page lists
    // them).
    MacroPage(DevicePageHost& host, std::function<void()> macros_changed);
    ~MacroPage();

    void Create(MTabLayout& page);
    void Layout(int w, int h);
    void ApplyTexts();
    // Lists every stored macro again and shows the one shown before, else the first. A
    // recording in progress ends and is kept.
    void LoadMacroList();
    bool Handle(int id, int event, int param);
    // A command of one of the page's menus (message 1709, 1710 or 1711); false for another
    // message.
    bool MenuCommand(int message, int command);

    // Recording. The window's input goes to the recorder while it runs.
    bool Recording() const { return recorder_.Recording(); }
    // Time in milliseconds for the recorded pauses; the steady clock unless a test sets one.
    void SetClock(std::function<std::int64_t()> clock) { clock_ = std::move(clock); }
    // One live input event while recording: true when it was taken (recorded or swallowed).
    bool RecordInput(QObject* receiver, QEvent* event);

    int RecordLimit() const { return record_limit_; }

  private:
    int SelectedMacro() const;
    void ShowMacro(int macro_id);
    void NewMacro();
    void DeleteSelectedMacro();
    void RenameMacroItem(int index);
    void SaveMacroSettings();
    void SaveMacroRecords();
    void OpenInsertMenu();
    void InsertRecords(int command);
    void DeleteRecords();
    void ClearRecords();
    void OpenStepMenu(int index);
    void MoveRecord(int command);
    void EditRecord();
    void HideEditor();
    void ShowMoveControls(bool visible);
    void StartKeyCapture(bool window_activation);
    void CaptureKey();
    void ApplyKey();
    void ApplyButton();
    void ApplyNumber();
    void ApplyMoveXY();
    void ChooseDelay(int id);
    void ChoosePlay(int id);
    void CorrectDelayField();
    void CorrectPlayCount();
    void ToggleRecording();
    void StopRecording(bool limit_reached);
    void EnablePage(bool enabled);
    void ImportMacro();
    void ExportMacro();
    std::vector<MacroStep> Steps() const;
    void ShowSteps(const std::vector<MacroStep>& steps);
    void ShowLimitMessage(int title);
    std::int64_t Now() const;
    // The fixed delay field's text; an empty field is given the default first.
    std::string FixedDelayText();
    void MacrosChanged();

    DevicePageHost& host_;
    std::function<void()> macros_changed_;
    MacroList* macros_ = nullptr;
    CRecordList* steps_ = nullptr;
    CIconButton* record_ = nullptr;
    MEdit* delay_field_ = nullptr;
    MEdit* play_count_ = nullptr;
    MComboBox* kind_ = nullptr;
    MEdit* value_field_ = nullptr;
    MComboBox* button_list_ = nullptr;
    MEdit* x_field_ = nullptr;
    MEdit* y_field_ = nullptr;
    std::vector<CRadioButton*> delay_radios_;  // 131, 132, 133
    std::vector<CRadioButton*> play_radios_;   // 138..141

    bool editor_open_ = false;
    bool move_controls_ = false;
    int captured_key_ = 0;
    QString captured_name_;
    int record_limit_ = kRecordLimitAtStart;
    MacroRecorder recorder_;
    // Takes the application's input while recording.
    std::unique_ptr<QObject> input_tap_;
    std::function<std::int64_t()> clock_;
    QString macro_folder_;
    bool file_dialog_open_ = false;
};

}  // namespace veltra::ui
