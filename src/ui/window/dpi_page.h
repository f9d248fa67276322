#pragma once
// The DPI page: the eight DPI levels with their colours and enable boxes, the slider for the
// selected level's value, and the report rate.
#include "device/device_view.h"
#include "ui/window/device_page.h"

namespace veltra::ui {

class DPIControl;
class DPISlider;
class MTabLayout;
class ReporteCtrl;

namespace dpi_page {
inline constexpr int kLevelsPanel = 93;
inline constexpr int kLevelsTitle = 94;
inline constexpr int kLevelsHelp = 95;
inline constexpr int kLevelsReset = 96;
inline constexpr int kLevels = 97;
inline constexpr int kSlider = 98;
inline constexpr int kRatePanel = 102;
inline constexpr int kRateTitle = 103;
inline constexpr int kRateReset = 105;
inline constexpr int kRate = 106;
}  // namespace dpi_page

class DpiPage {
  public:
    explicit DpiPage(DevicePageHost& host) : host_(host), settings_(host) {}

    void Create(MTabLayout& page);
    void Layout(int w, int h);
    void ApplyTexts();
    // The levels and the report rate from the active profile.
    void Refresh();
    // The mouse's DPI button or report-rate change: the page follows (the store has it already).
    void FollowMouse(const MouseSettingsChange& change);
    // A notification of one of the page's controls: false when it is not the page's.
    bool Handle(int id, int event, int param);

  private:
    void ApplySliderRange(int level, int device_type);
    void ShowLevel(int level);
    void SelectLevel();
    void ChangeMask();
    void PickColour();
    void Slide(int event, int position);
    void ResetLevels();
    void RefreshReportRate();
    void ChooseReportRate(int value);
    void ResetReportRate();
    bool OverBluetooth() { return host_.Mode() == ConnectionMode::Bluetooth; }

    DevicePageHost& host_;
    ProfileSettings settings_;
    DPIControl* levels_ = nullptr;
    DPISlider* slider_ = nullptr;
    ReporteCtrl* rate_ = nullptr;
};

}  // namespace veltra::ui
