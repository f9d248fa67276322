#include "ui/dialogs/wait_dialog.h"

#include "ui/widgets/labels.h"

namespace veltra::ui {
namespace {

constexpr int kPicture = 30;
// The busy picture's frame time; the animation timer runs only while the dialog is shown.
constexpr int kFrameMilliseconds = 40;

}  // namespace

WaitDlg::WaitDlg(QWidget* owner) {
    QRect around = owner != nullptr ? owner->frameGeometry() : WorkArea();
    QRect placed(0, 0, 102, 102);
    placed.moveCenter(around.center());
    Create(owner, QStringLiteral("WaitDlg"), kStyleToolWindow | kStyleTopmost, placed);
}

void WaitDlg::OnCreateControls(const QRect& client) {
    (void)client;
    auto* picture = Create<CGifPicture>("CGifPicture", kPicture, Edges(1, 1, 101, 101));
    picture->SetImage(QStringLiteral("loading.gif"), 1);
    picture->SetRunState(true);
    picture->AddMTimer();
}

void WaitDlg::OnInitDialog() {
    SetLayeredWindow(true);
    SetBackgroundColour(QColor(0x33, 0x33, 0x33));
    SetMTimer(kFrameMilliseconds);
    EnableWndDrag(true);
}

}  // namespace veltra::ui
