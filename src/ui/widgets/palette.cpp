#include "ui/widgets/palette.h"

#include <QKeyEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <algorithm>
#include <cmath>
#include <numbers>

#include "ui/widgets/manager.h"

namespace veltra::ui {
namespace {

QString Hex(std::uint32_t colour) {
    return FromColourValue(colour).name(QColor::HexRgb).toUpper();
}

}  // namespace

CirclePalette::CirclePalette(MDialog& owner, QWidget* parent, int id)
    : MControl(owner, parent, id) {
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::CrossCursor);
    RefreshAccessibleName();
    setAccessibleDescription(Hex(colour_));
}

QColor CirclePalette::WheelColour(qreal degrees, qreal saturation) {
    qreal hue = std::fmod(degrees, 360.0);
    if (hue < 0) {
        hue += 360.0;
    }
    return QColor::fromHsvF(static_cast<float>(hue / 360.0),
                            static_cast<float>(std::clamp<qreal>(saturation, 0.0, 1.0)), 1.0f)
        .toRgb();
}

QRectF CirclePalette::Wheel() const {
    // Room around the wheel for the handle and its focus ring at the rim.
    qreal side = std::min(width(), height());
    qreal margin = std::min<qreal>(10.0, side / 8.0);
    qreal diameter = std::max<qreal>(0.0, side - 2 * margin);
    return QRectF((width() - diameter) / 2.0, (height() - diameter) / 2.0, diameter, diameter);
}

QPointF CirclePalette::PointFor(qreal degrees, qreal saturation) const {
    QRectF wheel = Wheel();
    qreal radius = wheel.width() / 2.0 * std::clamp<qreal>(saturation, 0.0, 1.0);
    qreal angle = degrees * std::numbers::pi / 180.0;
    return wheel.center() + QPointF(std::cos(angle) * radius, -std::sin(angle) * radius);
}

void CirclePalette::SetColor(std::uint32_t colour) {
    colour_ = colour & 0xFFFFFFu;
    QColor c = FromColourValue(colour_);
    qreal hue = c.hsvHueF();
    hue_ = hue < 0 ? 0.0 : hue * 360.0;
    saturation_ = c.hsvSaturationF();
    setAccessibleDescription(Hex(colour_));
    update();
}

void CirclePalette::SetImage(const QString& file, int states) {
    face_ = QImage();
    MControl::SetImage(file, states);
}

QString CirclePalette::AccessibleText() const {
    return toolTip().isEmpty() ? QStringLiteral("Colour wheel") : QString();
}

const QImage& CirclePalette::Face() {
    qreal ratio = devicePixelRatioF();
    QSize pixels(static_cast<int>(std::ceil(width() * ratio)),
                 static_cast<int>(std::ceil(height() * ratio)));
    if (face_.size() == pixels && !face_.isNull()) {
        return face_;
    }
    face_ = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
    face_.setDevicePixelRatio(ratio);
    face_.fill(Qt::transparent);
    QRectF wheel = Wheel();
    if (!Image().Empty()) {
        QPainter painter(&face_);
        Image().Draw(painter, wheel, 0);
        return face_;
    }
    // The wheel is computed per pixel with the same function that picks, so what the user sees
    // under the handle is the colour reported.
    qreal radius = wheel.width() / 2.0;
    QPointF centre = wheel.center();
    for (int y = 0; y < pixels.height(); ++y) {
        for (int x = 0; x < pixels.width(); ++x) {
            qreal dx = (x + 0.5) / ratio - centre.x();
            qreal dy = (y + 0.5) / ratio - centre.y();
            qreal distance = std::hypot(dx, dy);
            qreal coverage = std::clamp<qreal>(radius - distance + 0.5, 0.0, 1.0);
            if (coverage <= 0.0 || radius <= 0.0) {
                continue;
            }
            qreal degrees = std::atan2(-dy, dx) * 180.0 / std::numbers::pi;
            QColor colour = WheelColour(degrees, distance / radius);
            colour.setAlphaF(static_cast<float>(coverage));
            face_.setPixelColor(x, y, colour);
        }
    }
    return face_;
}

void CirclePalette::PickAt(const QPointF& point) {
    QRectF wheel = Wheel();
    qreal radius = wheel.width() / 2.0;
    if (radius <= 0.0) {
        return;
    }
    QPointF offset = point - wheel.center();
    qreal distance = std::hypot(offset.x(), offset.y());
    if (distance > radius) {
        offset *= radius / distance;
        distance = radius;
    }
    qreal degrees = std::atan2(-offset.y(), offset.x()) * 180.0 / std::numbers::pi;
    hue_ = degrees < 0 ? degrees + 360.0 : degrees;
    saturation_ = distance / radius;
    QColor colour = WheelColour(hue_, saturation_);
    if (!Image().Empty()) {
        // The skin's wheel decides the colour; its transparent corners keep the computed one.
        const QImage& face = Face();
        QPointF at = (wheel.center() + offset) * face.devicePixelRatio();
        int x = std::clamp(static_cast<int>(at.x()), 0, face.width() - 1);
        int y = std::clamp(static_cast<int>(at.y()), 0, face.height() - 1);
        QColor sampled = face.pixelColor(x, y);
        if (sampled.alpha() >= 128) {
            sampled.setAlpha(255);
            colour = sampled;
        }
    }
    colour_ = ToColourValue(colour);
    setAccessibleDescription(Hex(colour_));
    update();
    Notify(Event::PalettePicked, static_cast<int>(colour_));
}

void CirclePalette::paintEvent(QPaintEvent* event) {
    (void)event;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QRectF wheel = Wheel();
    painter.drawImage(QPointF(0, 0), Face());
    if (Image().Empty()) {
        painter.setPen(QPen(QColor(0, 0, 0, 90), 1.0));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(wheel.adjusted(0.5, 0.5, -0.5, -0.5));
    }
    if (!isEnabled()) {
        QColor veil = look::kWindow;
        veil.setAlpha(150);
        painter.setPen(Qt::NoPen);
        painter.setBrush(veil);
        painter.drawEllipse(wheel);
    }
    qreal handle = std::clamp<qreal>(wheel.width() / 22.0, 4.0, 8.0);
    look::Handle(painter, PointFor(hue_, saturation_), handle,
                 isEnabled() ? FromColourValue(colour_) : look::kTextDisabled, hasFocus());
}

void CirclePalette::resizeEvent(QResizeEvent* event) {
    face_ = QImage();
    MControl::resizeEvent(event);
}

void CirclePalette::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        MControl::mousePressEvent(event);
        return;
    }
    dragging_ = true;
    event->accept();
    PickAt(event->position());
}

void CirclePalette::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging_ || !(event->buttons() & Qt::LeftButton)) {
        MControl::mouseMoveEvent(event);
        return;
    }
    event->accept();
    QPointF before = PointFor(hue_, saturation_);
    QRectF wheel = Wheel();
    QPointF offset = event->position() - wheel.center();
    qreal radius = wheel.width() / 2.0;
    qreal distance = std::hypot(offset.x(), offset.y());
    QPointF target = distance > radius && distance > 0
                         ? wheel.center() + offset * (radius / distance)
                         : event->position();
    if ((target - before).manhattanLength() >= 0.5) {
        PickAt(target);
    }
}

void CirclePalette::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && dragging_) {
        dragging_ = false;
        event->accept();
        return;
    }
    MControl::mouseReleaseEvent(event);
}

void CirclePalette::keyPressEvent(QKeyEvent* event) {
    QRectF wheel = Wheel();
    qreal step = std::max<qreal>(1.0, wheel.width() / 32.0);
    QPointF at = PointFor(hue_, saturation_);
    switch (event->key()) {
        case Qt::Key_Left:
            at.rx() -= step;
            break;
        case Qt::Key_Right:
            at.rx() += step;
            break;
        case Qt::Key_Up:
            at.ry() -= step;
            break;
        case Qt::Key_Down:
            at.ry() += step;
            break;
        case Qt::Key_Home:
            at = wheel.center();
            break;
        default:
            MControl::keyPressEvent(event);
            return;
    }
    event->accept();
    PickAt(at);
}

void CirclePalette::focusOutEvent(QFocusEvent* event) {
    dragging_ = false;
    MControl::focusOutEvent(event);
    update();
}

PaletteBar::PaletteBar(MDialog& owner, QWidget* parent, int id) : MControl(owner, parent, id) {
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
    RefreshAccessibleName();
    setAccessibleDescription(QString::number(hue_));
}

void PaletteBar::SetHue(int degrees) {
    hue_ = std::clamp(degrees, 0, 359);
    setAccessibleDescription(QString::number(hue_));
    update();
}

std::uint32_t PaletteBar::PaletteHSLToRGB(int lightness) const {
    qreal share = std::clamp(lightness, 0, 255) / 255.0;
    return ToColourValue(QColor::fromHslF(static_cast<float>(hue_ / 360.0), 1.0f,
                                          static_cast<float>(1.0 - share / 2.0))
                             .toRgb());
}

QString PaletteBar::AccessibleText() const {
    return toolTip().isEmpty() ? QStringLiteral("Hue") : QString();
}

qreal PaletteBar::HandleRadius() const {
    return std::clamp<qreal>(height() / 2.0 - 0.5, 3.0, 9.0);
}

QRectF PaletteBar::Track() const {
    // The handle stays inside the control at both ends, so the hues span the inner width.
    qreal radius = HandleRadius();
    qreal bar = std::min<qreal>(height(), 8.0);
    return QRectF(radius, (height() - bar) / 2.0, std::max<qreal>(1.0, width() - 2 * radius), bar);
}

int PaletteBar::HueAt(qreal x) const {
    QRectF track = Track();
    qreal share = (x - track.left()) / track.width();
    return std::clamp(static_cast<int>(std::lround(share * 359.0)), 0, 359);
}

void PaletteBar::MoveTo(int degrees) {
    degrees = std::clamp(degrees, 0, 359);
    if (degrees == hue_) {
        return;
    }
    SetHue(degrees);
    Notify(Event::Changing, hue_);
}

void PaletteBar::paintEvent(QPaintEvent* event) {
    (void)event;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QRectF track = Track();
    QLinearGradient hues(track.topLeft(), track.topRight());
    for (int stop = 0; stop <= 6; ++stop) {
        hues.setColorAt(stop / 6.0, CirclePalette::WheelColour(stop * 60.0, 1.0));
    }
    painter.setOpacity(isEnabled() ? 1.0 : 0.35);
    painter.setPen(Qt::NoPen);
    painter.setBrush(hues);
    painter.drawRoundedRect(track, track.height() / 2.0, track.height() / 2.0);
    painter.setOpacity(1.0);

    QPointF centre(track.left() + track.width() * hue_ / 359.0, height() / 2.0);
    QColor fill = isEnabled() ? CirclePalette::WheelColour(hue_, 1.0) : look::kTextDisabled;
    QSize natural = Image().FrameSize();
    if (natural.isEmpty()) {
        look::Handle(painter, centre, HandleRadius(), fill, hasFocus());
        return;
    }
    qreal scale = std::min<qreal>(1.0, height() / static_cast<qreal>(natural.height()));
    QSizeF size = QSizeF(natural) * scale;
    if (hasFocus()) {
        qreal ring = std::max(size.width(), size.height()) / 2.0 + 2.0;
        look::Panel(painter, QRectF(centre.x() - ring, centre.y() - ring, 2 * ring, 2 * ring),
                    look::Accent(Visual::Hover), ring);
    }
    Image().Draw(painter, QRectF(centre - QPointF(size.width(), size.height()) / 2.0, size),
                 isEnabled() ? 0 : 3);
}

void PaletteBar::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        MControl::mousePressEvent(event);
        return;
    }
    dragging_ = true;
    event->accept();
    MoveTo(HueAt(event->position().x()));
}

void PaletteBar::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging_ || !(event->buttons() & Qt::LeftButton)) {
        MControl::mouseMoveEvent(event);
        return;
    }
    event->accept();
    MoveTo(HueAt(event->position().x()));
}

void PaletteBar::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !dragging_) {
        MControl::mouseReleaseEvent(event);
        return;
    }
    dragging_ = false;
    event->accept();
    QPointer<PaletteBar> alive(this);
    MoveTo(HueAt(event->position().x()));
    if (alive) {
        Notify(Event::Action, hue_);
    }
}

void PaletteBar::keyPressEvent(QKeyEvent* event) {
    int target = hue_;
    switch (event->key()) {
        case Qt::Key_Left:
        case Qt::Key_Down:
            target -= 5;
            break;
        case Qt::Key_Right:
        case Qt::Key_Up:
            target += 5;
            break;
        case Qt::Key_PageDown:
            target -= 30;
            break;
        case Qt::Key_PageUp:
            target += 30;
            break;
        case Qt::Key_Home:
            target = 0;
            break;
        case Qt::Key_End:
            target = 359;
            break;
        default:
            MControl::keyPressEvent(event);
            return;
    }
    event->accept();
    if (std::clamp(target, 0, 359) != hue_) {
        key_moved_ = true;
        MoveTo(target);
    }
}

void PaletteBar::keyReleaseEvent(QKeyEvent* event) {
    // Held keys repeat presses; the hue counts as chosen when the key comes up.
    if (!event->isAutoRepeat() && key_moved_) {
        key_moved_ = false;
        event->accept();
        Notify(Event::Action, hue_);
        return;
    }
    MControl::keyReleaseEvent(event);
}

void PaletteBar::focusOutEvent(QFocusEvent* event) {
    MControl::focusOutEvent(event);
    update();
    if (key_moved_ || dragging_) {
        key_moved_ = false;
        dragging_ = false;
        Notify(Event::Action, hue_);
    }
}

}  // namespace veltra::ui
