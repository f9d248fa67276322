#pragma once
// The busy indicator over the main window while the worker carries out a long task. It has no
// button and ignores Escape: only DoOK ends it, which the worker's report of the finished task
// posts (any thread may call it; an end that comes before the dialog is shown ends it at once).
#include "ui/widgets/dialog.h"

namespace veltra::ui {

class WaitDlg : public MDialog {
  public:
    // Created 102 x 102 pixels, centred on `owner` (the screen without one).
    explicit WaitDlg(QWidget* owner);

  protected:
    void OnCreateControls(const QRect& client) override;
    void OnInitDialog() override;
    void OnClose() override {}
};

}  // namespace veltra::ui
