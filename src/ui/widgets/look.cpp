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
