#include "ui/widgets/labels.h"

#include <QPainter>

namespace veltra::ui {

MText::MText(MDialog& owner, QWidget* parent, int id) : MControlFont(owner, parent, id) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void MText::paintEvent(QPaintEvent* event) {
    (void)event;
    QPainter painter(this);
    painter.setFont(TextFont());
    painter.setPen(look::TextColour(isEnabled() ? Visual::Normal : Visual::Disabled,
                                    TextColourOr(look::kText)));
    painter.drawText(rect(), static_cast<int>(TextAlignment()) | Qt::TextWordWrap, GetTitle());
}

MPicture::MPicture(MDialog& owner, QWidget* parent, int id) : MControl(owner, parent, id) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void MPicture::SetShowMode(int mode, int edge) {
    mode_ = mode;
    edge_ = edge < 0 ? 0 : edge;
    update();
}

void MPicture::paintEvent(QPaintEvent* event) {
    (void)event;
    QPainter painter(this);
    const SkinImage& image = Image();
    if (image.Empty()) {
        if (mode_ == 3) {
            look::Panel(painter, rect(), QColor(0x1F, 0x20, 0x25, 200), look::kRadius + 2);
        } else if (mode_ == 2) {
            painter.fillRect(rect(), look::kWindow);
        }
        return;
    }
    QSize natural = image.FrameSize();
    if (mode_ == 1) {
        image.Draw(painter, QRectF(QPointF(0, 0), QSizeF(natural)), 0);
        return;
    }
    if (mode_ != 3 || edge_ == 0 || natural.width() <= 2 * edge_ || natural.height() <= 2 * edge_) {
        image.Draw(painter, rect(), 0);
        return;
    }
    // A nine-part frame: scale the whole image per part by clipping.
    qreal e = edge_;
    qreal w = width();
    qreal h = height();
    qreal nw = natural.width();
    qreal nh = natural.height();
    const qreal xs[4] = {0, e, w - e, w};
    const qreal ys[4] = {0, e, h - e, h};
    const qreal sx[4] = {0, e, nw - e, nw};
    const qreal sy[4] = {0, e, nh - e, nh};
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 3; ++col) {
            QRectF target(xs[col], ys[row], xs[col + 1] - xs[col], ys[row + 1] - ys[row]);
            QRectF source(sx[col], sy[row], sx[col + 1] - sx[col], sy[row + 1] - sy[row]);
            if (target.isEmpty() || source.isEmpty()) {
                continue;
            }
            // Map the whole image so that `source` lands on `target`.
            qreal fx = target.width() / source.width();
            qreal fy = target.height() / source.height();
            QRectF whole(target.left() - source.left() * fx, target.top() - source.top() * fy,
                         nw * fx, nh * fy);
            painter.save();
            painter.setClipRect(target);
            image.Draw(painter, whole, 0);
            painter.restore();
        }
    }
}

}  // namespace veltra::ui
