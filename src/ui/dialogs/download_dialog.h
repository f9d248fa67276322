#pragma once
// The progress of an update download over the main window: what is fetched, a bar with the
// downloader's progress and a Cancel button. It does not hold the window: the user goes on
// working while it shows. Cancel reports once through the handler; the dialog stays, its button
// disabled, until the download has ended and its owner destroys it.

#include <QString>
#include <functional>

#include "ui/widgets/dialog.h"

namespace veltra::ui {

class DownloadDlg : public MDialog {
  public:
    // `title` and `file` are shown as given; `cancel` runs on the first press of Cancel.
    DownloadDlg(QString title, QString file, std::function<void()> cancel);

    // Created 430 x 190 pixels centred on `owner`, then shown.
    void Open(QWidget* owner);
    // 0..100, as the downloader reports it.
    void SetProgress(int value);
    int Progress() const;
    // What a press of Cancel does; tests press it through here.
    void Cancel();
    bool Cancelling() const { return cancelling_; }

  protected:
    void OnCreateControls(const QRect& client) override;
    void OnInitDialog() override;
    int OnNotify(int id, int event, int param) override;
    // Escape and the desktop's close are Cancel: the download cannot be left running unseen.
    void OnClose() override { Cancel(); }

  private:
    QString title_;
    QString file_;
    std::function<void()> cancel_;
    bool cancelling_ = false;
};

}  // namespace veltra::ui
