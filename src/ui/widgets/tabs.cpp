#include "ui/widgets/tabs.h"

#include <QFileInfo>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "ui/widgets/dialog.h"

namespace veltra::ui {
namespace {

// Sizes beyond any screen are clamped so that the layout arithmetic cannot overflow.
constexpr int kMaxExtent = 1 << 16;

// The line icon standing in for a missing tab icon, by the icon's file name.
QString GlyphForIcon(const QString& file) {
    QString name =
        QFileInfo(QString(file).replace(QLatin1Char('\\'), QLatin1Char('/'))).completeBaseName();
    static const std::pair<const char*, const char*> kGlyphs[] = {
        {"tab_home", "home"},   {"tab_key", "mouse"},       {"tab_dpi", "dpi"},
        {"tab_light", "light"}, {"tab_set", "performance"},
    };
    for (const auto& [icon, glyph] : kGlyphs) {
        if (name == QLatin1String(icon)) {
            return QString::fromLatin1(glyph);
        }
    }
    return {};
}

// Icon strips hold their states side by side as squares: one frame, or normal and selected.
int IconFrames(const SkinImage& icon) {
    QSize size = icon.FrameSize();
    return size.height() > 0 ? std::clamp(size.width() / size.height(), 1, 2) : 1;
}

}  // namespace

MTabLayout::MTabLayout(MDialog& owner, QWidget* parent, int id) : MControl(owner, parent, id) {}

MControl* MTabLayout::CreateControl(std::string_view class_name, int id, const QRect& rect,
                                    const QString& text) {
    return Owner().CreateControl(class_name, id, rect, text, this);
}

MTabCtrl::MTabCtrl(MDialog& owner, QWidget* parent, int id) : MControlFont(owner, parent, id) {
    OfferFocus(false);
    setMouseTracking(true);
    SetFont(16);
}

int MTabCtrl::AddItem(int item_id, const QString& text, const QString& icon, MTabLayout* page) {
    Item item;
    item.id = item_id;
    item.text = text;
    item.glyph = GlyphForIcon(icon);
    item.icon = SkinImage(icon, 1);
    if (!item.icon.Empty()) {
        item.icon = SkinImage(icon, IconFrames(item.icon));
    }
    item.page = page;
    items_.push_back(std::move(item));
    OfferFocus(true);
    if (selected_ < 0) {
        selected_ = 0;
    }
    RefreshAccessibleName();
    update();
    return GetItemCount() - 1;
}

void MTabCtrl::SetItemPage(int index, MTabLayout* page) {
    if (index >= 0 && index < GetItemCount()) {
        items_[index].page = page;
    }
}

QString MTabCtrl::GetItemText(int index) const {
    return index >= 0 && index < GetItemCount() ? items_[static_cast<std::size_t>(index)].text
                                                : QString();
}

void MTabCtrl::SetItemText(int index, const QString& text) {
    if (index >= 0 && index < GetItemCount()) {
        items_[index].text = text;
        RefreshAccessibleName();
        update();
    }
}

void MTabCtrl::SetItemVisible(int index, bool visible) {
    if (index >= 0 && index < GetItemCount() && items_[index].visible != visible) {
        items_[index].visible = visible;
        hovered_ = -1;
        update();
    }
}

bool MTabCtrl::IsItemVisible(int index) const {
    return index >= 0 && index < GetItemCount() && items_[index].visible;
}

void MTabCtrl::SetSelectItem(int index) {
    if (index < 0 || index >= GetItemCount()) {
        return;
    }
    selected_ = index;
    ShowSelectedPage();
    RefreshAccessibleName();
    update();
}

int MTabCtrl::GetItemId(int index) const {
    return index >= 0 && index < GetItemCount() ? items_[index].id : -1;
}

void MTabCtrl::SetBarSize(int width, int height) {
    bar_ = QSize(std::clamp(width, 0, kMaxExtent), std::clamp(height, 0, kMaxExtent));
    update();
}

void MTabCtrl::SetPadding(int left, int right, int top, int bottom) {
    left_ = std::clamp(left, 0, kMaxExtent);
    right_ = std::clamp(right, 0, kMaxExtent);
    top_ = std::clamp(top, 0, kMaxExtent);
    bottom_ = std::clamp(bottom, 0, kMaxExtent);
    update();
}

void MTabCtrl::SetItemSize(int width, int height) {
    item_ = QSize(std::clamp(width, 1, kMaxExtent), std::clamp(height, 1, kMaxExtent));
    update();
}

QRect MTabCtrl::ItemArea() const {
    // An area the skin did not give (or gave inverted) is the whole control.
    QRect area = right_ > left_ && bottom_ > top_
                     ? QRect(QPoint(left_, top_), QPoint(right_ - 1, bottom_ - 1))
                     : rect();
    return area.intersected(rect());
}

QRect MTabCtrl::ItemRect(int index) const {
    if (!IsItemVisible(index)) {
        return {};
    }
    QRect area = ItemArea();
    int shown = static_cast<int>(
        std::count_if(items_.begin(), items_.end(), [](const Item& item) { return item.visible; }));
    int height = item_.height();
    if (shown * height > area.height() && shown > 0) {
        height = std::max(1, area.height() / shown);
    }
    int row = static_cast<int>(std::count_if(items_.begin(), items_.begin() + index,
                                             [](const Item& item) { return item.visible; }));
    return QRect(area.left(), area.top() + row * height, std::min(item_.width(), area.width()),
                 height);
}

int MTabCtrl::ItemAt(const QPoint& pos) const {
    for (int i = 0; i < GetItemCount(); ++i) {
        if (ItemRect(i).contains(pos)) {
            return i;
        }
    }
    return -1;
}

void MTabCtrl::ShowSelectedPage() {
    // Hide first, so two pages never show at once, not even for one paint.
    MTabLayout* shown = selected_ >= 0 ? items_[selected_].page.data() : nullptr;
    for (const Item& item : items_) {
        if (item.page != nullptr && item.page != shown) {
            item.page->hide();
        }
    }
    if (shown != nullptr) {
        shown->show();
    }
}

void MTabCtrl::ChooseByUser(int index) {
    SetSelectItem(index);
    Notify(Event::Action, index);
}

int MTabCtrl::NextVisible(int from, int step) const {
    for (int i = from + step; i >= 0 && i < GetItemCount(); i += step) {
        if (items_[i].visible) {
            return i;
        }
    }
    return -1;
}

QString MTabCtrl::AccessibleText() const {
    if (!GetTitle().isEmpty() || selected_ < 0) {
        return GetTitle();
    }
    return items_[selected_].text;
}

void MTabCtrl::paintEvent(QPaintEvent* event) {
    (void)event;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setFont(TextFont());
    const SkinImage& skin = Image();
    for (int i = 0; i < GetItemCount(); ++i) {
        QRect cell = ItemRect(i);
        if (cell.isEmpty()) {
            continue;
        }
        const Item& item = items_[i];
        bool selected = i == selected_;
        bool hovered = i == hovered_ && isEnabled();
        QRectF bar = cell;
        if (bar_.width() > 0 && bar_.height() > 0) {
            QSizeF size(std::min(bar_.width(), cell.width()),
                        std::min(bar_.height(), cell.height()));
            bar = QRectF(cell.left(), cell.center().y() + 0.5 - size.height() / 2, size.width(),
                         size.height());
        }
        if (selected) {
            int frame = skin.States() >= 3 ? 2 : skin.States() - 1;
            if (!skin.Draw(painter, bar, frame)) {
                QColor wash = look::Accent();
                wash.setAlpha(48);
                painter.fillRect(bar, wash);
                painter.fillRect(QRectF(bar.left(), bar.top(), 4, bar.height()),
                                 look::Accent(isEnabled() ? Visual::Normal : Visual::Disabled));
            }
        } else if (hovered && !(skin.States() >= 3 && skin.Draw(painter, bar, 1))) {
            QColor wash = look::kFieldHover;
            wash.setAlpha(150);
            painter.fillRect(bar, wash);
        }
        qreal icon_size = std::min<qreal>(24.0, cell.height() - 8.0);
        QRectF icon(cell.left() + 28, cell.center().y() + 0.5 - icon_size / 2, icon_size,
                    icon_size);
        QColor ink = !isEnabled() ? look::kTextDisabled
                     : selected   ? TextColourOr(look::kText)
                     : hovered    ? look::kText
                                  : look::kTextDim.lighter(125);
        if (!item.icon.Draw(painter, icon, selected ? item.icon.States() - 1 : 0)) {
            look::IconGlyph(painter, icon, item.glyph,
                            selected ? look::Accent(Visual::Hover) : ink);
        }
        painter.setPen(ink);
        QRectF text(icon.right() + 14, cell.top(), cell.right() - icon.right() - 18, cell.height());
        painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter,
                         painter.fontMetrics().elidedText(item.text, Qt::ElideRight,
                                                          static_cast<int>(text.width())));
        if (selected && hasFocus()) {
            look::FocusRing(painter, cell, 4.0);
        }
    }
}

void MTabCtrl::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        pressed_item_ = ItemAt(event->position().toPoint());
        event->accept();
        return;
    }
    MControlFont::mousePressEvent(event);
}

void MTabCtrl::mouseMoveEvent(QMouseEvent* event) {
    int over = ItemAt(event->position().toPoint());
    if (over != hovered_) {
        hovered_ = over;
        update();
    }
    MControlFont::mouseMoveEvent(event);
}

void MTabCtrl::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        int pressed = pressed_item_;
        pressed_item_ = -1;
        if (pressed >= 0 && ItemAt(event->position().toPoint()) == pressed) {
            ChooseByUser(pressed);
        }
        event->accept();
        return;
    }
    MControlFont::mouseReleaseEvent(event);
}

void MTabCtrl::leaveEvent(QEvent* event) {
    hovered_ = -1;
    MControlFont::leaveEvent(event);
}

void MTabCtrl::keyPressEvent(QKeyEvent* event) {
    int target = -1;
    switch (event->key()) {
        case Qt::Key_Up:
            target = NextVisible(selected_, -1);
            break;
        case Qt::Key_Down:
            target = NextVisible(selected_, 1);
            break;
        case Qt::Key_Home:
            target = NextVisible(-1, 1);
            break;
        case Qt::Key_End:
            target = NextVisible(GetItemCount(), -1);
            break;
        default:
            MControlFont::keyPressEvent(event);
            return;
    }
    event->accept();
    if (target >= 0 && target != selected_) {
        ChooseByUser(target);
    }
}

}  // namespace veltra::ui
