#include "ui/widgets/dpi_controls.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "ui/widgets/manager.h"

namespace veltra::ui {
namespace {

constexpr int kLevelMaxWidth = 150;
constexpr qreal kTrackMargin = 48.0;
constexpr int kSegmentMaxWidth = 200;
// Far beyond any sensor; keeps the slider arithmetic inside int.
constexpr int kMaxSteps = 1 << 20;

}  // namespace

// ---- DPIControl ----

DPIControl::DPIControl(MDialog& owner, QWidget* parent, int id) : MControlFont(owner, parent, id) {
    OfferFocus(false);
    setMouseTracking(true);
}

void DPIControl::AddItem(int dpi, std::uint32_t colour) {
    if (count_ >= kLevels) {
        return;
    }
    values_[count_] = dpi;
    colours_[count_] = colour;
    ++count_;
    OfferFocus(true);
    update();
}

void DPIControl::DeleteAllItems() {
    OfferFocus(false);
    count_ = 0;
    selected_ = -1;
    hovered_ = {};
    pressed_ = {};
    RefreshAccessibleName();
    update();
}

void DPIControl::SetDPIValue(int index, int dpi) {
    if (index >= 0 && index < kLevels) {
        values_[index] = dpi;
        if (index == selected_) {
            RefreshAccessibleName();
        }
        update();
    }
}

int DPIControl::GetDPIValue(int index) const {
    return index >= 0 && index < kLevels ? values_[index] : 0;
}

void DPIControl::SetDPIColorValue(int index, std::uint32_t colour) {
    if (index >= 0 && index < kLevels) {
        colours_[index] = colour;
        update();
    }
}

std::uint32_t DPIControl::GetDPIColorValue(int index) const {
    return index >= 0 && index < kLevels ? colours_[index] : 0;
}

void DPIControl::SetDPIFlag(int mask) {
    mask_ = mask & 0xFF;
    update();
}

void DPIControl::SetSelectItem(int index) {
    if (index >= 0 && index < count_) {
        selected_ = index;
        RefreshAccessibleName();
        update();
    }
}

QRect DPIControl::ItemRect(int index) const {
    if (index < 0 || index >= count_) {
        return {};
    }
    int column = std::min(kLevelMaxWidth, width() / count_);
    int left = (width() - column * count_) / 2;
    return QRect(left + index * column + 4, 4, std::max(1, column - 8), std::max(1, height() - 8));
}

QRect DPIControl::CheckRect(int index) const {
    QRect item = ItemRect(index);
    if (item.isEmpty()) {
        return {};
    }
    int side = std::min(18, item.height() / 4);
    return QRect(item.left() + 10, item.top() + 10, side, side);
}

QRect DPIControl::SwatchRect(int index) const {
    QRect item = ItemRect(index);
    if (item.isEmpty()) {
        return {};
    }
    int swatch = std::min(20, item.height() / 5);
    return QRect(item.left() + 14, item.bottom() - 12 - swatch, item.width() - 28, swatch);
}

DPIControl::Hit DPIControl::HitAt(const QPoint& pos) const {
    for (int i = 0; i < count_; ++i) {
        if (!ItemRect(i).contains(pos)) {
            continue;
        }
        // The check box and swatch answer a little beyond their edges: small targets.
        if (CheckRect(i).adjusted(-6, -6, 6, 6).contains(pos)) {
            return {i, Part::Check};
        }
        if (SwatchRect(i).adjusted(-4, -4, 4, 4).contains(pos)) {
            return {i, Part::Swatch};
        }
        return {i, Part::Level};
    }
    return {};
}

void DPIControl::Select(int index) {
    selected_ = index;
    RefreshAccessibleName();
    update();
}

void DPIControl::Act(int index, Part part) {
    if (index < 0 || index >= count_) {
        return;
    }
    switch (part) {
        case Part::Level:
            Select(index);
            Notify(Event::Action, index);
            break;
        case Part::Check: {
            int mask = mask_ ^ (1 << index);
            int shown = (1 << count_) - 1;
            if ((mask & shown) == 0) {
                // The mouse needs at least one level in its cycle.
                return;
            }
            mask_ = mask;
            Select(index);
            Notify(Event::DpiMaskChanged, index);
            break;
        }
        case Part::Swatch:
            Select(index);
            Notify(Event::DpiColourPick, index);
            break;
        case Part::None:
            break;
    }
}

QString DPIControl::AccessibleText() const {
    if (!GetTitle().isEmpty() || selected_ < 0) {
        return GetTitle();
    }
    return QStringLiteral("%1 DPI").arg(values_[selected_]);
}

void DPIControl::PaintLevel(QPainter& painter, int index) const {
    QRectF item = ItemRect(index);
    bool selected = index == selected_;
    bool hovered = hovered_.index == index && isEnabled();
    Visual visual = isEnabled() ? Visual::Normal : Visual::Disabled;
    QColor fill = hovered ? look::kFieldHover : look::kField;
    if (selected) {
        fill = look::Accent(visual);
        fill.setAlpha(46);
    }
    look::Panel(painter, item, fill, look::kRadius + 2);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(selected ? look::Accent(visual) : look::kBorder, selected ? 2.0 : 1.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(item.adjusted(0.5, 0.5, -0.5, -0.5), look::kRadius + 2,
                            look::kRadius + 2);
    painter.restore();

    QRect check = CheckRect(index);
    Visual check_visual =
        !isEnabled() ? Visual::Disabled
        : pressed_ == Hit{index, Part::Check}
            ? Visual::Pressed
            : (hovered_ == Hit{index, Part::Check} ? Visual::Hover : Visual::Normal);
    bool on = Enabled(index);
    if (!Image().Draw(painter, check, static_cast<int>(check_visual) + (on ? 4 : 0))) {
        look::CheckMark(painter, check, check_visual, on, false);
    }

    painter.setFont(Manager::UiFont(13));
    painter.setPen(look::TextColour(visual, look::kTextDim));
    painter.drawText(QRectF(check.right() + 6, check.top() - 2, item.right() - check.right() - 16,
                            check.height() + 4),
                     Qt::AlignRight | Qt::AlignVCenter, QString::number(index + 1));

    QRect swatch = SwatchRect(index);
    QFont value_font = TextFont();
    value_font.setPixelSize(std::clamp(static_cast<int>(item.height() / 5), 12, 24));
    value_font.setWeight(QFont::DemiBold);
    painter.setFont(value_font);
    QColor ink = on ? TextColourOr(look::kText) : look::kTextDim;
    painter.setPen(look::TextColour(visual, ink));
    painter.drawText(
        QRectF(item.left() + 4, check.bottom(), item.width() - 8, swatch.top() - check.bottom()),
        Qt::AlignCenter, QString::number(values_[index]));

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QColor colour = FromColourValue(colours_[index]);
    bool swatch_hot = hovered_ == Hit{index, Part::Swatch};
    painter.setPen(
        QPen(swatch_hot ? look::kText : look::kBorder.lighter(130), swatch_hot ? 2.0 : 1.0));
    painter.setBrush(isEnabled() ? colour : look::kTextDisabled);
    qreal radius = swatch.height() / 2.0;
    painter.drawRoundedRect(QRectF(swatch).adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
    painter.restore();

    if (selected && hasFocus()) {
        look::FocusRing(painter, item.adjusted(-4, -4, 4, 4), look::kRadius + 5);
    }
}

void DPIControl::paintEvent(QPaintEvent* event) {
    (void)event;
    QPainter painter(this);
    for (int i = 0; i < count_; ++i) {
        PaintLevel(painter, i);
    }
}

void DPIControl::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        pressed_ = HitAt(event->position().toPoint());
        update();
        event->accept();
        return;
    }
    MControlFont::mousePressEvent(event);
}

void DPIControl::mouseMoveEvent(QMouseEvent* event) {
    Hit over = HitAt(event->position().toPoint());
    if (!(over == hovered_)) {
        hovered_ = over;
        update();
    }
    MControlFont::mouseMoveEvent(event);
}

void DPIControl::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        Hit pressed = pressed_;
        pressed_ = {};
        update();
        if (pressed.index >= 0 && HitAt(event->position().toPoint()) == pressed) {
            Act(pressed.index, pressed.part);
        }
        event->accept();
        return;
    }
    MControlFont::mouseReleaseEvent(event);
}

void DPIControl::leaveEvent(QEvent* event) {
    hovered_ = {};
    MControlFont::leaveEvent(event);
}

void DPIControl::keyPressEvent(QKeyEvent* event) {
    if (count_ == 0) {
        MControlFont::keyPressEvent(event);
        return;
    }
    if (std::optional<int> target =
            StepTarget(event->key(), selected_, count_, Qt::Key_Left, Qt::Key_Right)) {
        event->accept();
        if (*target != selected_) {
            Act(*target, Part::Level);
        }
        return;
    }
    bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (event->key() != Qt::Key_Space && !enter) {
        MControlFont::keyPressEvent(event);
        return;
    }
    if (!event->isAutoRepeat()) {
        Act(std::max(selected_, 0), enter ? Part::Swatch : Part::Check);
    }
    event->accept();
}

// ---- DPISlider ----

DPISlider::DPISlider(MDialog& owner, QWidget* parent, int id) : MControlFont(owner, parent, id) {
    setFocusPolicy(Qt::StrongFocus);
    RefreshAccessibleName();
}

void DPISlider::SetProgress(int progress) {
    progress_ = std::clamp(progress, lower_, upper_);
    RefreshAccessibleName();
    update();
}

void DPISlider::SetLimits(int lower, int upper) {
    lower_ = std::clamp(lower, -kMaxSteps, kMaxSteps);
    upper_ = std::clamp(upper, lower_, kMaxSteps);
    SetProgress(progress_);
}

void DPISlider::SetStep(int steps) {
    step_ = std::max(1, steps);
}

void DPISlider::SetEndTexts(const QString& low, const QString& high) {
    low_text_ = low;
    high_text_ = high;
    update();
}

void DPISlider::SetBackImage(const QString& file) {
    back_ = SkinImage(file, 1);
    update();
}

QRectF DPISlider::TrackRect() const {
    qreal y = std::round(height() * 0.5);
    return QRectF(kTrackMargin, y - 3.0, std::max(1.0, width() - 2 * kTrackMargin), 6.0);
}

QPointF DPISlider::ThumbCentre() const {
    QRectF track = TrackRect();
    qreal share = upper_ > lower_ ? static_cast<qreal>(progress_ - lower_) / (upper_ - lower_) : 0;
    return QPointF(track.left() + track.width() * share, track.center().y());
}

int DPISlider::ProgressAt(qreal x) const {
    QRectF track = TrackRect();
    qreal share = std::clamp((x - track.left()) / track.width(), 0.0, 1.0);
    return lower_ + static_cast<int>(std::lround(share * (upper_ - lower_)));
}

void DPISlider::MoveTo(int progress) {
    int target = std::clamp(progress, lower_, upper_);
    if (target != upper_) {
        target = lower_ + (target - lower_ + step_ / 2) / step_ * step_;
        target = std::min(target, upper_);
    }
    if (target == progress_) {
        return;
    }
    progress_ = target;
    moved_ = true;
    RefreshAccessibleName();
    update();
    Notify(Event::Changing, GetPosition());
}

QString DPISlider::AccessibleText() const {
    if (!GetTitle().isEmpty()) {
        return GetTitle();
    }
    return QStringLiteral("%1 DPI").arg(progress_ * kDpiPerStep);
}

void DPISlider::paintEvent(QPaintEvent* event) {
    (void)event;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    Visual visual = isEnabled() ? Visual::Normal : Visual::Disabled;
    if (!back_.Draw(painter, rect(), 0)) {
        look::Panel(painter, rect(), QColor(0x1C, 0x1B, 0x21, 200), look::kRadius + 2);
    }
    QRectF track = TrackRect();
    QPointF thumb = ThumbCentre();
    look::Panel(painter, track, look::kField.lighter(120), track.height() / 2);

    // Marks every 1000 DPI (fewer when the range is wide), under the track.
    int span = upper_ - lower_;
    if (span > 0) {
        int every = 20;
        while (span / every > 24) {
            every *= 2;
        }
        painter.setPen(QPen(look::kBorder.lighter(130), 1.0));
        for (int p = (lower_ + every - 1) / every * every; p <= upper_; p += every) {
            qreal x = track.left() + track.width() * (p - lower_) / span;
            painter.drawLine(QPointF(x, track.bottom() + 4), QPointF(x, track.bottom() + 8));
        }
    }

    QRectF done(track.left(), track.top(), thumb.x() - track.left(), track.height());
    if (done.width() > 0) {
        painter.save();
        painter.setClipRect(done.adjusted(0, -1, 0, 1));
        if (!Image().Draw(painter, track, 0)) {
            look::Panel(painter, track, look::Accent(visual), track.height() / 2);
        }
        painter.restore();
    }

    // The value above the thumb.
    QFont value_font = TextFont();
    value_font.setPixelSize(13);
    value_font.setWeight(QFont::DemiBold);
    painter.setFont(value_font);
    QString value = QString::number(progress_ * kDpiPerStep);
    qreal bubble_width = painter.fontMetrics().horizontalAdvance(value) + 16.0;
    QRectF bubble(thumb.x() - bubble_width / 2, track.top() - 36, bubble_width, 22);
    bubble.moveLeft(std::clamp(bubble.left(), 2.0, width() - bubble.width() - 2.0));
    look::Panel(painter, bubble, look::Accent(visual), 5.0);
    QPainterPath pointer;
    pointer.moveTo(thumb.x() - 5, bubble.bottom() - 0.5);
    pointer.lineTo(thumb.x() + 5, bubble.bottom() - 0.5);
    pointer.lineTo(thumb.x(), bubble.bottom() + 5);
    pointer.closeSubpath();
    painter.fillPath(pointer, look::Accent(visual));
    painter.setPen(look::kText);
    painter.drawText(bubble, Qt::AlignCenter, value);

    painter.setPen(QPen(look::Accent(visual), 3.0));
    painter.setBrush(isEnabled() ? look::kText : look::kTextDim);
    qreal radius = dragging_ ? 10.0 : 9.0;
    painter.drawEllipse(thumb, radius, radius);
    if (hasFocus()) {
        painter.setPen(QPen(look::Accent(Visual::Hover), 2.0));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(thumb, radius + 4, radius + 4);
    }

    painter.setFont(TextFont());
    painter.setPen(look::TextColour(visual, TextColourOr(look::kTextDim)));
    QRectF ends(track.left() - kTrackMargin + 8, track.bottom() + 10,
                track.width() + 2 * kTrackMargin - 16, 22);
    painter.drawText(ends, Qt::AlignLeft | Qt::AlignVCenter, low_text_);
    painter.drawText(ends, Qt::AlignRight | Qt::AlignVCenter, high_text_);
}

void DPISlider::mousePressEvent(QMouseEvent* event) {
    QPointF pos = event->position();
    QRectF band = TrackRect().adjusted(-12, -14, 12, 14);
    bool on_thumb = QLineF(pos, ThumbCentre()).length() <= 14.0;
    if (event->button() == Qt::LeftButton && (band.contains(pos) || on_thumb)) {
        dragging_ = true;
        moved_ = false;
        update();
        event->accept();
        MoveTo(ProgressAt(pos.x()));
        return;
    }
    MControlFont::mousePressEvent(event);
}

void DPISlider::mouseMoveEvent(QMouseEvent* event) {
    if (dragging_) {
        event->accept();
        MoveTo(ProgressAt(event->position().x()));
        return;
    }
    MControlFont::mouseMoveEvent(event);
}

void DPISlider::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && dragging_) {
        dragging_ = false;
        update();
        event->accept();
        if (moved_) {
            moved_ = false;
            Notify(Event::Action, GetPosition());
        }
        return;
    }
    MControlFont::mouseReleaseEvent(event);
}

void DPISlider::keyPressEvent(QKeyEvent* event) {
    int target = progress_;
    switch (event->key()) {
        case Qt::Key_Left:
        case Qt::Key_Down:
            target = progress_ - step_;
            break;
        case Qt::Key_Right:
        case Qt::Key_Up:
            target = progress_ + step_;
            break;
        case Qt::Key_PageDown:
            target = progress_ - 10 * step_;
            break;
        case Qt::Key_PageUp:
            target = progress_ + 10 * step_;
            break;
        case Qt::Key_Home:
            target = lower_;
            break;
        case Qt::Key_End:
            target = upper_;
            break;
        default:
            MControlFont::keyPressEvent(event);
            return;
    }
    event->accept();
    if (!dragging_) {
        MoveTo(target);
    }
}

void DPISlider::keyReleaseEvent(QKeyEvent* event) {
    // Holding a key repeats the step; the value is final only when the key comes up.
    if (!event->isAutoRepeat() && moved_ && !dragging_) {
        moved_ = false;
        event->accept();
        Notify(Event::Action, GetPosition());
        return;
    }
    MControlFont::keyReleaseEvent(event);
}

void DPISlider::focusOutEvent(QFocusEvent* event) {
    MControlFont::focusOutEvent(event);
    update();
    if (moved_ && !dragging_) {
        // The key went up elsewhere; the change still has to be final.
        moved_ = false;
        Notify(Event::Action, GetPosition());
    }
}

// ---- ReporteCtrl ----

ReporteCtrl::ReporteCtrl(MDialog& owner, QWidget* parent, int id)
    : MControlFont(owner, parent, id) {
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    AddItem(QStringLiteral("125Hz"), 3, 0x0108F1);
    AddItem(QStringLiteral("250Hz"), 2, 0xED6B00);
    AddItem(QStringLiteral("500Hz"), 1, 0x4DF600);
    AddItem(QStringLiteral("1000Hz"), 0, 0x20A3FF);
    SetSelectItemValue(0);
}

void ReporteCtrl::AddItem(const QString& text, int value, std::uint32_t colour) {
    items_.push_back(Item{text, value, colour});
    OfferFocus(true);
    if (selected_ < 0) {
        selected_ = 0;
    }
    RefreshAccessibleName();
    update();
}

void ReporteCtrl::DeleteAllItems() {
    OfferFocus(false);
    items_.clear();
    selected_ = -1;
    hovered_ = -1;
    pressed_item_ = -1;
    RefreshAccessibleName();
    update();
}

void ReporteCtrl::SetSelectItemValue(int value) {
    for (int i = 0; i < GetItemCount(); ++i) {
        if (items_[i].value == value) {
            selected_ = i;
            RefreshAccessibleName();
            update();
            return;
        }
    }
}

int ReporteCtrl::GetSelectItemValue() const {
    return selected_ >= 0 ? items_[selected_].value : -1;
}

QRect ReporteCtrl::ItemRect(int index) const {
    if (index < 0 || index >= GetItemCount()) {
        return {};
    }
    int segment = std::max(1, std::min(kSegmentMaxWidth, width() / GetItemCount()));
    return QRect(index * segment, 0, segment, height());
}

int ReporteCtrl::ItemAt(const QPoint& pos) const {
    for (int i = 0; i < GetItemCount(); ++i) {
        if (ItemRect(i).contains(pos)) {
            return i;
        }
    }
    return -1;
}

void ReporteCtrl::Choose(int index) {
    selected_ = index;
    RefreshAccessibleName();
    update();
    Notify(Event::Action, items_[index].value);
}

QString ReporteCtrl::AccessibleText() const {
    if (!GetTitle().isEmpty() || selected_ < 0) {
        return GetTitle();
    }
    return items_[selected_].text;
}

void ReporteCtrl::paintEvent(QPaintEvent* event) {
    (void)event;
    if (items_.empty()) {
        return;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    Visual visual = isEnabled() ? Visual::Normal : Visual::Disabled;
    QRectF whole = QRectF(ItemRect(0).topLeft(), ItemRect(GetItemCount() - 1).bottomRight())
                       .adjusted(0.5, 0.5, 0.5, 0.5);
    qreal radius = std::min<qreal>(whole.height() / 2.0, 8.0);
    painter.setPen(QPen(look::kBorder, 1.0));
    painter.setBrush(look::kField);
    painter.drawRoundedRect(whole.adjusted(0, 0, -1, -1), radius, radius);
    painter.setFont(TextFont());
    for (int i = 0; i < GetItemCount(); ++i) {
        QRectF cell = QRectF(ItemRect(i)).adjusted(2, 2, -2, -2);
        bool selected = i == selected_;
        if (selected) {
            // Disabled, the choice stays readable: a grey cell with dimmed text.
            look::Panel(painter, cell, isEnabled() ? look::Accent() : look::kBorder, radius - 1);
        } else if (i == hovered_ && isEnabled()) {
            look::Panel(painter, cell, look::kFieldHover, radius - 1);
        } else if (i > 0 && i - 1 != selected_) {
            painter.setPen(QPen(look::kBorder, 1.0));
            painter.drawLine(QPointF(cell.left() - 2, cell.top() + 6),
                             QPointF(cell.left() - 2, cell.bottom() - 6));
        }
        QFontMetricsF metrics(painter.font());
        QString text = metrics.elidedText(items_[i].text, Qt::ElideRight, cell.width() - 30);
        qreal group = 14.0 + metrics.horizontalAdvance(text);
        qreal x = cell.center().x() - group / 2;
        painter.setPen(selected ? QPen(look::kText, 1.5) : Qt::NoPen);
        painter.setBrush(isEnabled() ? FromColourValue(items_[i].colour) : look::kTextDisabled);
        painter.drawEllipse(QPointF(x + 4, cell.center().y()), 4.0, 4.0);
        painter.setPen(
            selected && !isEnabled()
                ? look::kTextDim
                : look::TextColour(
                      visual, selected ? look::kText : TextColourOr(look::kTextDim.lighter(130))));
        painter.drawText(QRectF(x + 14, cell.top(), cell.right() - x - 14, cell.height()),
                         Qt::AlignLeft | Qt::AlignVCenter, text);
    }
    if (hasFocus()) {
        look::FocusRing(painter, whole.adjusted(-0.5, -0.5, 0.5, 0.5), radius + 1);
    }
}

void ReporteCtrl::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        pressed_item_ = ItemAt(event->position().toPoint());
        event->accept();
        return;
    }
    MControlFont::mousePressEvent(event);
}

void ReporteCtrl::mouseMoveEvent(QMouseEvent* event) {
    int over = ItemAt(event->position().toPoint());
    if (over != hovered_) {
        hovered_ = over;
        update();
    }
    MControlFont::mouseMoveEvent(event);
}

void ReporteCtrl::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        int pressed = pressed_item_;
        pressed_item_ = -1;
        if (pressed >= 0 && ItemAt(event->position().toPoint()) == pressed) {
            Choose(pressed);
        }
        event->accept();
        return;
    }
    MControlFont::mouseReleaseEvent(event);
}

void ReporteCtrl::leaveEvent(QEvent* event) {
    hovered_ = -1;
    MControlFont::leaveEvent(event);
}

void ReporteCtrl::keyPressEvent(QKeyEvent* event) {
    std::optional<int> target =
        StepTarget(event->key(), selected_, GetItemCount(), Qt::Key_Left, Qt::Key_Right);
    if (!target) {
        MControlFont::keyPressEvent(event);
        return;
    }
    event->accept();
    if (*target != selected_) {
        Choose(*target);
    }
}

}  // namespace veltra::ui
