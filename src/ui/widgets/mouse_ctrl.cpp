#include "ui/widgets/mouse_ctrl.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "ui/widgets/manager.h"

namespace veltra::ui {
namespace {

constexpr int kLabelMinWidth = 96;
constexpr int kLabelMaxWidth = 200;
constexpr int kLabelHeight = 46;
constexpr qreal kDotRadius = 4.5;

// Description files give the points; absurd ones must not overflow the label arithmetic.
QPoint Sane(const QPoint& p) {
    constexpr int kLimit = 1 << 20;
    return QPoint(std::clamp(p.x(), -kLimit, kLimit), std::clamp(p.y(), -kLimit, kLimit));
}

QFont NameFont() {
    return Manager::UiFont(12);
}

qreal DistanceToSegment(const QPointF& p, const QPointF& a, const QPointF& b) {
    QPointF ab = b - a;
    qreal length = QPointF::dotProduct(ab, ab);
    qreal t = length > 0 ? std::clamp(QPointF::dotProduct(p - a, ab) / length, 0.0, 1.0) : 0.0;
    QPointF nearest = a + t * ab;
    return std::hypot(p.x() - nearest.x(), p.y() - nearest.y());
}

}  // namespace

MouseCtrl::MouseCtrl(MDialog& owner, QWidget* parent, int id) : MControlFont(owner, parent, id) {
    OfferFocus(false);
    setMouseTracking(true);
}

void MouseCtrl::AddItem(const QString& text, int key_value, int direction, const QPoint& p1,
                        const QPoint& p2, const QPoint& p3) {
    items_.push_back(Item{text, {}, key_value, direction, Sane(p1), Sane(p2), Sane(p3)});
    OfferFocus(true);
    update();
}

void MouseCtrl::DeleteAllItems() {
    OfferFocus(false);
    items_.clear();
    selected_ = -1;
    hovered_ = -1;
    pressed_item_ = -1;
    RefreshAccessibleName();
    update();
}

void MouseCtrl::SetItemKeyDesc(int key_value, const QString& text) {
    for (Item& item : items_) {
        if (item.key == key_value) {
            item.desc = text;
        }
    }
    RefreshAccessibleName();
    update();
}

QString MouseCtrl::GetItemKeyDesc(int key_value) const {
    for (const Item& item : items_) {
        if (item.key == key_value) {
            return item.desc;
        }
    }
    return {};
}

void MouseCtrl::SetSelectItem(int key_value) {
    auto found = std::find_if(items_.begin(), items_.end(),
                              [key_value](const Item& item) { return item.key == key_value; });
    selected_ = found != items_.end() ? static_cast<int>(found - items_.begin()) : -1;
    RefreshAccessibleName();
    update();
}

int MouseCtrl::GetItemKeyValue() const {
    return selected_ >= 0 ? items_[selected_].key : -1;
}

QRect MouseCtrl::LabelRect(int index) const {
    if (index < 0 || index >= GetItemCount()) {
        return {};
    }
    const Item& item = items_[index];
    QFontMetrics names(NameFont());
    QFontMetrics descs(TextFont());
    int text_width =
        std::max(names.horizontalAdvance(item.text), descs.horizontalAdvance(item.desc));
    // The padding of both sides, and a little room for the painter's rounding of advances.
    int label_width = std::clamp(text_width + 28, kLabelMinWidth, kLabelMaxWidth);
    int left = item.direction == 0 ? item.p3.x() - label_width : item.p3.x();
    QRect label(left, item.p3.y() - kLabelHeight / 2, label_width, kLabelHeight);
    // Points near an edge would push the label out of sight; keep it inside.
    label.moveLeft(std::clamp(label.left(), 0, std::max(0, width() - label.width())));
    label.moveTop(std::clamp(label.top(), 0, std::max(0, height() - label.height())));
    return label;
}

int MouseCtrl::ItemAt(const QPoint& pos) const {
    for (int i = GetItemCount() - 1; i >= 0; --i) {
        if (LabelRect(i).contains(pos)) {
            return i;
        }
    }
    for (int i = GetItemCount() - 1; i >= 0; --i) {
        const Item& item = items_[i];
        if (QLineF(pos, item.p1).length() <= 10.0 ||
            DistanceToSegment(pos, item.p1, item.p2) <= 4.0 ||
            DistanceToSegment(pos, item.p2, item.p3) <= 4.0) {
            return i;
        }
    }
    return -1;
}

void MouseCtrl::Choose(int index) {
    selected_ = index;
    RefreshAccessibleName();
    update();
    Notify(Event::Action, items_[index].key);
}

QString MouseCtrl::AccessibleText() const {
    if (!GetTitle().isEmpty() || selected_ < 0) {
        return GetTitle();
    }
    const Item& item = items_[selected_];
    return item.desc.isEmpty() ? item.text : item.text + QStringLiteral(": ") + item.desc;
}

void MouseCtrl::PaintLines(QPainter& painter, int index) const {
    const Item& item = items_[index];
    bool selected = index == selected_;
    bool hot = selected || index == hovered_;
    Visual visual = isEnabled() ? Visual::Normal : Visual::Disabled;
    QColor ink = selected ? look::Accent(visual) : (hot ? look::kText : look::kTextDim);
    QRect label = LabelRect(index);
    // The line ends where it meets the label, on the side facing point 2.
    QPointF end(item.direction == 0 ? label.right() + 1 : label.left(), label.center().y() + 0.5);
    if (!label.contains(item.p3)) {
        end = item.p3;
    }
    painter.setPen(QPen(ink, selected ? 2.0 : 1.25));
    painter.setBrush(Qt::NoBrush);
    painter.drawPolyline(QPolygonF{QPointF(item.p1), QPointF(item.p2), QPointF(item.p3), end});
    painter.setPen(Qt::NoPen);
    painter.setBrush(ink);
    painter.drawEllipse(QPointF(item.p1), kDotRadius, kDotRadius);
    if (selected) {
        painter.setPen(QPen(ink, 1.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(QPointF(item.p1), kDotRadius + 4, kDotRadius + 4);
    }
}

void MouseCtrl::PaintLabel(QPainter& painter, int index) const {
    const Item& item = items_[index];
    bool selected = index == selected_;
    bool hovered = index == hovered_ && isEnabled();
    Visual visual = isEnabled() ? Visual::Normal : Visual::Disabled;
    QRectF label = LabelRect(index);
    if (!Image().Draw(painter, label, selected ? 2 : (hovered ? 1 : 0))) {
        QColor fill = hovered ? look::kFieldHover : look::kField;
        if (selected) {
            fill = look::Accent(visual).darker(170);
        }
        look::Panel(painter, label, fill, look::kRadius);
        painter.setPen(QPen(selected ? look::Accent(visual) : look::kBorder, selected ? 1.5 : 1.0));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(label.adjusted(0.5, 0.5, -0.5, -0.5), look::kRadius, look::kRadius);
    }
    QRectF text = label.adjusted(12, 4, -12, -4);
    painter.setFont(NameFont());
    painter.setPen(look::TextColour(visual, selected ? look::kText : look::kTextDim.lighter(120)));
    QRectF name_line(text.left(), text.top(), text.width(), text.height() * 0.45);
    painter.drawText(name_line, Qt::AlignLeft | Qt::AlignVCenter,
                     painter.fontMetrics().elidedText(item.text, Qt::ElideRight,
                                                      static_cast<int>(text.width())));
    painter.setFont(TextFont());
    painter.setPen(look::TextColour(visual, TextColourOr(look::kText)));
    QRectF desc_line(text.left(), name_line.bottom(), text.width(),
                     text.bottom() - name_line.bottom());
    painter.drawText(desc_line, Qt::AlignLeft | Qt::AlignVCenter,
                     painter.fontMetrics().elidedText(item.desc, Qt::ElideRight,
                                                      static_cast<int>(text.width())));
    if (selected && hasFocus()) {
        look::FocusRing(painter, label.adjusted(-3, -3, 3, 3), look::kRadius + 2);
    }
}

void MouseCtrl::paintEvent(QPaintEvent* event) {
    (void)event;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // Lines under labels; the selected item over the others.
    std::vector<int> order;
    for (int i = 0; i < GetItemCount(); ++i) {
        if (i != selected_) {
            order.push_back(i);
        }
    }
    if (selected_ >= 0) {
        order.push_back(selected_);
    }
    for (int i : order) {
        PaintLines(painter, i);
    }
    for (int i : order) {
        PaintLabel(painter, i);
    }
}

void MouseCtrl::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        pressed_item_ = ItemAt(event->position().toPoint());
        if (pressed_item_ >= 0) {
            event->accept();
            return;
        }
    }
    MControlFont::mousePressEvent(event);
}

void MouseCtrl::mouseMoveEvent(QMouseEvent* event) {
    int over = ItemAt(event->position().toPoint());
    if (over != hovered_) {
        hovered_ = over;
        setCursor(over >= 0 ? Qt::PointingHandCursor : Qt::ArrowCursor);
        update();
    }
    MControlFont::mouseMoveEvent(event);
}

void MouseCtrl::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && pressed_item_ >= 0) {
        int pressed = pressed_item_;
        pressed_item_ = -1;
        if (ItemAt(event->position().toPoint()) == pressed) {
            Choose(pressed);
        }
        event->accept();
        return;
    }
    MControlFont::mouseReleaseEvent(event);
}

void MouseCtrl::leaveEvent(QEvent* event) {
    hovered_ = -1;
    MControlFont::leaveEvent(event);
}

void MouseCtrl::keyPressEvent(QKeyEvent* event) {
    std::optional<int> target =
        StepTarget(event->key(), selected_, GetItemCount(), Qt::Key_Up, Qt::Key_Down);
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
