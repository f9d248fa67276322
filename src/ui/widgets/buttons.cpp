#include "ui/widgets/buttons.h"

#include <QFileInfo>
#include <QPainter>

namespace veltra::ui {

MButton::MButton(MDialog& owner, QWidget* parent, int id) : ClickableControl(owner, parent, id) {
    SetAlignment(Qt::AlignHCenter);
}

void MButton::paintEvent(QPaintEvent* event) {
    (void)event;
    QPainter painter(this);
    Visual visual = CurrentVisual();
    if (!Image().Draw(painter, rect(), static_cast<int>(visual))) {
        look::ButtonFace(painter, rect(), visual);
    }
    painter.setFont(TextFont());
    painter.setPen(look::TextColour(visual, TextColourOr(look::kText)));
    painter.drawText(rect().adjusted(6, 0, -6, 0), static_cast<int>(TextAlignment()), GetTitle());
    PaintFocus(painter);
}

QString GlyphForImage(const QString& file) {
    QString name =
        QFileInfo(QString(file).replace(QLatin1Char('\\'), QLatin1Char('/'))).completeBaseName();
    static const std::pair<const char*, const char*> kGlyphs[] = {
        {"sysbtn_close", "close"},
        {"sysbtn_min", "minimise"},
        {"sysbtn_maximize", "maximise"},
        {"sysbtn_setting", "settings"},
        {"img_return", "return"},
        {"btn_reset", "reset"},
        {"img_help", "help"},
        {"btn_more", "more"},
        {"img_recorditem_up", "up"},
        {"img_recorditem_down", "down"},
    };
    for (const auto& [image, glyph] : kGlyphs) {
        if (name == QLatin1String(image)) {
            return QString::fromLatin1(glyph);
        }
    }
    return {};
}

CImageButton::CImageButton(MDialog& owner, QWidget* parent, int id)
    : ClickableControl(owner, parent, id) {}

void CImageButton::SetImage(const QString& file, int states) {
    glyph_ = GlyphForImage(file);
    ClickableControl::SetImage(file, states);
}

void CImageButton::paintEvent(QPaintEvent* event) {
    (void)event;
    QPainter painter(this);
    Visual visual = CurrentVisual();
    if (!Image().Draw(painter, rect(), static_cast<int>(visual))) {
        if (visual == Visual::Hover || visual == Visual::Pressed) {
            QColor wash =
                glyph_ == QLatin1String("close") ? QColor(0xE5, 0x48, 0x4D) : look::kFieldHover;
            if (visual == Visual::Pressed) {
                wash = wash.darker(120);
            }
            look::Panel(painter, rect(), wash, 4.0);
        }
        QColor ink = visual == Visual::Disabled ? look::kTextDisabled
                     : visual == Visual::Normal ? look::kTextDim.lighter(130)
                                                : look::kText;
        qreal inset = std::min(width(), height()) > 24 ? 5.0 : 1.0;
        look::Glyph(painter, QRectF(rect()).adjusted(inset, inset, -inset, -inset), glyph_, ink);
        if (!GetTitle().isEmpty()) {
            painter.setFont(TextFont());
            painter.setPen(look::TextColour(visual));
            painter.drawText(rect(), Qt::AlignCenter, GetTitle());
        }
    }
    PaintFocus(painter, 4.0);
}

}  // namespace veltra::ui
