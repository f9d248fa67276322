#pragma once
// The transient pop-up that shows a new DPI value or report rate for two seconds in the
// bottom-right corner of the work area. Built once, hidden, and shown again by every change.
//
// Where the windowing system does not let a program place its windows (Wayland), the pop-up
// is shown inside the bottom-right corner of its owner while the owner is on screen, and as a
// window the compositor places otherwise, so a change is always seen.
#include <QString>

#include "ui/widgets/dialog.h"

namespace veltra::ui {

class MProgress;
class MText;

class DPIMsgDlg : public MDialog {
  public:
    // Creates the hidden pop-up owned by `owner`.
    explicit DPIMsgDlg(QWidget* owner);

    void ShowDPI(int value);
    // 0..3 for 1000, 500, 250 and 125 reports per second; other values keep the shown rate.
    void ShowReportRate(int index);
    // Until the pop-up is closed for good (with its owner).
    bool IsOpen() const { return open_; }
    int Value() const { return value_; }
    int ReportRateIndex() const { return report_rate_; }
    // Whether the platform honours window positions; decided from the platform unless a test
    // sets it.
    void SetPlatformPlacesWindows(bool places);
    bool ShownInsideOwner() const { return inside_owner_; }

  protected:
    void OnCreateControls(const QRect& client) override;
    void OnInitDialog() override;
    int OnNotify(int id, int event, int param) override;
    void OnTimer(int id) override;
    void OnClose() override;

  private:
    void Present();
    void PlaceInCorner();

    QWidget* owner_;
    int value_ = 0;
    int report_rate_ = 0;
    bool open_ = false;
    bool places_windows_;
    bool inside_owner_ = false;
    MText* value_text_ = nullptr;
    MText* unit_text_ = nullptr;
    MProgress* progress_ = nullptr;
};

}  // namespace veltra::ui
