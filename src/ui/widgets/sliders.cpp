#include "ui/widgets/sliders.h"

#include <QPainter>
#include <algorithm>

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

}  // namespace veltra::ui
