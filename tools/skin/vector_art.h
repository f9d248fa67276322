#pragma once
// Flat vector pictures (the program icon, the logo): filled paths that are both rasterised and
// written out as SVG, so the PNG sizes and the scalable icon are one drawing.
#include <QByteArray>
#include <QColor>
#include <QGradientStops>
#include <QImage>
#include <QPainterPath>
#include <QSizeF>
#include <vector>

namespace veltra::skin {

struct VectorShape {
    QPainterPath path;
    QColor colour;         // used when `stops` is empty
    QGradientStops stops;  // a linear gradient from `from` to `to`
    QPointF from;
    QPointF to;
};

struct VectorArt {
    QSizeF view;  // the drawing's coordinate box, from 0,0
    std::vector<VectorShape> shapes;
};

QImage Rasterise(const VectorArt& art, QSize pixels);
QByteArray ToSvg(const VectorArt& art);

// The program icon drawn for `pixels` (small sizes get bolder cuts); 0 for the scalable drawing.
VectorArt AppIcon(const QColor& theme, int pixels);
// The notification icon with the mouse's battery: the program icon's tile and mark above a
// battery filled to `fill` (0..1) in `charge_colour`, with a bolt while `charging`.
VectorArt TrayBatteryIcon(const QColor& theme, int pixels, double fill, const QColor& charge_colour,
                          bool charging);
// The caption bar logo: the mark and the word "Veltra", 36 units high.
VectorArt Logo(const QColor& theme);

}  // namespace veltra::skin
