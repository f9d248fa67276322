#pragma once
// The program's message box: a title, a body and one button (kind 0, result 1) or two
// (kind 4, results 1 and 2). A box of any other kind has no buttons; it still closes with its
// close button or Escape (result 2), so it can never trap the user.
#include <QString>
#include <functional>

#include "ui/widgets/dialog.h"

namespace veltra::ui {

inline constexpr int kMessageOk = 0;
inline constexpr int kMessageOkCancel = 4;

class CUIMessageBox : public MDialog {
  public:
    CUIMessageBox(const QString& body, const QString& title, int kind);

  protected:
    void OnCreateControls(const QRect& client) override;
    void OnInitDialog() override;
    int OnNotify(int id, int event, int param) override;

  private:
    QString body_;
    QString title_;
    int kind_;
};

// Shows a box owned by `parent` (may be null), centred, and returns its result.
int ShowMessageBox(QWidget* parent, const QString& body, const QString& title, int kind);

// Tests and scripted runs answer boxes without a window: while a hook is set, ShowMessageBox
// returns the hook's answer instead of showing anything.
using MessageBoxHook = std::function<int(const QString& body, const QString& title, int kind)>;
void SetMessageBoxHook(MessageBoxHook hook);

}  // namespace veltra::ui
