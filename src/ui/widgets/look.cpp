#include "ui/widgets/look.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>

#include "ui/widgets/manager.h"

namespace veltra::ui::look {

QColor Accent(Visual visual) {
    QColor accent = Manager::SelectColor();
    accent.setAlpha(255);
    switch (visual) {
        case Visual::Hover:
            return accent.lighter(120);
        case Visual::Pressed:
            return accent.darker(130);
        case Visual::Disabled:
            return kTextDisabled;
        case Visual::Normal:
            break;
    }
    return accent;
}

void Panel(QPainter& p, const QRectF& r, const QColor& fill, qreal radius) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawRoundedRect(r, radius, radius);
    p.restore();
}

void ButtonFace(QPainter& p, const QRectF& r, Visual visual, bool emphasised) {
    QColor fill = kField;
    QColor edge = kBorder;
    switch (visual) {
        case Visual::Hover:
            fill = emphasised ? Accent(Visual::Hover) : kFieldHover;
            edge = Accent();
            break;
        case Visual::Pressed:
            fill = Accent(Visual::Pressed);
            edge = fill;
            break;
        case Visual::Disabled:
            fill = kPanel;
            edge = kPanel.lighter(130);
            break;
        case Visual::Normal:
            fill = emphasised ? Accent() : kField;
            edge = emphasised ? Accent() : kBorder;
            break;
    }
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(edge, 1.0));
    p.setBrush(fill);
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), kRadius, kRadius);
    p.restore();
}

void FieldFace(QPainter& p, const QRectF& r, Visual visual, bool focused) {
    QColor fill = visual == Visual::Hover ? kFieldHover : kField;
    QColor edge = focused ? Accent() : (visual == Visual::Hover ? kBorder.lighter(130) : kBorder);
    if (visual == Visual::Disabled) {
        fill = kPanel;
        edge = kPanel.lighter(130);
    }
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(edge, focused ? 1.5 : 1.0));
    p.setBrush(fill);
    p.drawRoundedRect(r.adjusted(0.75, 0.75, -0.75, -0.75), 4.0, 4.0);
    p.restore();
}

void FocusRing(QPainter& p, const QRectF& r, qreal radius) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    QColor ring = Accent(Visual::Hover);
    p.setPen(QPen(ring, 2.0));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(r.adjusted(1, 1, -1, -1), radius, radius);
    p.restore();
}

void CheckMark(QPainter& p, const QRectF& box, Visual visual, bool checked, bool round) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    bool lit = checked || visual == Visual::Hover || visual == Visual::Pressed;
    QColor edge = visual == Visual::Disabled ? kTextDisabled : lit ? Accent(visual) : kTextDim;
    QColor fill = checked && visual != Visual::Disabled ? Accent(visual) : kField;
    p.setPen(QPen(edge, 1.5));
    p.setBrush(round ? kField : fill);
    QRectF inner = box.adjusted(0.75, 0.75, -0.75, -0.75);
    if (round) {
        p.drawEllipse(inner);
        if (checked) {
            p.setPen(Qt::NoPen);
            p.setBrush(visual == Visual::Disabled ? kTextDisabled : Accent(visual));
            qreal inset = box.width() * 0.27;
            p.drawEllipse(box.adjusted(inset, inset, -inset, -inset));
        }
    } else {
        p.drawRoundedRect(inner, 3.0, 3.0);
        if (checked) {
            QPen tick(visual == Visual::Disabled ? kTextDim : kText, box.width() * 0.13);
            tick.setCapStyle(Qt::RoundCap);
            tick.setJoinStyle(Qt::RoundJoin);
            p.setPen(tick);
            QPainterPath path;
            path.moveTo(box.left() + box.width() * 0.25, box.top() + box.height() * 0.52);
            path.lineTo(box.left() + box.width() * 0.43, box.top() + box.height() * 0.70);
            path.lineTo(box.left() + box.width() * 0.76, box.top() + box.height() * 0.32);
            p.setBrush(Qt::NoBrush);
            p.drawPath(path);
        }
    }
    p.restore();
}

QColor TextColour(Visual visual, const QColor& normal) {
    return visual == Visual::Disabled ? kTextDisabled : normal;
}

void Glyph(QPainter& p, const QRectF& r, const QString& name, const QColor& colour) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    qreal s = std::min(r.width(), r.height());
    QRectF g(r.center().x() - s / 2, r.center().y() - s / 2, s, s);
    QPen pen(colour, std::max<qreal>(1.5, s / 12.0));
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    auto at = [&](qreal x, qreal y) { return QPointF(g.left() + x * s, g.top() + y * s); };
    if (name == QLatin1String("close")) {
        p.drawLine(at(0.32, 0.32), at(0.68, 0.68));
        p.drawLine(at(0.68, 0.32), at(0.32, 0.68));
    } else if (name == QLatin1String("minimise")) {
        p.drawLine(at(0.30, 0.55), at(0.70, 0.55));
    } else if (name == QLatin1String("maximise")) {
        p.drawRect(QRectF(at(0.32, 0.32), at(0.68, 0.68)));
    } else if (name == QLatin1String("settings")) {
        p.drawEllipse(at(0.5, 0.5), s * 0.11, s * 0.11);
        for (int i = 0; i < 8; ++i) {
            p.save();
            p.translate(at(0.5, 0.5));
            p.rotate(i * 45.0);
            p.drawLine(QPointF(0, -s * 0.19), QPointF(0, -s * 0.28));
            p.restore();
        }
        p.drawEllipse(at(0.5, 0.5), s * 0.2, s * 0.2);
    } else if (name == QLatin1String("return")) {
        p.drawLine(at(0.25, 0.5), at(0.75, 0.5));
        p.drawLine(at(0.25, 0.5), at(0.42, 0.33));
        p.drawLine(at(0.25, 0.5), at(0.42, 0.67));
    } else if (name == QLatin1String("reset")) {
        p.drawArc(QRectF(at(0.2, 0.2), at(0.8, 0.8)), 60 * 16, 280 * 16);
        p.drawLine(at(0.62, 0.16), at(0.66, 0.26));
        p.drawLine(at(0.66, 0.26), at(0.55, 0.30));
    } else if (name == QLatin1String("help")) {
        p.drawEllipse(QRectF(at(0.08, 0.08), at(0.92, 0.92)));
        QFont font = Manager::UiFont(static_cast<int>(s * 0.62), 700);
        p.setFont(font);
        p.drawText(g, Qt::AlignCenter, QStringLiteral("?"));
    } else if (name == QLatin1String("more")) {
        p.setBrush(colour);
        for (qreal x : {0.3, 0.5, 0.7}) {
            p.drawEllipse(at(x, 0.5), s * 0.04, s * 0.04);
        }
    } else if (name == QLatin1String("up") || name == QLatin1String("down") ||
               name == QLatin1String("arrow-down")) {
        bool up = name == QLatin1String("up");
        qreal y0 = up ? 0.6 : 0.4;
        qreal y1 = up ? 0.4 : 0.6;
        p.drawLine(at(0.32, y0), at(0.5, y1));
        p.drawLine(at(0.5, y1), at(0.68, y0));
    } else if (name == QLatin1String("record")) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0xE5, 0x48, 0x4D));
        p.drawEllipse(at(0.5, 0.5), s * 0.22, s * 0.22);
    } else if (name == QLatin1String("stop")) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0xE5, 0x48, 0x4D));
        p.drawRoundedRect(QRectF(at(0.31, 0.31), at(0.69, 0.69)), s * 0.05, s * 0.05);
    }
    p.restore();
}

void SliderTrack(QPainter& p, const QRectF& r, qreal share, Visual visual) {
    qreal bar = std::clamp<qreal>(r.height() * 0.3, 3.0, 6.0);
    QRectF groove(r.left(), r.center().y() - bar / 2.0, r.width(), bar);
    Panel(p, groove, visual == Visual::Disabled ? kPanel.lighter(130) : kBorder, bar / 2.0);
    share = std::clamp<qreal>(share, 0.0, 1.0);
    if (share > 0.0) {
        QRectF done = groove;
        done.setWidth(std::max(bar, groove.width() * share));
        Panel(p, done, visual == Visual::Disabled ? kTextDisabled : Accent(), bar / 2.0);
    }
}

void SliderThumb(QPainter& p, const QRectF& r, Visual visual, bool focused) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    qreal d = std::min(r.width(), r.height());
    QRectF knob(r.center().x() - d / 2.0, r.center().y() - d / 2.0, d, d);
    if (focused) {
        QColor halo = Accent(Visual::Hover);
        halo.setAlpha(90);
        p.setPen(Qt::NoPen);
        p.setBrush(halo);
        p.drawEllipse(knob);
    }
    qreal inset = focused ? d * 0.18 : d * 0.08;
    QRectF core = knob.adjusted(inset, inset, -inset, -inset);
    QColor fill = visual == Visual::Disabled  ? kTextDisabled
                  : visual == Visual::Pressed ? QColor(0xE6, 0xE6, 0xE6)
                                              : kText;
    QColor edge = visual == Visual::Disabled ? kPanel.lighter(130) : Accent(visual);
    p.setPen(QPen(edge, std::max<qreal>(1.5, d * 0.12)));
    p.setBrush(fill);
    p.drawEllipse(core);
    p.restore();
}

}  // namespace veltra::ui::look

namespace veltra::ui::look {

void ListRow(QPainter& p, const QRectF& r, bool selected, bool hovered, bool enabled) {
    if (selected) {
        QColor wash = enabled ? Accent() : kTextDisabled;
        wash.setAlpha(enabled ? 90 : 70);
        Panel(p, r, wash, 4.0);
        p.save();
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(enabled ? Accent() : kTextDisabled);
        p.drawRoundedRect(QRectF(r.left(), r.top() + 6, 3, r.height() - 12), 1.5, 1.5);
        p.restore();
    } else if (hovered && enabled) {
        Panel(p, r, QColor(255, 255, 255, 18), 4.0);
    }
}

void ScrollBar(QPainter& p, const QRectF& track, const QRectF& thumb, bool active) {
    qreal radius = track.width() / 2.0;
    Panel(p, track, QColor(255, 255, 255, active ? 22 : 10), radius);
    Panel(p, thumb, active ? kTextDim : kBorder.lighter(125), radius);
}

void Handle(QPainter& p, const QPointF& centre, qreal radius, const QColor& fill, bool focused) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    if (focused) {
        p.setPen(Qt::NoPen);
        p.setBrush(Accent(Visual::Hover));
        p.drawEllipse(centre, radius + 3.0, radius + 3.0);
    }
    p.setPen(QPen(QColor(0, 0, 0, 120), 1.0));
    p.setBrush(kText);
    p.drawEllipse(centre, radius, radius);
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    qreal inner = std::max<qreal>(1.0, radius - 2.5);
    p.drawEllipse(centre, inner, inner);
    p.restore();
}

void StepGlyph(QPainter& p, const QRectF& r, const QString& name, const QColor& colour) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    qreal s = std::min(r.width(), r.height());
    QRectF g(r.center().x() - s / 2, r.center().y() - s / 2, s, s);
    QPen pen(colour, std::max<qreal>(1.3, s / 13.0));
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    auto at = [&](qreal x, qreal y) { return QPointF(g.left() + x * s, g.top() + y * s); };
    // A small vertical arrow beside the key or the mouse tells press from release.
    auto arrow = [&](bool down) {
        qreal tip = down ? 0.74 : 0.26;
        qreal tail = down ? 0.30 : 0.70;
        qreal wing = down ? -0.14 : 0.14;
        p.drawLine(at(0.80, tail), at(0.80, tip));
        p.drawLine(at(0.80, tip), at(0.68, tip + wing));
        p.drawLine(at(0.80, tip), at(0.92, tip + wing));
    };
    auto mouse = [&](bool pressed) {
        QRectF body(at(0.12, 0.14), at(0.56, 0.86));
        p.drawRoundedRect(body, s * 0.2, s * 0.2);
        p.drawLine(at(0.34, 0.14), at(0.34, 0.42));
        p.drawLine(at(0.12, 0.42), at(0.56, 0.42));
        if (pressed) {
            p.save();
            p.setClipRect(QRectF(at(0.12, 0.14), at(0.34, 0.42)));
            QPainterPath shape;
            shape.addRoundedRect(body, s * 0.2, s * 0.2);
            p.fillPath(shape, colour);
            p.restore();
        }
    };
    if (name == QLatin1String("delay")) {
        p.drawEllipse(at(0.5, 0.5), s * 0.36, s * 0.36);
        p.drawLine(at(0.5, 0.5), at(0.5, 0.28));
        p.drawLine(at(0.5, 0.5), at(0.66, 0.58));
    } else if (name == QLatin1String("key-down") || name == QLatin1String("key-up")) {
        p.drawRoundedRect(QRectF(at(0.04, 0.2), at(0.6, 0.8)), s * 0.1, s * 0.1);
        p.drawRoundedRect(QRectF(at(0.16, 0.3), at(0.48, 0.58)), s * 0.05, s * 0.05);
        arrow(name == QLatin1String("key-down"));
    } else if (name == QLatin1String("mouse-down") || name == QLatin1String("mouse-up")) {
        mouse(name == QLatin1String("mouse-down"));
        arrow(name == QLatin1String("mouse-down"));
    } else if (name == QLatin1String("scroll-up") || name == QLatin1String("scroll-down")) {
        mouse(false);
        p.save();
        p.setPen(QPen(colour, pen.widthF() * 1.6, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(at(0.34, 0.24), at(0.34, 0.32));
        p.restore();
        arrow(name == QLatin1String("scroll-down"));
    } else if (name == QLatin1String("move")) {
        p.drawLine(at(0.5, 0.14), at(0.5, 0.86));
        p.drawLine(at(0.14, 0.5), at(0.86, 0.5));
        const qreal w = 0.12;
        p.drawLine(at(0.5, 0.14), at(0.5 - w, 0.14 + w));
        p.drawLine(at(0.5, 0.14), at(0.5 + w, 0.14 + w));
        p.drawLine(at(0.5, 0.86), at(0.5 - w, 0.86 - w));
        p.drawLine(at(0.5, 0.86), at(0.5 + w, 0.86 - w));
        p.drawLine(at(0.14, 0.5), at(0.14 + w, 0.5 - w));
        p.drawLine(at(0.14, 0.5), at(0.14 + w, 0.5 + w));
        p.drawLine(at(0.86, 0.5), at(0.86 - w, 0.5 - w));
        p.drawLine(at(0.86, 0.5), at(0.86 - w, 0.5 + w));
    }
    p.restore();
}

QColor BatteryColour(int level, bool charging) {
    if (charging || level >= 30) {
        return QColor(0x3D, 0xC4, 0x6B);
    }
    return level >= 15 ? QColor(0xF2, 0xA9, 0x3B) : QColor(0xE5, 0x48, 0x4D);
}

void Battery(QPainter& p, const QRectF& r, int level, bool charging) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    qreal tip = std::max<qreal>(2.0, r.width() * 0.07);
    QRectF body(r.left() + 0.75, r.top() + 0.75, r.width() - tip - 2.0, r.height() - 1.5);
    qreal radius = std::min<qreal>(4.0, body.height() / 4.0);
    p.setPen(QPen(kTextDim.lighter(140), 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(body, radius, radius);
    p.setPen(Qt::NoPen);
    p.setBrush(kTextDim.lighter(140));
    qreal tip_height = body.height() * 0.42;
    p.drawRoundedRect(
        QRectF(body.right() + 0.75, body.center().y() - tip_height / 2, tip - 0.5, tip_height), 1.0,
        1.0);
    if (level >= 0) {
        qreal inset = std::max<qreal>(2.0, body.height() * 0.14);
        QRectF inner = body.adjusted(inset, inset, -inset, -inset);
        qreal share = std::clamp(level, 0, 100) / 100.0;
        if (share > 0.0) {
            inner.setWidth(std::max<qreal>(1.5, inner.width() * share));
            p.setBrush(BatteryColour(level, charging));
            p.drawRoundedRect(inner, radius / 2, radius / 2);
        }
    }
    if (charging) {
        qreal s = body.height() * 1.05;
        QRectF bolt(body.center().x() - s / 2, body.center().y() - s / 2, s, s);
        auto at = [&](qreal x, qreal y) {
            return QPointF(bolt.left() + x * s, bolt.top() + y * s);
        };
        QPolygonF shape{at(0.60, 0.04), at(0.24, 0.56), at(0.47, 0.56), at(0.40, 0.96),
                        at(0.76, 0.42), at(0.53, 0.42), at(0.60, 0.04)};
        p.setPen(QPen(kWindow, 1.2));
        p.setBrush(kText);
        p.drawPolygon(shape);
    }
    p.restore();
}

void IconGlyph(QPainter& p, const QRectF& r, const QString& name, const QColor& colour) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    qreal s = std::min(r.width(), r.height());
    QRectF g(r.center().x() - s / 2, r.center().y() - s / 2, s, s);
    QPen pen(colour, std::max<qreal>(1.5, s / 13.0));
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    auto at = [&](qreal x, qreal y) { return QPointF(g.left() + x * s, g.top() + y * s); };
    auto box = [&](qreal x0, qreal y0, qreal x1, qreal y1) {
        return QRectF(at(x0, y0), at(x1, y1));
    };
    if (name == QLatin1String("home")) {
        p.drawPolyline(QPolygonF{at(0.16, 0.50), at(0.50, 0.18), at(0.84, 0.50)});
        p.drawPolyline(QPolygonF{at(0.26, 0.42), at(0.26, 0.82), at(0.74, 0.82), at(0.74, 0.42)});
        p.drawRect(box(0.43, 0.60, 0.57, 0.82));
    } else if (name == QLatin1String("mouse")) {
        p.drawRoundedRect(box(0.28, 0.12, 0.72, 0.88), s * 0.2, s * 0.2);
        p.drawLine(at(0.50, 0.12), at(0.50, 0.40));
        p.drawLine(at(0.28, 0.40), at(0.72, 0.40));
    } else if (name == QLatin1String("dpi")) {
        p.drawArc(box(0.14, 0.24, 0.86, 0.96), 0, 180 * 16);
        p.drawLine(at(0.14, 0.60), at(0.86, 0.60));
        p.drawLine(at(0.50, 0.60), at(0.68, 0.38));
        p.setBrush(colour);
        p.drawEllipse(at(0.50, 0.60), s * 0.05, s * 0.05);
    } else if (name == QLatin1String("light")) {
        p.drawEllipse(at(0.50, 0.42), s * 0.22, s * 0.22);
        p.drawLine(at(0.40, 0.64), at(0.40, 0.72));
        p.drawLine(at(0.60, 0.64), at(0.60, 0.72));
        p.drawLine(at(0.40, 0.72), at(0.60, 0.72));
        p.drawLine(at(0.44, 0.84), at(0.56, 0.84));
    } else if (name == QLatin1String("performance")) {
        const qreal knobs[3][2] = {{0.30, 0.36}, {0.50, 0.66}, {0.70, 0.46}};
        for (const auto& knob : knobs) {
            p.setBrush(Qt::NoBrush);
            p.drawLine(at(0.16, knob[0]), at(0.84, knob[0]));
            p.setBrush(colour);
            p.drawEllipse(at(knob[1], knob[0]), s * 0.07, s * 0.07);
        }
    } else if (name == QLatin1String("cable")) {
        p.drawRect(box(0.40, 0.08, 0.60, 0.22));
        p.drawRoundedRect(box(0.32, 0.22, 0.68, 0.48), s * 0.05, s * 0.05);
        QPainterPath cord;
        cord.moveTo(at(0.50, 0.48));
        cord.lineTo(at(0.50, 0.64));
        cord.quadTo(at(0.50, 0.88), at(0.78, 0.88));
        p.drawPath(cord);
    } else if (name == QLatin1String("receiver")) {
        p.drawRect(box(0.40, 0.12, 0.60, 0.32));
        p.drawRoundedRect(box(0.32, 0.32, 0.68, 0.88), s * 0.08, s * 0.08);
        p.setBrush(colour);
        p.drawEllipse(at(0.50, 0.70), s * 0.05, s * 0.05);
    } else if (name == QLatin1String("bluetooth")) {
        p.drawPolyline(QPolygonF{at(0.30, 0.34), at(0.68, 0.66), at(0.50, 0.84), at(0.50, 0.16),
                                 at(0.68, 0.34), at(0.30, 0.66)});
    } else if (name == QLatin1String("bolt")) {
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        p.drawPolygon(QPolygonF{at(0.60, 0.06), at(0.26, 0.56), at(0.48, 0.56), at(0.40, 0.94),
                                at(0.74, 0.42), at(0.52, 0.42)});
    }
    p.restore();
}

}  // namespace veltra::ui::look
