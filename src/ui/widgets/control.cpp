#include "ui/widgets/control.h"

#include <QEnterEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <algorithm>

#include "ui/widgets/dialog.h"
#include "ui/widgets/manager.h"

namespace veltra::ui {

std::optional<int> StepTarget(int key, int current, int count, int previous, int next) {
    if (count <= 0) {
        return std::nullopt;
    }
    int last = count - 1;
    if (key == previous) {
        return current < 0 ? 0 : std::clamp(current - 1, 0, last);
    }
    if (key == next) {
        return current < 0 ? 0 : std::clamp(current + 1, 0, last);
    }
    if (key == Qt::Key_Home) {
        return 0;
    }
    if (key == Qt::Key_End) {
        return last;
    }
    return std::nullopt;
}

MControl::MControl(MDialog& owner, QWidget* parent, int id)
    : QWidget(parent), owner_(owner), id_(id) {
    setAttribute(Qt::WA_Hover);
    setFocusPolicy(Qt::NoFocus);
}

MControl::~MControl() {
    owner_.ForgetControl(*this);
}

void MControl::SetVisible(bool visible) {
    setVisible(visible);
}
void MControl::SetEnabled(bool enabled) {
    setEnabled(enabled);
}

void MControl::SetRect(const QRect& rect) {
    // Rectangles are in the dialog's client coordinates; a control inside a page container
    // is placed relative to the container.
    QPoint origin = parentWidget() != nullptr && parentWidget() != &owner_
                        ? parentWidget()->mapTo(&owner_, QPoint(0, 0))
                        : QPoint(0, 0);
    setGeometry(rect.translated(-origin));
}

void MControl::SetTooltip(const QString& text) {
    setToolTip(text);
    RefreshAccessibleName();
}

void MControl::AddMTimer() {
    animated_ = true;
    owner_.JoinAnimation(*this);
}

void MControl::SetImage(const QString& file, int states) {
    image_ = SkinImage(file, states);
    update();
}

void MControl::SetTextColor(std::uint32_t argb) {
    text_colour_ = FromArgb(argb);
    has_text_colour_ = true;
    update();
}

void MControl::Notify(Event event, int param) {
    owner_.Notify(*this, event, param);
}

QColor MControl::TextColourOr(const QColor& fallback) const {
    return has_text_colour_ ? text_colour_ : fallback;
}

Visual MControl::CurrentVisual() const {
    if (!isEnabled()) {
        return Visual::Disabled;
    }
    if (pressed_) {
        return Visual::Pressed;
    }
    return underMouse() ? Visual::Hover : Visual::Normal;
}

void MControl::SetPressed(bool pressed) {
    if (pressed_ != pressed) {
        pressed_ = pressed;
        update();
    }
}

void MControl::OfferFocus(bool offered) {
    setFocusPolicy(offered ? Qt::StrongFocus : Qt::NoFocus);
    if (!offered && hasFocus()) {
        clearFocus();
    }
}

void MControl::AnimationChanged() {
    if (animated_) {
        owner_.AnimationStateChanged();
    }
}

void MControl::RefreshAccessibleName() {
    QString text = AccessibleText();
    setAccessibleName(text.isEmpty() ? toolTip() : text);
}

void MControl::enterEvent(QEnterEvent* event) {
    QWidget::enterEvent(event);
    update();
}

void MControl::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    update();
}

void MControl::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::EnabledChange) {
        pressed_ = false;
        update();
    }
}

void MControlFont::SetTitle(const QString& title) {
    title_ = title;
    RefreshAccessibleName();
    update();
}

void MControlFont::SetFont(int pixel_size) {
    size_ = pixel_size;
    update();
}

void MControlFont::SetFontName(const QString& family) {
    // The skin names "Segoe UI"; that is the desktop's UI font here.
    family_ = family == QLatin1String("Segoe UI") ? QString() : family;
    update();
}

void MControlFont::SetFontWidth(int weight) {
    weight_ = weight;
    update();
}

void MControlFont::SetAlignment(Qt::Alignment horizontal) {
    horizontal_ = horizontal & Qt::AlignHorizontal_Mask;
    update();
}

void MControlFont::SetVAlignment(Qt::Alignment vertical) {
    vertical_ = vertical & Qt::AlignVertical_Mask;
    update();
}

QFont MControlFont::TextFont() const {
    QFont font = Manager::UiFont(size_, weight_);
    if (!family_.isEmpty()) {
        QStringList families = font.families();
        families.prepend(family_);
        font.setFamilies(families);
    }
    return font;
}

ClickableControl::ClickableControl(MDialog& owner, QWidget* parent, int id)
    : MControlFont(owner, parent, id) {
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
}

void ClickableControl::Click() {
    // The handler may delete the dialog and with it this control.
    QPointer<ClickableControl> alive(this);
    Clicked();
    if (alive) {
        Notify(Event::Action, ClickParameter());
    }
}

void ClickableControl::PaintFocus(QPainter& painter, qreal radius) const {
    if (hasFocus() && focusPolicy() != Qt::NoFocus) {
        look::FocusRing(painter, rect(), radius);
    }
}

void ClickableControl::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        SetPressed(true);
        event->accept();
        return;
    }
    MControlFont::mousePressEvent(event);
}

void ClickableControl::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && IsPressed()) {
        SetPressed(false);
        if (rect().contains(event->position().toPoint())) {
            Click();
        }
        event->accept();
        return;
    }
    MControlFont::mouseReleaseEvent(event);
}

void ClickableControl::keyPressEvent(QKeyEvent* event) {
    int key = event->key();
    if (!event->isAutoRepeat() &&
        (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter)) {
        SetPressed(true);
        event->accept();
        return;
    }
    MControlFont::keyPressEvent(event);
}

void ClickableControl::keyReleaseEvent(QKeyEvent* event) {
    int key = event->key();
    if (!event->isAutoRepeat() &&
        (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) && IsPressed()) {
        SetPressed(false);
        Click();
        event->accept();
        return;
    }
    MControlFont::keyReleaseEvent(event);
}

void ClickableControl::focusOutEvent(QFocusEvent* event) {
    SetPressed(false);
    MControlFont::focusOutEvent(event);
    update();
}

}  // namespace veltra::ui
