#pragma once
// The performance page's own options: idle-light and sleep times, key wake-up, game mode and the
// restore-defaults button (the window runs that flow). The desktop's pointer settings beside
// them are the PointerPanel's.
#include "ui/window/device_page.h"

namespace veltra::ui {

class CCheckButton;
class MComboBox;

namespace performance_page {
inline constexpr int kTitle = 191;
inline constexpr int kGameModePanel = 205;
inline constexpr int kGameModeLabel = 206;
inline constexpr int kGameMode = 208;
inline constexpr int kWakeupPanel = 209;
inline constexpr int kWakeupLabel = 210;
inline constexpr int kWakeup = 211;
inline constexpr int kIdleLightPanel = 215;
inline constexpr int kIdleLightLabel = 216;
inline constexpr int kIdleLight = 218;
inline constexpr int kSleepPanel = 219;
inline constexpr int kSleepLabel = 220;
inline constexpr int kSleep = 222;
inline constexpr int kRestorePanel = 223;
inline constexpr int kRestoreLabel = 224;
inline constexpr int kRestore = 225;
}  // namespace performance_page

class PerformancePage {
  public:
    explicit PerformancePage(DevicePageHost& host) : host_(host), settings_(host) {}

    void Create(MTabLayout& page);
    void Layout(int w, int h);
    // Texts, and the time lists' items with the language's unit (their data unchanged).
    void ApplyTexts();
    void Refresh();
    bool Handle(int id, int event, int param);

  private:
    void FillTimes();

    DevicePageHost& host_;
    ProfileSettings settings_;
    MComboBox* idle_light_ = nullptr;
    MComboBox* sleep_ = nullptr;
    CCheckButton* wakeup_ = nullptr;
    CCheckButton* game_mode_ = nullptr;
};

}  // namespace veltra::ui
