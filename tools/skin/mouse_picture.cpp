#include "mouse_picture.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPathStroker>
#include <QPolygonF>
#include <QRadialGradient>
#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>

#include "raster.h"

namespace veltra::skin {
namespace {

// Language ids of the button names.
constexpr int kLeft = 140;
constexpr int kRight = 141;
constexpr int kWheel = 142;
constexpr int kBack = 143;
constexpr int kForward = 144;
constexpr int kDpi = 145;

// The buttons page: the picture control's left edge lies 160 pixels right of the button
// control's (window 1280 wide: picture at 1280 - 500, button control at 620), and the picture is
// centred vertically on the window's client height 780 plus 20, which is y 260 of the button
// control (at 150).
constexpr int kPictureLeft = 160;
constexpr int kPictureCentreY = 260;
// Room around the body for the shadow and the glow.
constexpr double kMargin = 18;

struct ShapeParams {
    double half_width;
    double length;
    double nose_to_wheel;
    // The right half of the outline from nose to tail: x in half widths, y in lengths.
    std::vector<QPointF> profile;
    double seam_side;    // the main buttons' rear seam at the flanks, in lengths from the nose
    double seam_centre;  // ... and on the centre line
    double slot_width;
    QSizeF wheel;
    QSizeF dpi;
    QSizeF side;
};

const ShapeParams& Params(BodyShape shape) {
    static const ShapeParams kWide{91,
                                   348,
                                   55,
                                   {{0, 0},
                                    {0.42, 0.008},
                                    {0.76, 0.045},
                                    {0.93, 0.12},
                                    {0.97, 0.24},
                                    {0.945, 0.40},
                                    {0.955, 0.54},
                                    {0.99, 0.68},
                                    {0.95, 0.83},
                                    {0.72, 0.955},
                                    {0, 1}},
                                   0.36,
                                   0.45,
                                   26,
                                   {15, 42},
                                   {12, 19},
                                   {10, 37}};
    static const ShapeParams kSlim{83,
                                   328,
                                   50,
                                   {{0, 0},
                                    {0.45, 0.01},
                                    {0.80, 0.055},
                                    {0.95, 0.16},
                                    {0.94, 0.32},
                                    {0.92, 0.45},
                                    {0.97, 0.62},
                                    {0.96, 0.78},
                                    {0.80, 0.92},
                                    {0.45, 0.99},
                                    {0, 1}},
                                   0.37,
                                   0.44,
                                   24,
                                   {14, 40},
                                   {11, 18},
                                   {10, 35}};
    return shape == BodyShape::Wide ? kWide : kSlim;
}

// A closed Catmull-Rom curve through the points.
QPainterPath SmoothClosed(const std::vector<QPointF>& p) {
    const std::size_t n = p.size();
    QPainterPath path(p[0]);
    for (std::size_t i = 0; i < n; ++i) {
        const QPointF& p0 = p[(i + n - 1) % n];
        const QPointF& p1 = p[i];
        const QPointF& p2 = p[(i + 1) % n];
        const QPointF& p3 = p[(i + 2) % n];
        path.cubicTo(p1 + (p2 - p0) / 6.0, p2 - (p3 - p1) / 6.0, p2);
    }
    path.closeSubpath();
    return path;
}

QPainterPath RoundedRect(const QPointF& centre, const QSizeF& size, double radius) {
    QPainterPath path;
    path.addRoundedRect(QRectF(centre - QPointF(size.width(), size.height()) / 2, size), radius,
                        radius);
    return path;
}

// Where the outline crosses the height y: the leftmost and the rightmost crossing.
std::optional<std::pair<double, double>> FlanksAt(const QPainterPath& outline, double y) {
    const QPolygonF polygon = outline.toFillPolygon();
    std::optional<std::pair<double, double>> flanks;
    for (qsizetype i = 0; i + 1 < polygon.size(); ++i) {
        const QPointF a = polygon[i];
        const QPointF b = polygon[i + 1];
        if ((a.y() - y) * (b.y() - y) > 0 || a.y() == b.y()) {
            continue;
        }
        const double x = a.x() + (b.x() - a.x()) * (y - a.y()) / (b.y() - a.y());
        if (!flanks) {
            flanks.emplace(x, x);
        }
        flanks->first = std::min(flanks->first, x);
        flanks->second = std::max(flanks->second, x);
    }
    return flanks;
}

// A side button lies along the flank at the height of its point, turned with the flank.
QPainterPath SideButton(const QPainterPath& body, const QPoint& point, const QSizeF& size,
                        QString& error) {
    const auto here = FlanksAt(body, point.y());
    const auto above = FlanksAt(body, point.y() - 6);
    const auto below = FlanksAt(body, point.y() + 6);
    if (!here || !above || !below) {
        error = QStringLiteral("a side button at height %1 is beside the body").arg(point.y());
        return {};
    }
    const bool left = std::abs(point.x() - here->first) < std::abs(point.x() - here->second);
    const double x = left ? here->first : here->second;
    const double dx = left ? below->first - above->first : below->second - above->second;
    // Centred on the flank: half the button shows from above.
    QTransform turn;
    turn.translate(x, point.y());
    turn.rotateRadians(-std::atan2(dx, 12.0));
    return turn.map(RoundedRect({0, 0}, size, size.width() / 2));
}

QColor Mix(const QColor& a, const QColor& b, double t) {
    return QColor::fromRgbF(static_cast<float>(a.redF() + (b.redF() - a.redF()) * t),
                            static_cast<float>(a.greenF() + (b.greenF() - a.greenF()) * t),
                            static_cast<float>(a.blueF() + (b.blueF() - a.blueF()) * t),
                            static_cast<float>(a.alphaF() + (b.alphaF() - a.alphaF()) * t));
}

QColor WithAlpha(QColor colour, double alpha) {
    colour.setAlphaF(static_cast<float>(alpha));
    return colour;
}

QPainterPath Stroke(const QPainterPath& path, double width) {
    QPainterPathStroker stroker;
    stroker.setWidth(width);
    stroker.setCapStyle(Qt::RoundCap);
    stroker.setJoinStyle(Qt::RoundJoin);
    return stroker.createStroke(path);
}

const QColor kShellLight(0x50, 0x56, 0x62);
const QColor kShellDark(0x1b, 0x1e, 0x23);
const QColor kSeam(0x0a, 0x0b, 0x0d);
const QColor kRecess(0x0f, 0x11, 0x14);

class Drawing {
  public:
    Drawing(const MouseLayout& layout, Finish finish, const QColor& theme, QSize pixels)
        : layout_(layout),
          finish_(finish),
          theme_(theme),
          scale_x_(static_cast<double>(pixels.width()) / layout.picture.width()),
          scale_(static_cast<double>(pixels.height()) / layout.picture.height()),
          image_(Canvas(pixels)) {}

    QImage Paint(bool mark_buttons) {
        Shadow();
        if (finish_ == Finish::Lit) {
            UnderGlow();
        }
        Body();
        Buttons();
        Slot();
        if (finish_ == Finish::Lit) {
            LightStrip();
        } else if (finish_ == Finish::Perforated) {
            Perforation();
        }
        Rim();
        for (const DrawnButton& button : layout_.buttons) {
            if (button.name_id == kBack || button.name_id == kForward) {
                SideButton(button.shape);
            }
        }
        if (mark_buttons) {
            MarkButtons();
        }
        return image_;
    }

  private:
    // A painter on `target` in the button control's coordinates.
    void Begin(QPainter& painter, QImage& target) const {
        painter.begin(&target);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(scale_x_, scale_);
        painter.translate(-layout_.picture.topLeft());
    }

    QPointF At(double across, double along) const {
        return {layout_.centre_x + across * Shape().half_width,
                layout_.nose_y + along * layout_.length};
    }
    const ShapeParams& Shape() const { return Params(layout_.shape); }

    void Shadow() {
        QImage layer = Canvas(image_.size());
        QPainter painter;
        Begin(painter, layer);
        painter.translate(0, 7);
        painter.fillPath(layout_.body, QColor(0, 0, 0, 170));
        painter.end();
        BoxBlur(layer, static_cast<int>(std::lround(7 * scale_)));
        QPainter(&image_).drawImage(0, 0, layer);
    }

    // The lit models shine on the desk around their rear.
    void UnderGlow() {
        QImage layer = Canvas(image_.size());
        QPainter painter;
        Begin(painter, layer);
        QLinearGradient fade(At(0, 0.35), At(0, 1.0));
        fade.setColorAt(0, WithAlpha(theme_, 0));
        fade.setColorAt(1, WithAlpha(theme_, 0.9));
        painter.fillPath(layout_.body.united(Stroke(layout_.body, 6)), fade);
        painter.end();
        BoxBlur(layer, static_cast<int>(std::lround(8 * scale_)));
        QPainter(&image_).drawImage(0, 0, layer);
    }

    void Body() {
        QPainter painter;
        Begin(painter, image_);
        QLinearGradient shell(At(-1, 0.1), At(1, 0.95));
        shell.setColorAt(0, kShellLight);
        shell.setColorAt(0.55, Mix(kShellLight, kShellDark, 0.6));
        shell.setColorAt(1, kShellDark);
        painter.fillPath(layout_.body, shell);
        // The hump of the palm catches the light.
        QRadialGradient hump(At(-0.15, 0.68), Shape().half_width * 0.95);
        hump.setColorAt(0, QColor(255, 255, 255, 34));
        hump.setColorAt(1, QColor(255, 255, 255, 0));
        painter.fillPath(layout_.body, hump);
    }

    void Buttons() {
        QPainter painter;
        Begin(painter, image_);
        QLinearGradient face(At(0, 0), At(0, Shape().seam_centre));
        face.setColorAt(0, Mix(kShellLight, QColor(Qt::white), 0.08));
        face.setColorAt(1, Mix(kShellLight, kShellDark, 0.45));
        QPen seam(kSeam, 1.6);
        seam.setJoinStyle(Qt::RoundJoin);
        for (const DrawnButton& button : layout_.buttons) {
            if (button.name_id == kLeft || button.name_id == kRight) {
                painter.fillPath(button.shape, face);
                painter.strokePath(button.shape, seam);
            }
        }
    }

    void Slot() {
        QPainter painter;
        Begin(painter, image_);
        painter.fillPath(layout_.slot, kRecess);
        painter.strokePath(layout_.slot, QPen(kSeam, 1.2));
        for (const DrawnButton& button : layout_.buttons) {
            if (button.name_id == kWheel) {
                Wheel(painter, button.shape);
            } else if (button.name_id == kDpi) {
                Dpi(painter, button.shape);
            }
        }
    }

    void Wheel(QPainter& painter, const QPainterPath& wheel) const {
        const QRectF box = wheel.boundingRect();
        if (finish_ == Finish::Lit) {
            painter.fillPath(Stroke(wheel, 5), WithAlpha(theme_, 0.35));
            painter.fillPath(Stroke(wheel, 2.4), theme_);
        }
        // A rubber tyre: dark at the sides, lit along the crown.
        QLinearGradient tyre(box.topLeft(), box.topRight());
        tyre.setColorAt(0, QColor(0x12, 0x13, 0x16));
        tyre.setColorAt(0.45, QColor(0x3a, 0x3e, 0x46));
        tyre.setColorAt(1, QColor(0x12, 0x13, 0x16));
        painter.fillPath(wheel, tyre);
        painter.save();
        painter.setClipPath(wheel);
        painter.setPen(QPen(QColor(0, 0, 0, 150), 1.1));
        for (double y = box.top() + 2.5; y < box.bottom(); y += 3.4) {
            painter.drawLine(QPointF(box.left(), y), QPointF(box.right(), y));
        }
        QLinearGradient round(box.topLeft(), box.bottomLeft());
        round.setColorAt(0, QColor(0, 0, 0, 150));
        round.setColorAt(0.5, QColor(0, 0, 0, 0));
        round.setColorAt(1, QColor(0, 0, 0, 150));
        painter.fillPath(wheel, round);
        painter.restore();
    }

    void Dpi(QPainter& painter, const QPainterPath& dpi) const {
        const QRectF box = dpi.boundingRect();
        QLinearGradient cap(box.topLeft(), box.bottomLeft());
        cap.setColorAt(0, QColor(0x5a, 0x60, 0x6c));
        cap.setColorAt(1, QColor(0x2a, 0x2e, 0x35));
        painter.fillPath(dpi, cap);
        painter.strokePath(dpi, QPen(kSeam, 1));
        // The level indicator.
        const QPointF led(box.center().x(), box.top() - 4.5);
        const QColor light = finish_ == Finish::Lit ? theme_ : QColor(0xd8, 0xdc, 0xe2);
        QRadialGradient glow(led, 4.5);
        glow.setColorAt(0, WithAlpha(light, 0.8));
        glow.setColorAt(1, WithAlpha(light, 0));
        painter.setPen(Qt::NoPen);
        painter.setBrush(glow);
        painter.drawEllipse(led, 4.5, 4.5);
        painter.setBrush(Mix(light, QColor(Qt::white), 0.3));
        painter.drawEllipse(led, 1.3, 1.3);
    }

    // A thin band of light inside the rear edge, fading in along the flanks, and the mark on the
    // palm.
    void LightStrip() {
        const QPainterPath band =
            layout_.body.intersected(Stroke(layout_.body, 19)).subtracted(Stroke(layout_.body, 15));
        QLinearGradient fade(At(0, 0.6), At(0, 0.8));
        fade.setColorAt(0, WithAlpha(theme_, 0));
        fade.setColorAt(1, Mix(theme_, QColor(Qt::white), 0.2));
        const QPainterPath mark = Chevron();
        QImage glow = Canvas(image_.size());
        QPainter painter;
        Begin(painter, glow);
        painter.fillPath(Stroke(band, 3), fade);
        painter.fillPath(Stroke(mark, 3), theme_);
        painter.end();
        BoxBlur(glow, static_cast<int>(std::lround(3 * scale_)));
        Begin(painter, image_);
        painter.save();
        painter.resetTransform();
        painter.drawImage(0, 0, glow);
        painter.restore();
        painter.fillPath(band, fade);
        painter.fillPath(mark, Mix(theme_, QColor(Qt::white), 0.15));
    }

    // The brand's chevron on the palm.
    QPainterPath Chevron() const {
        QPainterPath v(At(-0.16, 0.68));
        v.lineTo(At(0, 0.735));
        v.lineTo(At(0.16, 0.68));
        QPainterPathStroker stroker;
        stroker.setWidth(3);
        stroker.setCapStyle(Qt::RoundCap);
        stroker.setJoinStyle(Qt::MiterJoin);
        return stroker.createStroke(v);
    }

    // Honeycomb holes over the palm, clear of the edge and the seam; the holes shrink where the
    // field ends.
    void Perforation() {
        QPainter painter;
        Begin(painter, image_);
        const QPainterPath field = layout_.body.subtracted(Stroke(layout_.body, 24))
                                       .subtracted(Stroke(layout_.front, 30))
                                       .subtracted(layout_.front);
        constexpr double kPitch = 8.4;
        constexpr double kRadius = 2.9;
        const QRectF box = field.boundingRect();
        const double first_x =
            layout_.centre_x - std::ceil((layout_.centre_x - box.left()) / kPitch) * kPitch;
        int row = 0;
        for (double y = box.top(); y <= box.bottom(); y += kPitch * 0.866, ++row) {
            for (double x = first_x + (row % 2) * kPitch / 2; x <= box.right(); x += kPitch) {
                const QPointF centre(x, y);
                for (const double radius : {kRadius, kRadius * 0.72, kRadius * 0.48}) {
                    if (field.contains(QRectF(centre - QPointF(radius, radius),
                                              QSizeF(2 * radius, 2 * radius)))) {
                        Hole(painter, centre, radius);
                        break;
                    }
                }
            }
        }
    }

    static void Hole(QPainter& painter, const QPointF& centre, double radius) {
        QPainterPath hole;
        for (int k = 0; k < 6; ++k) {
            const double angle = std::numbers::pi / 3 * k + std::numbers::pi / 6;
            const QPointF corner = centre + QPointF(std::cos(angle), std::sin(angle)) * radius;
            if (k == 0) {
                hole.moveTo(corner);
            } else {
                hole.lineTo(corner);
            }
        }
        hole.closeSubpath();
        painter.fillPath(hole.translated(0, 0.6), QColor(255, 255, 255, 28));
        painter.fillPath(hole, QColor(0x07, 0x08, 0x09));
    }

    void Rim() {
        QPainter painter;
        Begin(painter, image_);
        QLinearGradient light(At(0, 0), At(0, 1));
        light.setColorAt(0, QColor(0x9a, 0xa2, 0xb0, 200));
        light.setColorAt(0.6, QColor(0x6a, 0x72, 0x80, 110));
        light.setColorAt(1, QColor(0x6a, 0x72, 0x80, 40));
        painter.setClipPath(layout_.body);
        painter.strokePath(layout_.body, QPen(QBrush(light), 2.2));
    }

    void SideButton(const QPainterPath& side) {
        QPainter painter;
        Begin(painter, image_);
        const QRectF box = side.boundingRect();
        QLinearGradient cap(box.topLeft(), box.bottomRight());
        cap.setColorAt(0, QColor(0x62, 0x69, 0x75));
        cap.setColorAt(1, QColor(0x26, 0x29, 0x2f));
        painter.fillPath(side, cap);
        painter.strokePath(side, QPen(kSeam, 1.2));
    }

    void MarkButtons() {
        QPainter painter;
        Begin(painter, image_);
        for (const DrawnButton& button : layout_.buttons) {
            painter.fillPath(button.shape, WithAlpha(theme_, 0.28));
            painter.strokePath(button.shape, QPen(theme_, 1.6));
        }
    }

    const MouseLayout& layout_;
    Finish finish_;
    QColor theme_;
    double scale_x_;
    double scale_;  // vertical; blurs use it
    QImage image_;
};

}  // namespace

bool LayoutMouse(const std::vector<ButtonSpot>& spots, BodyShape shape, MouseLayout& layout,
                 QString& error) {
    const ShapeParams& p = Params(shape);
    const auto find = [&spots](int name) -> const ButtonSpot* {
        const auto it = std::find_if(spots.begin(), spots.end(),
                                     [name](const ButtonSpot& s) { return s.name_id == name; });
        return it == spots.end() ? nullptr : &*it;
    };
    const ButtonSpot* wheel = find(kWheel);
    if (wheel == nullptr) {
        error = QStringLiteral("the wheel (name %1) places the body and is missing").arg(kWheel);
        return false;
    }
    layout = MouseLayout{};
    layout.shape = shape;
    layout.centre_x = wheel->point.x();
    layout.nose_y = wheel->point.y() - p.nose_to_wheel;
    layout.length = p.length;
    const auto at = [&](double across, double along) {
        return QPointF(layout.centre_x + across * p.half_width, layout.nose_y + along * p.length);
    };

    std::vector<QPointF> outline;
    for (const QPointF& q : p.profile) {
        outline.push_back(at(q.x(), q.y()));
    }
    for (auto it = p.profile.rbegin() + 1; it + 1 != p.profile.rend(); ++it) {
        outline.push_back(at(-it->x(), it->y()));
    }
    layout.body = SmoothClosed(outline);

    // The rear seam of the main buttons sags towards the middle.
    const QPointF seam_left = at(-1.4, p.seam_side);
    const QPointF seam_right = at(1.4, p.seam_side);
    const double sag = 2 * (layout.nose_y + p.seam_centre * p.length) - seam_left.y();
    QPainterPath front(at(-1.4, -0.1));
    front.lineTo(at(1.4, -0.1));
    front.lineTo(seam_right);
    front.quadTo(QPointF(layout.centre_x, sag), seam_left);
    front.closeSubpath();
    layout.front = layout.body.intersected(front);

    const ButtonSpot* dpi = find(kDpi);
    const double slot_top = wheel->point.y() - p.wheel.height() / 2 - 6;
    const double slot_bottom = (dpi != nullptr ? dpi->point.y() + p.dpi.height() / 2
                                               : wheel->point.y() + p.wheel.height() / 2) +
                               6;
    layout.slot.addRoundedRect(
        QRectF(layout.centre_x - p.slot_width / 2, slot_top, p.slot_width, slot_bottom - slot_top),
        p.slot_width / 2, p.slot_width / 2);

    for (const ButtonSpot& spot : spots) {
        DrawnButton button{spot.name_id, {}};
        QPainterPath half;
        switch (spot.name_id) {
            case kLeft:
            case kRight:
                half.addRect(
                    spot.name_id == kLeft
                        ? QRectF(at(-1.5, -0.1), QPointF(layout.centre_x - 1, sag))
                        : QRectF(QPointF(layout.centre_x + 1, at(0, -0.1).y()), at(1.5, 0.6)));
                button.shape = layout.front.intersected(half).subtracted(layout.slot);
                break;
            case kWheel:
                button.shape = RoundedRect(spot.point, p.wheel, p.wheel.width() / 2);
                break;
            case kDpi:
                button.shape = RoundedRect(spot.point, p.dpi, 3.5);
                break;
            case kBack:
            case kForward:
                button.shape = SideButton(layout.body, spot.point, p.side, error);
                if (button.shape.isEmpty()) {
                    return false;
                }
                break;
            default:
                error = QStringLiteral("no drawing for the button named %1").arg(spot.name_id);
                return false;
        }
        // The leader line starts on the point: a few pixels round it must be the button.
        if (!button.shape.contains(QRectF(spot.point - QPoint(3, 3), QSizeF(6, 6)))) {
            const QPointF centre = button.shape.boundingRect().center();
            error = QStringLiteral(
                        "the point %1,%2 of the button named %3 is not on it (drawn round %4,%5)")
                        .arg(spot.point.x())
                        .arg(spot.point.y())
                        .arg(spot.name_id)
                        .arg(std::lround(centre.x()))
                        .arg(std::lround(centre.y()));
            return false;
        }
        layout.buttons.push_back(button);
    }

    QRectF all = layout.body.boundingRect();
    for (const DrawnButton& button : layout.buttons) {
        all = all.united(button.shape.boundingRect());
    }
    all.adjust(-kMargin, -kMargin, kMargin, kMargin + 7);
    if (all.left() < kPictureLeft) {
        error = QStringLiteral("the body reaches left of x %1, where the picture begins")
                    .arg(kPictureLeft + kMargin);
        return false;
    }
    const int half_height = static_cast<int>(
        std::ceil(std::max(kPictureCentreY - all.top(), all.bottom() - kPictureCentreY)));
    layout.picture =
        QRect(kPictureLeft, kPictureCentreY - half_height,
              static_cast<int>(std::ceil(all.right())) - kPictureLeft, 2 * half_height);
    return true;
}

QImage RenderMouse(const MouseLayout& layout, Finish finish, const QColor& theme, QSize pixels,
                   bool mark_buttons) {
    return Drawing(layout, finish, theme, pixels).Paint(mark_buttons);
}

}  // namespace veltra::skin
