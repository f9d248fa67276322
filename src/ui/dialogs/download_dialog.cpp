#include "ui/dialogs/download_dialog.h"

#include "ui/dialogs/lang_text.h"
#include "ui/widgets/buttons.h"
#include "ui/widgets/labels.h"
#include "ui/widgets/sliders.h"

namespace veltra::ui {
namespace {

constexpr int kTitle = 41;
constexpr int kFile = 42;
constexpr int kBar = 43;
constexpr int kPercent = 44;
constexpr int kCancel = 45;
constexpr int kDownloadingText = 628;
constexpr int kCancelText = 29;

}  // namespace

DownloadDlg::DownloadDlg(QString title, QString file, std::function<void()> cancel)
    : title_(std::move(title)), file_(std::move(file)), cancel_(std::move(cancel)) {}

void DownloadDlg::Open(QWidget* owner) {
    Create(owner, QStringLiteral("DownloadDlg"), kStyleToolWindow, QRect(0, 0, 430, 190));
    CenterWindow();
    ShowWindow(kShowNormal);
}

void DownloadDlg::OnCreateControls(const QRect& client) {
    const int w = client.width();
    auto* title = Create<MText>("MText", kTitle, Edges(20, 15, w - 20, 45), title_);
    title->SetFont(16);
    title->SetAlignment(Qt::AlignHCenter);
    auto* file = Create<MText>("MText", kFile, Edges(20, 55, w - 20, 80),
                               LangText(kDownloadingText).replace(QStringLiteral("%s"), file_));
    file->SetFont(12);
    file->SetTextColor(0xFFFFFFFF);
    Create<MProgress>("MProgress", kBar, Edges(20, 92, w - 80, 104));
    auto* percent = Create<MText>("MText", kPercent, Edges(w - 70, 84, w - 20, 112));
    percent->SetFont(12);
    percent->SetAlignment(Qt::AlignRight);
    percent->SetTextColor(0xFFFFFFFF);
    auto* cancel = Create<MButton>("MButton", kCancel, Edges(w / 2 - 60, 135, w / 2 + 60, 165),
                                   LangText(kCancelText));
    cancel->SetImage(QStringLiteral("img_button.png"), 4);
    cancel->SetFont(16);
    SetProgress(0);
}

void DownloadDlg::OnInitDialog() {
    SetLayeredWindow(true);
    EnableWndDrag(true);
}

int DownloadDlg::OnNotify(int id, int event, int param) {
    (void)param;
    if (id == kCancel && event == Code(Event::Action)) {
        Cancel();
        return 1;
    }
    return 0;
}

void DownloadDlg::SetProgress(int value) {
    if (auto* bar = Get<MProgress>(kBar)) {
        bar->SetValue(value);
    }
    if (auto* percent = Get<MText>(kPercent)) {
        percent->SetTitle(QStringLiteral("%1 %").arg(value));
    }
}

int DownloadDlg::Progress() const {
    const auto* bar = Get<MProgress>(kBar);
    return bar != nullptr ? bar->GetValue() : 0;
}

void DownloadDlg::Cancel() {
    if (cancelling_) {
        return;
    }
    cancelling_ = true;
    if (auto* cancel = GetControl(kCancel)) {
        cancel->SetEnabled(false);
    }
    if (cancel_) {
        cancel_();
    }
}

}  // namespace veltra::ui
