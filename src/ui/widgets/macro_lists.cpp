#include "ui/widgets/macro_lists.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QWheelEvent>
#include <algorithm>

namespace veltra::ui {
namespace {

constexpr int kScrollBarWidth = 6;
constexpr int kScrollBarGutter = 12;
constexpr int kButtonPadding = 8;

}  // namespace

RowList::RowList(MDialog& owner, QWidget* parent, int id) : MControlFont(owner, parent, id) {
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
}

void RowList::SetCurSel(int index) {
    KeepSelection(index);
    EnsureVisible(selected_);
}

void RowList::KeepSelection(int index) {
    selected_ = index >= 0 && index < RowCount() ? index : -1;
    RefreshDescription();
    update();
}

void RowList::EnsureVisible(int index) {
    if (index < 0 || index >= RowCount()) {
        return;
    }
    int top = index * row_height_;
    if (top < scroll_) {
        ScrollTo(top);
    } else if (top + row_height_ > scroll_ + height()) {
        ScrollTo(top + row_height_ - height());
    }
}

void RowList::SetItemHeight(int pixels) {
    row_height_ = std::clamp(pixels, 16, 200);
    RowsChanged();
}

int RowList::GetTopIndex() const {
    return RowCount() == 0 ? 0 : scroll_ / row_height_;
}

QRect RowList::GetItemButtonRect(int index) const {
    if (index < 0 || index >= RowCount()) {
        return {};
    }
    QRect button = ButtonRect(index);
    return QRect(mapToGlobal(button.topLeft()), button.size());
}

void RowList::SetRowImage(const QString& file, int states) {
    row_image_ = SkinImage(file, states);
    update();
}

void RowList::SetButtonImage(const QString& file, int states) {
    button_image_ = SkinImage(file, states);
    update();
}

QRect RowList::RowRect(int index) const {
    int content = width() - (ScrollBarShown() ? kScrollBarGutter : 0);
    return QRect(0, index * row_height_ - scroll_, std::max(0, content), row_height_);
}

QRect RowList::ButtonRect(int index) const {
    QRect row = RowRect(index);
    int side = std::clamp(row_height_ - 12, 12, 24);
    QSize natural = button_image_.FrameSize();
    QSize size = natural.isEmpty() ? QSize(side, side)
                                   : natural.boundedTo(QSize(row_height_ - 4, row_height_ - 4));
    return QRect(row.right() - kButtonPadding - size.width() + 1,
                 row.top() + (row.height() - size.height()) / 2, size.width(), size.height());
}

void RowList::RowInserted(int index) {
    if (selected_ >= index) {
        ++selected_;
    }
    RowsChanged();
}

void RowList::RowRemoved(int index) {
    if (selected_ == index) {
        selected_ = -1;
    } else if (selected_ > index) {
        --selected_;
    }
    RowsChanged();
}

void RowList::RowMoved(int from, int to) {
    if (selected_ == from) {
        selected_ = to;
    } else if (from < selected_ && selected_ <= to) {
        --selected_;
    } else if (to <= selected_ && selected_ < from) {
        ++selected_;
    }
    RowsChanged();
}

void RowList::RowsSwapped(int first, int second) {
    if (selected_ == first) {
        selected_ = second;
    } else if (selected_ == second) {
        selected_ = first;
    }
    RowsChanged();
}

void RowList::RowsReset() {
    selected_ = -1;
    hover_row_ = -1;
    pressed_button_ = -1;
    scroll_ = 0;
    RowsChanged();
}

void RowList::RowsChanged() {
    int count = RowCount();
    if (selected_ >= count) {
        selected_ = -1;
    }
    if (pressed_button_ >= count) {
        pressed_button_ = -1;
    }
    ScrollTo(scroll_);
    RefreshDescription();
    update();
}

bool RowList::ShowsEnd() const {
    return scroll_ >= MaxScroll();
}

void RowList::ShowEnd() {
    ScrollTo(MaxScroll());
}

bool RowList::SelectByUser(int index) {
    if (index < 0 || index >= RowCount()) {
        return true;
    }
    EnsureVisible(index);
    if (index == selected_) {
        return true;
    }
    KeepSelection(index);
    QPointer<RowList> alive(this);
    Notify(Event::Action, index);
    return !alive.isNull();
}

void RowList::RefreshDescription() {
    setAccessibleDescription(selected_ >= 0 ? RowText(selected_) : QString());
}

int RowList::MaxScroll() const {
    return std::max(0, RowCount() * row_height_ - height());
}

void RowList::ScrollTo(int offset) {
    int clamped = std::clamp(offset, 0, MaxScroll());
    if (clamped == scroll_) {
        return;
    }
    scroll_ = clamped;
    update();
    Scrolled();
}

bool RowList::ScrollBarShown() const {
    return RowCount() * row_height_ > height();
}

QRectF RowList::ScrollTrack() const {
    return QRectF(width() - kScrollBarWidth - 3, 4, kScrollBarWidth, std::max(0, height() - 8));
}

QRectF RowList::ScrollThumb() const {
    QRectF track = ScrollTrack();
    qreal total = static_cast<qreal>(RowCount()) * row_height_;
    if (total <= 0) {
        return track;
    }
    qreal length = std::max<qreal>(24.0, track.height() * height() / total);
    length = std::min(length, track.height());
    int max_scroll = MaxScroll();
    qreal share = max_scroll > 0 ? static_cast<qreal>(scroll_) / max_scroll : 0.0;
    return QRectF(track.left(), track.top() + (track.height() - length) * share, track.width(),
                  length);
}

int RowList::RowAt(const QPoint& point) const {
    if (point.x() < 0 || point.x() >= RowRect(0).width() || point.y() < 0 ||
        point.y() >= height()) {
        return -1;
    }
    int index = (point.y() + scroll_) / row_height_;
    return index < RowCount() ? index : -1;
}

int RowList::PageRows() const {
    return std::max(1, height() / row_height_ - 1);
}

void RowList::UpdateHover(const QPoint& point) {
    int row = RowAt(point);
    bool on_button = row >= 0 && ButtonRect(row).contains(point);
    if (row != hover_row_ || on_button != hover_button_) {
        hover_row_ = row;
        hover_button_ = on_button;
        update();
    }
}

void RowList::paintEvent(QPaintEvent* event) {
    (void)event;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    bool enabled = isEnabled();
    int count = RowCount();
    int first = scroll_ / row_height_;
    int last = std::min(count - 1, (scroll_ + height() - 1) / row_height_);
    for (int index = first; index <= last; ++index) {
        QRect row = RowRect(index);
        bool selected = index == selected_;
        bool hovered = index == hover_row_ && enabled;
        QRectF face = QRectF(row).adjusted(2, 1, -2, -1);
        if (row_image_.Draw(painter, face, selected ? 1 : 0)) {
            if (hovered && !selected) {
                look::Panel(painter, face, QColor(255, 255, 255, 18), 4.0);
            }
        } else {
            look::ListRow(painter, face, selected, hovered, enabled);
        }
        QRect button = ButtonRect(index);
        QRectF content(face.left(), face.top(), button.left() - 4 - face.left(), face.height());
        PaintRow(painter, content, index, selected);
        if (!selected && !hovered) {
            continue;
        }
        Visual visual = !enabled                                          ? Visual::Disabled
                        : pressed_button_ == index                        ? Visual::Pressed
                        : hovered && hover_button_ && hover_row_ == index ? Visual::Hover
                                                                          : Visual::Normal;
        if (!button_image_.Draw(painter, button, static_cast<int>(visual))) {
            if (visual == Visual::Hover || visual == Visual::Pressed) {
                look::Panel(painter, button,
                            visual == Visual::Pressed ? look::Accent(Visual::Pressed)
                                                      : QColor(255, 255, 255, 36),
                            4.0);
            }
            look::Glyph(painter, button, QStringLiteral("more"),
                        look::TextColour(visual, look::kText));
        }
    }
    if (ScrollBarShown()) {
        look::ScrollBar(painter, ScrollTrack(), ScrollThumb(),
                        thumb_grab_.has_value() || (underMouse() && hover_row_ < 0));
    }
    if (hasFocus()) {
        look::FocusRing(painter, rect(), look::kRadius);
    }
}

void RowList::resizeEvent(QResizeEvent* event) {
    MControlFont::resizeEvent(event);
    ScrollTo(scroll_);
}

void RowList::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        MControlFont::mousePressEvent(event);
        return;
    }
    event->accept();
    QPoint point = event->position().toPoint();
    if (ScrollBarShown() && point.x() >= ScrollTrack().left() - 3) {
        QRectF thumb = ScrollThumb();
        if (thumb.contains(QPointF(thumb.center().x(), point.y()))) {
            thumb_grab_ = point.y() - thumb.top();
        } else {
            int page = PageRows() * row_height_;
            ScrollTo(scroll_ + (point.y() < thumb.top() ? -page : page));
        }
        update();
        return;
    }
    int row = RowAt(point);
    if (row < 0) {
        return;
    }
    bool on_button = ButtonRect(row).contains(point);
    if (!SelectByUser(row)) {
        return;
    }
    if (on_button) {
        pressed_button_ = row;
        update();
    }
}

void RowList::mouseMoveEvent(QMouseEvent* event) {
    QPoint point = event->position().toPoint();
    if (thumb_grab_.has_value()) {
        QRectF track = ScrollTrack();
        QRectF thumb = ScrollThumb();
        qreal room = track.height() - thumb.height();
        qreal share = room > 0 ? (point.y() - *thumb_grab_ - track.top()) / room : 0.0;
        ScrollTo(static_cast<int>(std::lround(std::clamp(share, 0.0, 1.0) * MaxScroll())));
        event->accept();
        return;
    }
    UpdateHover(point);
    MControlFont::mouseMoveEvent(event);
}

void RowList::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        MControlFont::mouseReleaseEvent(event);
        return;
    }
    event->accept();
    if (thumb_grab_.has_value()) {
        thumb_grab_.reset();
        update();
        return;
    }
    int row = pressed_button_;
    if (row < 0) {
        return;
    }
    pressed_button_ = -1;
    update();
    if (row < RowCount() && ButtonRect(row).contains(event->position().toPoint())) {
        Notify(Event::ItemButton, row);
    }
}

void RowList::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        MControlFont::mouseDoubleClickEvent(event);
        return;
    }
    event->accept();
    QPoint point = event->position().toPoint();
    int row = RowAt(point);
    if (row >= 0 && !ButtonRect(row).contains(point) && SelectByUser(row)) {
        RowDoubleClicked(row);
    }
}

void RowList::wheelEvent(QWheelEvent* event) {
    int before = scroll_;
    int step = !event->pixelDelta().isNull() ? event->pixelDelta().y()
                                             : event->angleDelta().y() * 3 * row_height_ / 120;
    ScrollTo(scroll_ - step);
    if (scroll_ != before) {
        UpdateHover(event->position().toPoint());
        event->accept();
    } else {
        event->ignore();
    }
}

void RowList::keyPressEvent(QKeyEvent* event) {
    int count = RowCount();
    int key = event->key();
    bool menu =
        key == Qt::Key_Menu || (key == Qt::Key_F10 && event->modifiers() & Qt::ShiftModifier);
    if (menu) {
        event->accept();
        if (selected_ >= 0) {
            EnsureVisible(selected_);
            Notify(Event::ItemButton, selected_);
        }
        return;
    }
    int target = -1;
    switch (key) {
        case Qt::Key_Up:
            target = selected_ < 0 ? count - 1 : selected_ - 1;
            break;
        case Qt::Key_Down:
            target = selected_ < 0 ? 0 : selected_ + 1;
            break;
        case Qt::Key_Home:
            target = 0;
            break;
        case Qt::Key_End:
            target = count - 1;
            break;
        case Qt::Key_PageUp:
            target = selected_ < 0 ? 0 : selected_ - PageRows();
            break;
        case Qt::Key_PageDown:
            target = selected_ < 0 ? 0 : selected_ + PageRows();
            break;
        default:
            MControlFont::keyPressEvent(event);
            return;
    }
    event->accept();
    if (count > 0) {
        SelectByUser(std::clamp(target, 0, count - 1));
    }
}

void RowList::focusOutEvent(QFocusEvent* event) {
    MControlFont::focusOutEvent(event);
    pressed_button_ = -1;
    thumb_grab_.reset();
    update();
}

void RowList::leaveEvent(QEvent* event) {
    hover_row_ = -1;
    hover_button_ = false;
    MControlFont::leaveEvent(event);
}

MacroList::MacroList(MDialog& owner, QWidget* parent, int id) : RowList(owner, parent, id) {
    RefreshAccessibleName();
}

int MacroList::AddItem(const QString& text, int item_data) {
    items_.push_back(Item{text, item_data});
    RowsChanged();
    return GetItemCount() - 1;
}

bool MacroList::DeleteItem(int index) {
    if (index < 0 || index >= GetItemCount()) {
        return false;
    }
    if (editing_ == index) {
        FinishEdit(false);
    } else if (editing_ > index) {
        --editing_;
    }
    items_.erase(items_.begin() + index);
    RowRemoved(index);
    PlaceEditor();
    return true;
}

void MacroList::DeleteAllItems() {
    FinishEdit(false);
    items_.clear();
    RowsReset();
}

int MacroList::GetItemData(int index) const {
    return index >= 0 && index < GetItemCount() ? items_[index].data : 0;
}

QString MacroList::GetItemString(int index) const {
    return index >= 0 && index < GetItemCount() ? items_[index].text : QString();
}

bool MacroList::ModifyItemString(int index, const QString& text) {
    if (index < 0 || index >= GetItemCount()) {
        return false;
    }
    items_[index].text = text;
    RefreshDescription();
    update();
    return true;
}

bool MacroList::EditItem(int index) {
    if (index < 0 || index >= GetItemCount()) {
        return false;
    }
    FinishEdit(false);
    if (editor_ == nullptr) {
        editor_ = new QLineEdit(this);
        editor_->setAccessibleName(QStringLiteral("Macro name"));
        editor_->setFrame(false);
        editor_->installEventFilter(this);
    }
    QColor accent = look::Accent();
    editor_->setStyleSheet(
        QStringLiteral("QLineEdit { background: %1; color: %2; border: 1px solid %3; "
                       "border-radius: 4px; padding: 0 6px; selection-background-color: %3; }")
            .arg(look::kField.name(), look::kText.name(), accent.name()));
    editor_->setFont(TextFont());
    editor_->setText(items_[index].text);
    editor_->selectAll();
    SetCurSel(index);
    editing_ = index;
    PlaceEditor();
    editor_->show();
    editor_->setFocus(Qt::OtherFocusReason);
    update();
    return true;
}

void MacroList::SetImage(const QString& file, int states) {
    SetRowImage(file, states);
}

void MacroList::SetEditImage(const QString& file, int states) {
    SetButtonImage(file, states);
}

void MacroList::PaintRow(QPainter& painter, const QRectF& content, int index, bool selected) {
    if (index == editing_) {
        return;
    }
    QColor ink = !isEnabled() ? look::kTextDisabled
                 : selected   ? look::kText
                              : TextColourOr(look::kText);
    QFont font = TextFont();
    painter.setFont(font);
    painter.setPen(ink);
    QRectF text = content.adjusted(14, 0, 0, 0);
    QString shown =
        QFontMetrics(font).elidedText(items_[index].text, Qt::ElideRight, int(text.width()));
    painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter, shown);
}

void MacroList::RowDoubleClicked(int index) {
    EditItem(index);
}

void MacroList::Scrolled() {
    PlaceEditor();
}

QString MacroList::AccessibleText() const {
    if (!GetTitle().isEmpty()) {
        return GetTitle();
    }
    return toolTip().isEmpty() ? QStringLiteral("Macros") : QString();
}

void MacroList::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F2 && GetCurSel() >= 0) {
        event->accept();
        EditItem(GetCurSel());
        return;
    }
    RowList::keyPressEvent(event);
}

void MacroList::resizeEvent(QResizeEvent* event) {
    RowList::resizeEvent(event);
    PlaceEditor();
}

bool MacroList::eventFilter(QObject* watched, QEvent* event) {
    if (watched != editor_ || editing_ < 0) {
        return RowList::eventFilter(watched, event);
    }
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            FinishEdit(true);
            return true;
        }
        if (key->key() == Qt::Key_Escape) {
            // Escape ends the renaming only; the dialog must not take it as its own cancel.
            FinishEdit(false);
            return true;
        }
    } else if (event->type() == QEvent::FocusOut) {
        FinishEdit(true);
    }
    return RowList::eventFilter(watched, event);
}

void MacroList::PlaceEditor() {
    if (editor_ == nullptr || editing_ < 0) {
        return;
    }
    QRect row = RowRect(editing_);
    QRect button = ButtonRect(editing_);
    int field = std::min(row.height() - 8, 30);
    editor_->setGeometry(row.left() + 8, row.top() + (row.height() - field) / 2,
                         std::max(20, button.left() - 6 - (row.left() + 8)), field);
}

void MacroList::FinishEdit(bool commit) {
    if (editing_ < 0) {
        return;
    }
    int row = editing_;
    editing_ = -1;
    QString text = editor_->text().trimmed();
    if (editor_->hasFocus()) {
        setFocus(Qt::OtherFocusReason);
    }
    editor_->hide();
    update();
    if (!commit || row >= GetItemCount()) {
        return;
    }
    ModifyItemString(row, text);
    Notify(Event::ItemEdited, row);
}

CRecordList::CRecordList(MDialog& owner, QWidget* parent, int id) : RowList(owner, parent, id) {
    SetItemHeight(32);
    RefreshAccessibleName();
}

int CRecordList::AddRecord(const QString& text, int type, int value, int timestamp) {
    bool follow = ShowsEnd();
    records_.push_back(RecordItem{text, type, value, timestamp});
    RowsChanged();
    if (follow) {
        ShowEnd();
    }
    return GetEventCount() - 1;
}

int CRecordList::InsertRecord(int index, const QString& text, int type, int value, int timestamp) {
    int at = std::clamp(index, 0, GetEventCount());
    records_.insert(records_.begin() + at, RecordItem{text, type, value, timestamp});
    RowInserted(at);
    return at;
}

int CRecordList::SetRecordInfo(int timestamp, int type, const QString& text, int value) {
    int changed = 0;
    for (RecordItem& record : records_) {
        if (record.timestamp == timestamp && record.type == type) {
            record.text = text;
            record.value = value;
            ++changed;
        }
    }
    if (changed > 0) {
        RowsChanged();
    }
    return changed;
}

bool CRecordList::SetRecordItem(int index, const QString& text, int type, int value) {
    if (!Valid(index)) {
        return false;
    }
    RecordItem& record = records_[index];
    record.text = text;
    record.type = type;
    record.value = value;
    RowsChanged();
    return true;
}

std::optional<RecordItem> CRecordList::GetRecordItem(int index) const {
    if (!Valid(index)) {
        return std::nullopt;
    }
    return records_[index];
}

std::optional<int> CRecordList::GetRecrodTimeStamp(int index) const {
    if (!Valid(index)) {
        return std::nullopt;
    }
    return records_[index].timestamp;
}

int CRecordList::DeleteTimeStamp(int timestamp) {
    int selected = GetCurSel();
    int kept_selection = -1;
    std::vector<RecordItem> kept;
    kept.reserve(records_.size());
    for (int i = 0; i < GetEventCount(); ++i) {
        if (records_[i].timestamp == timestamp) {
            continue;
        }
        if (i == selected) {
            kept_selection = static_cast<int>(kept.size());
        }
        kept.push_back(std::move(records_[i]));
    }
    int removed = GetEventCount() - static_cast<int>(kept.size());
    records_ = std::move(kept);
    KeepSelection(kept_selection);
    RowsChanged();
    return removed;
}

bool CRecordList::DeleteItem(int index) {
    if (!Valid(index)) {
        return false;
    }
    records_.erase(records_.begin() + index);
    RowRemoved(index);
    return true;
}

void CRecordList::DeleteAllItems() {
    records_.clear();
    RowsReset();
}

bool CRecordList::MoveTop(int index) {
    if (!Valid(index)) {
        return false;
    }
    std::rotate(records_.begin(), records_.begin() + index, records_.begin() + index + 1);
    RowMoved(index, 0);
    return true;
}

bool CRecordList::MoveBottom(int index) {
    if (!Valid(index)) {
        return false;
    }
    std::rotate(records_.begin() + index, records_.begin() + index + 1, records_.end());
    RowMoved(index, GetEventCount() - 1);
    return true;
}

bool CRecordList::SwapItems(int first, int second) {
    if (!Valid(first) || !Valid(second)) {
        return false;
    }
    std::swap(records_[first], records_[second]);
    RowsSwapped(first, second);
    return true;
}

void CRecordList::SetItemImage(const QString& file, int states) {
    SetRowImage(file, states);
}

void CRecordList::SetMoreImage(const QString& file, int states) {
    SetButtonImage(file, states);
}

void CRecordList::PaintRow(QPainter& painter, const QRectF& content, int index, bool selected) {
    const RecordItem& record = records_[index];
    bool enabled = isEnabled();
    // The columns line up with the page's header labels above the list.
    qreal w = width();
    QRectF number(content.left(), content.top(), w * 0.232 - content.left(), content.height());
    QRectF kind(w * 0.232, content.top(), w * 0.24, content.height());
    QRectF text(w * 0.528, content.top(), content.right() - w * 0.528, content.height());

    QFont font = TextFont();
    painter.setFont(font);
    painter.setPen(enabled ? look::kTextDim : look::kTextDisabled);
    painter.drawText(number, Qt::AlignCenter, QString::number(index + 1));

    qreal icon = std::min<qreal>(20.0, content.height() - 10.0);
    QRectF icon_rect(kind.center().x() - icon / 2, kind.center().y() - icon / 2, icon, icon);
    int frame = RecordIconIndex(record.type);
    if (frame < 0 || !Image().Draw(painter, icon_rect, frame)) {
        QColor ink = !enabled ? look::kTextDisabled : selected ? look::kText : look::kTextDim;
        look::StepGlyph(painter, icon_rect, RecordGlyphName(record.type), ink);
    }

    QColor ink = !enabled   ? look::kTextDisabled
                 : selected ? look::kText
                            : TextColourOr(look::kText);
    painter.setPen(ink);
    QString shown =
        QFontMetrics(font).elidedText(record.text, Qt::ElideRight, std::max(0, int(text.width())));
    painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter, shown);
}

QString CRecordList::RowText(int index) const {
    if (!Valid(index)) {
        return {};
    }
    return QStringLiteral("%1 / %2: %3")
        .arg(index + 1)
        .arg(GetEventCount())
        .arg(records_[index].text);
}

QString CRecordList::AccessibleText() const {
    if (!GetTitle().isEmpty()) {
        return GetTitle();
    }
    return toolTip().isEmpty() ? QStringLiteral("Macro steps") : QString();
}

int RecordIconIndex(int type) {
    if (type >= 1 && type <= 7) {
        return type - 1;
    }
    return type >= 8 && type <= 12 ? 7 : -1;
}

QString RecordGlyphName(int type) {
    static const char* const kNames[] = {"delay",    "key-down",  "key-up",      "mouse-down",
                                         "mouse-up", "scroll-up", "scroll-down", "move"};
    int index = RecordIconIndex(type);
    return index < 0 ? QString() : QString::fromLatin1(kNames[index]);
}

}  // namespace veltra::ui
