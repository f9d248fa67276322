#include "ui/widgets/sliders.h"

#include <QKeyEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <algorithm>
#include <cmath>

#include "ui/widgets/accessible.h"

namespace veltra::ui {

MProgress::MProgress(MDialog& owner, QWidget* parent, int id) : MControl(owner, parent, id) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void MProgress::SetMaxValue(int maximum) {
    maximum_ = std::max(1, maximum);
    update();
}

void MProgress::SetValue(int value) {
    value_ = value;
    update();
}

void MProgress::paintEvent(QPaintEvent* event) {
    (void)event;
    QPainter painter(this);
    qreal bar = std::min<qreal>(height(), 8.0);
    QRectF track(0, (height() - bar) / 2.0, width(), bar);
    look::Panel(painter, track, look::kField, bar / 2.0);
    qreal share = std::clamp(static_cast<qreal>(value_) / maximum_, 0.0, 1.0);
    if (share > 0.0) {
        QRectF done = track;
        done.setWidth(std::max(bar, track.width() * share));
        look::Panel(painter, done, look::Accent(), bar / 2.0);
    }
}

MSlider::MSlider(MDialog& owner, QWidget* parent, int id) : MControl(owner, parent, id) {
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
    // The thumb lights up under the mouse, not the whole groove.
    setMouseTracking(true);
}

void MSlider::SetRange(int minimum, int maximum) {
    minimum_ = std::min(minimum, maximum);
    maximum_ = std::max(minimum, maximum);
    value_ = std::clamp(value_, minimum_, maximum_);
    update();
}

void MSlider::SetValue(int value) {
    value_ = std::clamp(value, minimum_, maximum_);
    update();
    ReportValueChanged(this, value_);
}

void MSlider::SetThumbImage(const QString& file, int states) {
    thumb_ = SkinImage(file, states);
    update();
}

QSizeF MSlider::ThumbSize() const {
    QSizeF natural = thumb_.FrameSize();
    if (natural.isEmpty()) {
        qreal side = std::min<qreal>(height(), 18.0);
        return {side, side};
    }
    if (natural.height() > height()) {
        natural.scale(QSizeF(natural.width(), height()), Qt::KeepAspectRatio);
    }
    return natural;
}

std::pair<qreal, qreal> MSlider::Travel() const {
    qreal half = ThumbSize().width() / 2.0;
    return {half, std::max(half, width() - half)};
}

QRectF MSlider::ThumbRect() const {
    auto [left, right] = Travel();
    qreal share = Share();
    QSizeF size = ThumbSize();
    qreal centre = left + (right - left) * share;
    return {QPointF(centre - size.width() / 2.0, (height() - size.height()) / 2.0), size};
}

long long MSlider::Span() const {
    return static_cast<long long>(maximum_) - minimum_;
}

qreal MSlider::Share() const {
    return Span() > 0 ? static_cast<qreal>(static_cast<long long>(value_) - minimum_) / Span()
                      : 0.0;
}

int MSlider::ValueAt(qreal x) const {
    auto [left, right] = Travel();
    if (right <= left) {
        return minimum_;
    }
    qreal share = std::clamp((x - left) / (right - left), 0.0, 1.0);
    return static_cast<int>(minimum_ + std::llround(share * Span()));
}

bool MSlider::Move(int value) {
    value = std::clamp(value, minimum_, maximum_);
    if (value == value_) {
        return false;
    }
    value_ = value;
    update();
    ReportValueChanged(this, value_);
    QPointer<MSlider> alive(this);
    Notify(Event::Changing, value_);
    return alive != nullptr;
}

void MSlider::PaintTrack(QPainter& painter, const QRectF& track, Visual visual) {
    qreal share = Share();
    look::SliderTrack(painter, track, share, visual);
}

void MSlider::paintEvent(QPaintEvent* event) {
    (void)event;
    QPainter painter(this);
    Visual visual = CurrentVisual();
    if (!Image().Draw(painter, rect(), 0)) {
        auto [left, right] = Travel();
        PaintTrack(painter, QRectF(left, 0, right - left, height()), visual);
    }
    QRectF thumb = ThumbRect();
    Visual thumb_visual = visual;
    if (visual == Visual::Hover && !thumb.contains(mapFromGlobal(QCursor::pos()))) {
        thumb_visual = Visual::Normal;
    }
    if (thumb_.Draw(painter, thumb, thumb_.States() >= 4 ? static_cast<int>(thumb_visual) : 0)) {
        if (hasFocus()) {
            look::FocusRing(painter, thumb.adjusted(-2, -2, 2, 2), 4.0);
        }
    } else {
        look::SliderThumb(painter, thumb, thumb_visual, hasFocus());
    }
}

void MSlider::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        MControl::mousePressEvent(event);
        return;
    }
    event->accept();
    pressed_value_ = value_;
    SetPressed(true);
    QRectF thumb = ThumbRect();
    qreal x = event->position().x();
    if (thumb.contains(event->position())) {
        grab_offset_ = x - thumb.center().x();
        return;
    }
    grab_offset_ = 0.0;
    Move(ValueAt(x));
}

void MSlider::mouseMoveEvent(QMouseEvent* event) {
    if (IsPressed() && (event->buttons() & Qt::LeftButton) != 0) {
        event->accept();
        Move(ValueAt(event->position().x() - grab_offset_));
        return;
    }
    MControl::mouseMoveEvent(event);
    update();
}

void MSlider::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !IsPressed()) {
        MControl::mouseReleaseEvent(event);
        return;
    }
    event->accept();
    SetPressed(false);
    if (value_ != pressed_value_) {
        Notify(Event::Action, value_);
    }
}

void MSlider::keyPressEvent(QKeyEvent* event) {
    // Wide so that steps at the ends of a huge range do not overflow.
    long long page = std::max(1LL, Span() / 10);
    long long target = value_;
    switch (event->key()) {
        case Qt::Key_Left:
        case Qt::Key_Down:
            target = value_ - 1;
            break;
        case Qt::Key_Right:
        case Qt::Key_Up:
            target = value_ + 1;
            break;
        case Qt::Key_PageDown:
            target = value_ - page;
            break;
        case Qt::Key_PageUp:
            target = value_ + page;
            break;
        case Qt::Key_Home:
            target = minimum_;
            break;
        case Qt::Key_End:
            target = maximum_;
            break;
        default:
            MControl::keyPressEvent(event);
            return;
    }
    event->accept();
    if (IsPressed()) {
        return;
    }
    if (Move(static_cast<int>(std::clamp<long long>(target, minimum_, maximum_)))) {
        Notify(Event::Action, value_);
    }
}

LightSlider::LightSlider(MDialog& owner, QWidget* parent, int id) : MSlider(owner, parent, id) {
    SetRange(0, 255);
}

void LightSlider::PaintTrack(QPainter& painter, const QRectF& track, Visual visual) {
    qreal bar = std::clamp<qreal>(track.height() * 0.35, 4.0, 8.0);
    QRectF ramp(track.left(), track.center().y() - bar / 2.0, track.width(), bar);
    QColor high = visual == Visual::Disabled ? look::kTextDisabled : look::Accent();
    QLinearGradient gradient(ramp.topLeft(), ramp.topRight());
    gradient.setColorAt(0.0, QColor(0x0A, 0x0A, 0x0C));
    gradient.setColorAt(1.0, high);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(look::kBorder, 1.0));
    painter.setBrush(gradient);
    painter.drawRoundedRect(ramp, bar / 2.0, bar / 2.0);
    painter.restore();
}

}  // namespace veltra::ui
