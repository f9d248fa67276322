#include "ui/dialogs/dpi_popup.h"

#include <QGuiApplication>

#include "ui/dialogs/lang_text.h"
#include "ui/widgets/buttons.h"
#include "ui/widgets/labels.h"
#include "ui/widgets/manager.h"
#include "ui/widgets/sliders.h"

namespace veltra::ui {
namespace {

constexpr int kClose = 30;
constexpr int kValue = 31;
constexpr int kUnit = 32;
constexpr int kProgress = 33;
constexpr int kHideTimer = 100;
constexpr int kShowMilliseconds = 2000;
constexpr unsigned kStyle = kStyleToolWindow | kStyleTopmost;

}  // namespace

DPIMsgDlg::DPIMsgDlg(QWidget* owner)
    : owner_(owner), places_windows_(QGuiApplication::platformName() != QLatin1String("wayland")) {
    // A notice, not a place to type: it never takes the focus from the window in use.
    setAttribute(Qt::WA_ShowWithoutActivating);
    Create(owner, QStringLiteral("DPIMsgDlg"), kStyle, QRect(0, 0, 300, 130));
    setWindowFlag(Qt::WindowDoesNotAcceptFocus);
    hide();
    open_ = true;
}

void DPIMsgDlg::OnCreateControls(const QRect& client) {
    int w = client.width();
    auto* close = Create<CImageButton>("CImageButton", kClose, Edges(w - 36, 10, w - 6, 40));
    close->SetImage(QStringLiteral("sysbtn_close.png"), 4);
    close->SetTooltip(LangText(5));
    close->setFocusPolicy(Qt::NoFocus);
    value_text_ = Create<MText>("MText", kValue, Edges(10, 30, 170, 80), QStringLiteral("1600"));
    value_text_->SetTextColor(Manager::m_select_color);
    value_text_->SetFont(36);
    // Number and unit share a baseline.
    value_text_->SetVAlignment(Qt::AlignBottom);
    unit_text_ = Create<MText>("MText", kUnit, Edges(170, 50, 310, 80), QStringLiteral("DPI"));
    unit_text_->SetTextColor(0xFFC8C8C8);
    unit_text_->SetFont(20);
    unit_text_->SetVAlignment(Qt::AlignBottom);
    progress_ = Create<MProgress>("MProgress", kProgress, Edges(10, 80, w - 20, 100));
    progress_->SetMaxValue(16000);
}

void DPIMsgDlg::OnInitDialog() {
    SetLayeredWindow(true);
    PlaceInCorner();
}

void DPIMsgDlg::SetPlatformPlacesWindows(bool places) {
    places_windows_ = places;
}

void DPIMsgDlg::ShowDPI(int value) {
    value_ = value;
    value_text_->SetTitle(QString::number(value));
    progress_->SetMaxValue(16000);
    progress_->SetValue(value);
    unit_text_->SetTitle(QStringLiteral("DPI"));
    Present();
}

void DPIMsgDlg::ShowReportRate(int index) {
    static const char* const kRates[] = {"1000", "500", "250", "125"};
    report_rate_ = index;
    if (index >= 0 && index < 4) {
        value_text_->SetTitle(QString::fromLatin1(kRates[index]));
    }
    // The bar reads fuller for faster rates.
    progress_->SetMaxValue(4);
    progress_->SetValue(index >= 0 && index < 4 ? 4 - index : 0);
    unit_text_->SetTitle(LangText(255));
    Present();
}

void DPIMsgDlg::Present() {
    PlaceInCorner();
    ShowWindow(kShow);
    raise();
    SetTimer(kHideTimer, kShowMilliseconds);
    update();
}

void DPIMsgDlg::PlaceInCorner() {
    bool inside =
        !places_windows_ && owner_ != nullptr && owner_->isVisible() && !owner_->isMinimized();
    if (inside != inside_owner_) {
        inside_owner_ = inside;
        bool was_visible = isVisible();
        setParent(owner_, inside ? Qt::Widget
                                 : Qt::Window | Qt::FramelessWindowHint | Qt::Tool |
                                       Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus);
        setVisible(was_visible);
    }
    QRect area = inside ? owner_->rect() : WorkArea();
    // The work area is read anew each time, so the corner follows task-bar changes.
    setGeometry(Edges(area.right() + 1 - 302, area.bottom() + 1 - 132, area.right() + 1 - 2,
                      area.bottom() + 1 - 2));
}

int DPIMsgDlg::OnNotify(int id, int event, int param) {
    (void)param;
    if (id == kClose && event == Code(Event::Action)) {
        KillTimer(kHideTimer);
        hide();
        return 1;
    }
    return 0;
}

void DPIMsgDlg::OnTimer(int id) {
    if (id == kHideTimer) {
        KillTimer(kHideTimer);
        hide();
    }
}

void DPIMsgDlg::OnClose() {
    KillTimer(kHideTimer);
    open_ = false;
    DestroyWindow();
}

}  // namespace veltra::ui
