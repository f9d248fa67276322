#include "ui/dialogs/message_box.h"

#include "ui/dialogs/lang_text.h"
#include "ui/widgets/buttons.h"
#include "ui/widgets/labels.h"

namespace veltra::ui {
namespace {

constexpr int kTitle = 31;
constexpr int kBody = 32;
constexpr int kFirst = 33;
constexpr int kSecond = 34;
constexpr int kClose = 35;

MessageBoxHook& Hook() {
    static MessageBoxHook hook;
    return hook;
}

void StyleButton(MControl* control, int text_id) {
    auto* button = dynamic_cast<MButton*>(control);
    button->SetImage(QStringLiteral("img_button.png"), 4);
    button->SetFont(16);
    button->SetTitle(LangText(text_id));
}

}  // namespace

CUIMessageBox::CUIMessageBox(const QString& body, const QString& title, int kind)
    : body_(body), title_(title), kind_(kind) {}

void CUIMessageBox::OnCreateControls(const QRect& client) {
    int w = client.width();
    int h = client.height();
    auto* title = Create<MText>("MText", kTitle, Edges(20, 15, w - 20, 45), title_);
    title->SetFont(16);
    title->SetAlignment(Qt::AlignHCenter);
    auto* body = Create<MText>("MText", kBody, Edges(20, 50, w - 20, h - 50), body_);
    body->SetFont(16);
    body->SetAlignment(Qt::AlignHCenter);
    body->SetVAlignment(Qt::AlignVCenter);
    body->SetTextColor(0xFFFFFFFF);
    if (kind_ == kMessageOk) {
        StyleButton(CreateControl("MButton", kFirst, Edges(60, h - 50, w - 60, h - 20)), 25);
    } else if (kind_ == kMessageOkCancel) {
        StyleButton(
            CreateControl("MButton", kFirst, Edges(w / 2 - 120, h - 50, w / 2 - 20, h - 20)), 28);
        StyleButton(
            CreateControl("MButton", kSecond, Edges(w / 2 + 20, h - 50, w / 2 + 120, h - 20)), 29);
    } else {
        auto* close = CreateControl("CImageButton", kClose, Edges(w - 40, 10, w - 10, 40));
        close->SetImage(QStringLiteral("sysbtn_close.png"), 4);
        close->SetTooltip(LangText(5));
    }
}

void CUIMessageBox::OnInitDialog() {
    SetLayeredWindow(true);
    if (MControl* first = GetControl(kFirst)) {
        first->setFocus();
    }
}

int CUIMessageBox::OnNotify(int id, int event, int param) {
    (void)param;
    if (event != Code(Event::Action)) {
        return 0;
    }
    if (id == kFirst) {
        DoOK();
        return 1;
    }
    if (id == kSecond || id == kClose) {
        DoCancel();
        return 1;
    }
    return 0;
}

int ShowMessageBox(QWidget* parent, const QString& body, const QString& title, int kind) {
    if (Hook()) {
        return Hook()(body, title, kind);
    }
    CUIMessageBox box(body, title, kind);
    box.Create(parent, QStringLiteral("MessageBox"), kStyleToolWindow | kStyleTopmost,
               QRect(0, 0, 430, 230));
    box.CenterWindow(nullptr);
    return box.ShowModal(kShowNormal);
}

void SetMessageBoxHook(MessageBoxHook hook) {
    Hook() = std::move(hook);
}

}  // namespace veltra::ui
