#include "vector_art.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPathStroker>
#include <QPolygonF>
#include <QString>
#include <algorithm>
#include <cmath>

namespace veltra::skin {
namespace {

QColor Mix(const QColor& a, const QColor& b, double t) {
    return QColor::fromRgbF(static_cast<float>(a.redF() + (b.redF() - a.redF()) * t),
                            static_cast<float>(a.greenF() + (b.greenF() - a.greenF()) * t),
                            static_cast<float>(a.blueF() + (b.blueF() - a.blueF()) * t));
}

QPainterPath Stroke(const QPainterPath& centre_line, double width, Qt::PenJoinStyle join) {
    QPainterPathStroker stroker;
    stroker.setWidth(width);
    stroker.setCapStyle(Qt::RoundCap);
    stroker.setJoinStyle(join);
    return stroker.createStroke(centre_line);
}

QPainterPath Rounded(const QRectF& box, double radius) {
    QPainterPath path;
    path.addRoundedRect(box, radius, radius);
    return path;
}

// The mark: a mouse seen from above whose button seams form a V, in `box`. `cut` is the width
// of the seams; a `simple` mark, for a few pixels, has only the V cut.
void AddMouseMark(VectorArt& art, const QRectF& box, double cut, const QColor& theme, bool simple) {
    const double cx = box.center().x();
    const double top = box.top();
    const double w = box.width();
    const double h = box.height();
    QPainterPath body(QPointF(cx, top));
    body.cubicTo(cx + 0.56 * w, top, cx + w / 2, top + 0.2 * h, cx + w / 2, top + 0.44 * h);
    body.cubicTo(cx + w / 2, top + 0.80 * h, cx + 0.31 * w, top + h, cx, top + h);
    body.cubicTo(cx - 0.31 * w, top + h, cx - w / 2, top + 0.80 * h, cx - w / 2, top + 0.44 * h);
    body.cubicTo(cx - w / 2, top + 0.2 * h, cx - 0.56 * w, top, cx, top);
    body.closeSubpath();

    const QRectF wheel(cx - 0.055 * w, top + 0.13 * h, 0.11 * w, 0.2 * h);
    const QRectF slot = wheel.adjusted(-cut, -cut, cut, cut);
    QPainterPath seams;
    QPainterPath split(QPointF(cx, top - h));
    split.lineTo(cx, slot.center().y());
    QPainterPath v(QPointF(cx - w, top - 0.1 * h));
    v.lineTo(cx, top + 0.68 * h);
    v.lineTo(cx + w, top - 0.1 * h);
    seams = Stroke(v, cut, Qt::MiterJoin);
    if (!simple) {
        seams =
            seams.united(Stroke(split, cut, Qt::MiterJoin)).united(Rounded(slot, slot.width() / 2));
    }

    VectorShape shell{body.subtracted(seams), {}, {}, {cx, top}, {cx, top + h}};
    shell.stops = {{0, Mix(theme, QColor(Qt::white), 0.35)},
                   {0.55, theme},
                   {1, Mix(theme, QColor(Qt::black), 0.3)}};
    art.shapes.push_back(shell);
    art.shapes.push_back({Rounded(wheel, wheel.width() / 2), QColor(0xee, 0xf5, 0xff), {}, {}, {}});
}

}  // namespace

QImage Rasterise(const VectorArt& art, QSize pixels) {
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(pixels.width() / art.view.width(), pixels.height() / art.view.height());
    for (const VectorShape& shape : art.shapes) {
        if (shape.stops.isEmpty()) {
            painter.fillPath(shape.path, shape.colour);
        } else {
            QLinearGradient gradient(shape.from, shape.to);
            gradient.setStops(shape.stops);
            painter.fillPath(shape.path, gradient);
        }
    }
    return image;
}

QByteArray ToSvg(const VectorArt& art) {
    const auto number = [](double value) {
        QString text = QString::number(value, 'f', 2);
        while (text.endsWith(QLatin1Char('0'))) {
            text.chop(1);
        }
        if (text.endsWith(QLatin1Char('.'))) {
            text.chop(1);
        }
        return text == QLatin1String("-0") ? QStringLiteral("0") : text;
    };
    const auto point = [&number](const QPointF& p) { return number(p.x()) + ' ' + number(p.y()); };
    QString defs;
    QString body;
    int gradients = 0;
    for (const VectorShape& shape : art.shapes) {
        QString d;
        const QPainterPath& path = shape.path;
        for (int i = 0; i < path.elementCount(); ++i) {
            const QPainterPath::Element e = path.elementAt(i);
            if (e.isMoveTo()) {
                d += QStringLiteral("M") + point(e);
            } else if (e.isLineTo()) {
                d += QStringLiteral("L") + point(e);
            } else if (e.isCurveTo() && i + 2 < path.elementCount()) {
                d += QStringLiteral("C") + point(e) + ' ' + point(path.elementAt(i + 1)) + ' ' +
                     point(path.elementAt(i + 2));
                i += 2;
            }
        }
        QString fill;
        if (shape.stops.isEmpty()) {
            fill = QStringLiteral("fill=\"%1\"").arg(shape.colour.name(QColor::HexRgb));
            if (shape.colour.alpha() < 255) {
                fill += QStringLiteral(" fill-opacity=\"%1\"").arg(number(shape.colour.alphaF()));
            }
        } else {
            const QString id = QStringLiteral("g%1").arg(gradients++);
            defs += QStringLiteral(
                        "<linearGradient id=\"%1\" gradientUnits=\"userSpaceOnUse\" x1=\"%2\" "
                        "y1=\"%3\" x2=\"%4\" y2=\"%5\">")
                        .arg(id, number(shape.from.x()), number(shape.from.y()),
                             number(shape.to.x()), number(shape.to.y()));
            for (const auto& [offset, colour] : shape.stops) {
                defs += QStringLiteral("<stop offset=\"%1\" stop-color=\"%2\"/>")
                            .arg(number(offset), colour.name(QColor::HexRgb));
            }
            defs += QStringLiteral("</linearGradient>");
            fill = QStringLiteral("fill=\"url(#%1)\"").arg(id);
        }
        body += QStringLiteral("<path d=\"%1\" %2 fill-rule=\"%3\"/>\n")
                    .arg(d, fill,
                         path.fillRule() == Qt::WindingFill ? QStringLiteral("nonzero")
                                                            : QStringLiteral("evenodd"));
    }
    const QString w = number(art.view.width());
    const QString h = number(art.view.height());
    QString svg = QStringLiteral(
                      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%2\" "
                      "viewBox=\"0 0 %1 %2\">\n")
                      .arg(w, h);
    if (!defs.isEmpty()) {
        svg += QStringLiteral("<defs>") + defs + QStringLiteral("</defs>\n");
    }
    svg += body + QStringLiteral("</svg>\n");
    return svg.toUtf8();
}

VectorArt AppIcon(const QColor& theme, int pixels) {
    constexpr double kView = 256;
    VectorArt art{{kView, kView}, {}};
    // One device pixel in drawing units: the cuts must stay at least that wide to show.
    const double pixel = pixels > 0 ? kView / pixels : 0;
    const double inset = pixels > 0 && pixels <= 24 ? 4 : 16;
    const QRectF tile(inset, inset, kView - 2 * inset, kView - 2 * inset);
    const double radius = tile.width() * 0.23;
    VectorShape face{Rounded(tile, radius), {}, {}, tile.topLeft(), tile.bottomLeft()};
    face.stops = {{0, QColor(0x2e, 0x34, 0x3e)}, {1, QColor(0x12, 0x14, 0x18)}};
    art.shapes.push_back(face);
    if (pixels == 0 || pixels >= 48) {
        const QRectF inner = tile.adjusted(2, 2, -2, -2);
        art.shapes.push_back({Rounded(tile, radius).subtracted(Rounded(inner, radius - 2)),
                              QColor(255, 255, 255, 20),
                              {},
                              {},
                              {}});
    }
    const bool small = pixels > 0 && pixels <= 24;
    const double cut = std::max(9.0, 1.25 * pixel);
    const double mark_height = tile.height() * (small ? 0.84 : 0.74);
    const double mark_width = mark_height * 0.68;
    AddMouseMark(
        art,
        QRectF(kView / 2 - mark_width / 2, kView / 2 - mark_height / 2, mark_width, mark_height),
        cut, theme, small);
    return art;
}

VectorArt TrayBatteryIcon(const QColor& theme, int pixels, double fill, const QColor& charge_colour,
                          bool charging) {
    constexpr double kView = 256;
    VectorArt art{{kView, kView}, {}};
    const bool small = pixels > 0 && pixels <= 24;
    const double pixel = pixels > 0 ? kView / pixels : 0;
    const double inset = small ? 4 : 16;
    const QRectF tile(inset, inset, kView - 2 * inset, kView - 2 * inset);
    const double radius = tile.width() * 0.23;
    VectorShape face{Rounded(tile, radius), {}, {}, tile.topLeft(), tile.bottomLeft()};
    face.stops = {{0, QColor(0x2e, 0x34, 0x3e)}, {1, QColor(0x12, 0x14, 0x18)}};
    art.shapes.push_back(face);

    // The mark shrinks into the upper half; the battery takes the lower, as wide as the tile
    // allows, so that its fill still reads at the size of a notification area.
    const double mark_height = tile.height() * (small ? 0.48 : 0.46);
    const double mark_width = mark_height * 0.68;
    const double mark_top = tile.top() + tile.height() * (small ? 0.06 : 0.08);
    AddMouseMark(art, QRectF(kView / 2 - mark_width / 2, mark_top, mark_width, mark_height),
                 std::max(small ? 11.0 : 7.0, 1.25 * pixel), theme, true);

    const double line = std::max(small ? 14.0 : 10.0, 1.25 * pixel);
    const double tip = small ? 18 : 14;
    const double side = tile.width() * 0.1;
    const QRectF body(tile.left() + side, tile.top() + tile.height() * (small ? 0.6 : 0.6),
                      tile.width() - 2 * side - tip, tile.height() * (small ? 0.3 : 0.28));
    const double body_radius = body.height() * 0.22;
    const QColor outline(0xc9, 0xce, 0xd6);
    const std::size_t frame = art.shapes.size();
    art.shapes.push_back(
        {Rounded(body, body_radius)
             .subtracted(Rounded(body.adjusted(line, line, -line, -line), body_radius / 2)),
         outline,
         {},
         {},
         {}});
    const double tip_height = body.height() * 0.45;
    art.shapes.push_back(
        {Rounded(QRectF(body.right() - 1, body.center().y() - tip_height / 2, tip + 1, tip_height),
                 tip / 3),
         outline,
         {},
         {},
         {}});
    const double gap = small ? line * 0.7 : line * 0.8;
    const QRectF well = body.adjusted(line + gap, line + gap, -line - gap, -line - gap);
    QPainterPath charge = Rounded(
        QRectF(well.topLeft(), QSizeF(well.width() * std::clamp(fill, 0.08, 1.0), well.height())),
        std::min(well.height() / 4, body_radius / 2));
    if (!charging) {
        art.shapes.push_back({charge, charge_colour, {}, {}, {}});
        return art;
    }
    // A bolt across the battery, kept apart from the charge by a seam of the tile's colour.
    const double s = body.height() * 1.1;
    const QRectF box(body.center().x() - s / 2, body.center().y() - s / 2, s, s);
    const auto at = [&box, s](double x, double y) {
        return QPointF(box.left() + x * s, box.top() + y * s);
    };
    QPainterPath bolt;
    bolt.addPolygon(QPolygonF{at(0.62, 0.0), at(0.22, 0.58), at(0.47, 0.58), at(0.38, 1.0),
                              at(0.78, 0.42), at(0.53, 0.42), at(0.62, 0.0)});
    bolt.closeSubpath();
    const QPainterPath seam = Stroke(bolt, small ? 22.0 : 14.0, Qt::MiterJoin).united(bolt);
    art.shapes[frame].path = art.shapes[frame].path.subtracted(seam);
    art.shapes.push_back({charge.subtracted(seam), charge_colour, {}, {}, {}});
    art.shapes.push_back({bolt, QColor(0xff, 0xf4, 0xc2), {}, {}, {}});
    return art;
}

VectorArt Logo(const QColor& theme) {
    VectorArt art{{0, 36}, {}};
    AddMouseMark(art, QRectF(2, 2, 21.8, 32), 2.4, theme, false);

    // The word, as centre lines of an even stroke on a baseline at 28 (cap height 20, x-height
    // 14.5).
    constexpr double kBase = 28;
    constexpr double kX = 13.5;
    constexpr double kCap = 8;
    constexpr double kBowl = 7.2;
    QPainterPath word;
    double x = 33;
    // V
    word.moveTo(x, kCap);
    word.lineTo(x + 7.6, kBase);
    word.lineTo(x + 15.2, kCap);
    x += 15.2 + 5.2;
    // e
    const double mid = (kX + kBase) / 2;
    word.moveTo(x, mid);
    word.lineTo(x + 2 * kBowl, mid);
    word.arcTo(QRectF(x, mid - kBowl, 2 * kBowl, 2 * kBowl), 0, 305);
    x += 2 * kBowl + 5.2;
    // l
    word.moveTo(x, kCap - 1.5);
    word.lineTo(x, kBase);
    x += 6.4;
    // t
    word.moveTo(x + 1.6, kCap + 1);
    word.lineTo(x + 1.6, kBase - 3);
    word.quadTo(x + 1.6, kBase, x + 5, kBase);
    word.moveTo(x - 1.8, kX);
    word.lineTo(x + 5.8, kX);
    x += 5.8 + 5.4;
    // r
    word.moveTo(x, kX);
    word.lineTo(x, kBase);
    word.moveTo(x, mid + 1);
    word.cubicTo(x, kX + 1.5, x + 3, kX, x + 7.6, kX);
    x += 7.6 + 5;
    // a
    word.addEllipse(QRectF(x, mid - kBowl, 2 * kBowl, 2 * kBowl));
    word.moveTo(x + 2 * kBowl, kX);
    word.lineTo(x + 2 * kBowl, kBase);
    x += 2 * kBowl;

    QPainterPath letters = Stroke(word, 3.4, Qt::RoundJoin);
    letters.setFillRule(Qt::WindingFill);
    art.shapes.push_back({letters, QColor(0xf3, 0xf5, 0xf8), {}, {}, {}});
    art.view.setWidth(std::ceil(x + 3.4));
    return art;
}

}  // namespace veltra::skin
