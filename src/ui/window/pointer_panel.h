#pragma once
// The desktop's pointer settings on the performance page: pointer speed, acceleration, wheel
// scrolling and double-click time. The desktop holds them; the page shows what it reads, applies
// every change at once (speed and double-click time from the worker, the others here) and keeps
// a copy in the active profile so profile files carry them. A setting the desktop lacks is shown
// from the profile, disabled, with a tooltip that says why; what the desktop refused is shown as
// the desktop has it, never as applied.
//
// Threads: everything on the UI thread except ApplyPending, which the worker runs for task 20;
// the pending values are handed over under a lock and the outcome comes back as a posted call.
#include <QString>
#include <mutex>
#include <optional>

#include "shell/pointer_settings.h"
#include "ui/window/device_page.h"

namespace veltra::ui {

class CCheckButton;
class CRadioButton;
class MSlider;
class MText;
class NumberEdit2;

namespace pointer_panel {
inline constexpr int kPanel = 226;
inline constexpr int kTitle = 227;
inline constexpr int kSpeedLabel = 228;
inline constexpr int kHelp = 229;
inline constexpr int kSpeed = 230;
inline constexpr int kSpeedSlow = 231;
// Both end labels of the speed slider had 231; the fast end has its own id here.
inline constexpr int kSpeedFast = 232;
inline constexpr int kSpeedValue = 233;
inline constexpr int kPrecision = 234;
inline constexpr int kWheelLabel = 235;
inline constexpr int kLines = 239;
inline constexpr int kOneScreen = 240;
inline constexpr int kByLines = 241;
inline constexpr int kDoubleClickLabel = 242;
inline constexpr int kDoubleClick = 243;
inline constexpr int kDoubleClickSlow = 244;
inline constexpr int kDoubleClickFast = 245;
inline constexpr int kDoubleClickValue = 246;
// Which desktop the panel changes, or why it cannot.
inline constexpr int kNote = 265;
}  // namespace pointer_panel

class PointerPanel {
  public:
    // `desktop` may be null: no supported desktop.
    PointerPanel(DevicePageHost& host, PointerSettings* desktop);

    void Create(MTabLayout& page);
    void Layout(int w, int h);
    void ApplyTexts();
    // The desktop's values into the controls and the active profile; what the desktop lacks is
    // shown from the profile. When built and after every refresh of the page.
    void ReadPointerSettings();
    bool Handle(int id, int event, int param);
    // Worker thread (task 20): applies the speed and double-click time changed since.
    void ApplyPending();

  private:
    bool Supported(PointerSetting setting) const;
    QString DesktopName() const;
    void ShowSpeed(int speed);
    void ShowDoubleClick(int milliseconds);
    void ShowWheel(int lines);
    void SetSpeedFromSlider(int event);
    void SetPrecision();
    void SetScrollMode(int id);
    void SetLinesText(int event);
    void SetDoubleClickFromSlider();
    void Show(PointerSetting setting, int value);
    // Shows the desktop's value of `setting` and keeps it in the profile.
    void Adopt(PointerSetting setting, int value);
    // A change the desktop did not take is shown as the desktop has it.
    void ShowOutcome(PointerSetting setting, PointerWrite outcome);
    void StoreMirror(std::string_view key, int value);
    void Queue(PointerSetting setting, int value);

    DevicePageHost& host_;
    PointerSettings* desktop_;
    MSlider* speed_ = nullptr;
    MText* speed_value_ = nullptr;
    CCheckButton* precision_ = nullptr;
    CRadioButton* by_lines_ = nullptr;
    CRadioButton* one_screen_ = nullptr;
    NumberEdit2* lines_ = nullptr;
    MSlider* double_click_ = nullptr;
    MText* double_click_value_ = nullptr;
    MText* note_ = nullptr;
    // The note's text id when the last change was not simply applied; 0 for the plain note.
    int note_text_ = 0;

    std::mutex pending_mutex_;
    std::optional<int> pending_speed_;
    std::optional<int> pending_double_click_;
};

}  // namespace veltra::ui
