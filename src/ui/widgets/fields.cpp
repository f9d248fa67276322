#include "ui/widgets/fields.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QRegularExpressionValidator>
#include <QStyledItemDelegate>
#include <algorithm>
#include <cstdlib>

namespace veltra::ui {
namespace {

constexpr int kRowHeight = 28;
constexpr int kArrowWidth = 24;
constexpr int kStepperWidth = 16;

// The rows of the open list: the dark field, the row under the mouse lighter, the current row
// in the theme colour.
class RowDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        painter->save();
        QColor fill = look::kField;
        if ((option.state & QStyle::State_Selected) != 0) {
            fill = look::Accent();
        } else if ((option.state & QStyle::State_MouseOver) != 0) {
            fill = look::kFieldHover;
        }
        painter->fillRect(option.rect, fill);
        painter->setFont(option.font);
        painter->setPen(look::kText);
        painter->drawText(option.rect.adjusted(10, 0, -10, 0), Qt::AlignLeft | Qt::AlignVCenter,
                          index.data(Qt::DisplayRole).toString());
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        return {size.width() + 20, std::max(size.height(), kRowHeight)};
    }
};

QPalette DarkPalette(const QColor& text) {
    QPalette palette;
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        bool disabled = group == QPalette::Disabled;
        palette.setColor(group, QPalette::Text, disabled ? look::kTextDisabled : text);
        palette.setColor(group, QPalette::WindowText, disabled ? look::kTextDisabled : text);
        palette.setColor(group, QPalette::ButtonText, disabled ? look::kTextDisabled : text);
        palette.setColor(group, QPalette::Base, Qt::transparent);
        palette.setColor(group, QPalette::Window, look::kField);
        palette.setColor(group, QPalette::Button, look::kField);
        palette.setColor(group, QPalette::Highlight, look::Accent());
        palette.setColor(group, QPalette::HighlightedText, look::kText);
        palette.setColor(group, QPalette::PlaceholderText, look::kTextDim);
    }
    return palette;
}

}  // namespace

// The Qt drop-down inside MComboBox; the owner paints its face.
class ComboField : public QComboBox {
  public:
    explicit ComboField(MComboBox* owner) : QComboBox(owner), owner_(owner) {
        setFocusPolicy(Qt::StrongFocus);
        setItemDelegate(new RowDelegate(this));
        setMaxVisibleItems(10);
        QAbstractItemView* list = view();
        list->setMouseTracking(true);
        QPalette palette = DarkPalette(look::kText);
        palette.setColor(QPalette::Base, look::kField);
        list->setPalette(palette);
        // The list's frame is the popup window around it.
        if (QWidget* popup = list->parentWidget()) {
            popup->setPalette(palette);
        }
    }
    void Detach() { owner_ = nullptr; }
    bool Open() const { return open_; }

    void showPopup() override {
        if (owner_ != nullptr) {
            view()->setFont(owner_->TextFont());
        }
        open_ = true;
        QComboBox::showPopup();
        if (owner_ != nullptr) {
            owner_->update();
        }
    }
    void hidePopup() override {
        QComboBox::hidePopup();
        open_ = false;
        if (owner_ != nullptr) {
            owner_->update();
        }
    }

  protected:
    void paintEvent(QPaintEvent* event) override {
        (void)event;
        if (owner_ != nullptr) {
            QPainter painter(this);
            owner_->PaintFace(painter, *this, open_);
        }
    }
    void wheelEvent(QWheelEvent* event) override {
        // A wheel turned over the page must not change a setting in passing.
        if (hasFocus()) {
            QComboBox::wheelEvent(event);
        } else {
            event->ignore();
        }
    }
    void focusInEvent(QFocusEvent* event) override {
        QComboBox::focusInEvent(event);
        update();
    }
    void focusOutEvent(QFocusEvent* event) override {
        QComboBox::focusOutEvent(event);
        update();
    }

  private:
    MComboBox* owner_;
    bool open_ = false;
};

MComboBox::MComboBox(MDialog& owner, QWidget* parent, int id)
    : MControlFont(owner, parent, id), box_(new ComboField(this)) {
    setFocusPolicy(Qt::StrongFocus);
    setFocusProxy(box_);
    SetAlignment(Qt::AlignHCenter);
    box_->setGeometry(rect());
    connect(box_, &QComboBox::activated, this, [this](int index) { UserChose(index); });
}

MComboBox::~MComboBox() {
    box_->Detach();
    QObject::disconnect(box_, nullptr, this, nullptr);
}

int MComboBox::AddItem(const QString& text, int value) {
    bool first = box_->count() == 0;
    box_->addItem(text, value);
    if (first) {
        // Qt selects the first item added; the pages select explicitly.
        box_->setCurrentIndex(-1);
    }
    Settle();
    return box_->count() - 1;
}

void MComboBox::DelAllItems() {
    box_->clear();
    Settle();
}

int MComboBox::GetCount() const {
    return box_->count();
}

int MComboBox::GetCurSel() const {
    return box_->currentIndex();
}

void MComboBox::SetCurSel(int index) {
    box_->setCurrentIndex(index >= 0 && index < box_->count() ? index : -1);
    Settle();
}

bool MComboBox::SelectData(int value) {
    int index = box_->findData(value);
    if (index < 0) {
        return false;
    }
    SetCurSel(index);
    return true;
}

int MComboBox::GetCurData() const {
    return GetItemData(box_->currentIndex());
}

int MComboBox::GetItemData(int index) const {
    if (index < 0 || index >= box_->count()) {
        return 0;
    }
    return box_->itemData(index).toInt();
}

void MComboBox::SetItemData(int index, int value) {
    if (index >= 0 && index < box_->count()) {
        box_->setItemData(index, value);
    }
}

QString MComboBox::GetItemText(int index) const {
    return index >= 0 && index < box_->count() ? box_->itemText(index) : QString();
}

void MComboBox::SetItemText(int index, const QString& text) {
    if (index >= 0 && index < box_->count()) {
        box_->setItemText(index, text);
        box_->update();
    }
}

bool MComboBox::PopupVisible() const {
    return box_->Open();
}

void MComboBox::Settle() {
    shown_ = box_->currentIndex();
    box_->update();
}

void MComboBox::UserChose(int index) {
    if (index == shown_ || !isEnabled()) {
        return;
    }
    shown_ = index;
    Notify(Event::Action, index);
}

void MComboBox::SetTitle(const QString& title) {
    MControlFont::SetTitle(title);
    SyncName();
    box_->update();
}

void MComboBox::SyncName() {
    QString name = AccessibleText();
    box_->setAccessibleName(name.isEmpty() ? toolTip() : name);
}

bool MComboBox::event(QEvent* event) {
    if (event->type() == QEvent::ToolTipChange) {
        box_->setToolTip(toolTip());
        SyncName();
    }
    return MControlFont::event(event);
}

void MComboBox::resizeEvent(QResizeEvent* event) {
    MControlFont::resizeEvent(event);
    box_->setGeometry(rect());
}

void MComboBox::PaintFace(QPainter& painter, const QWidget& box, bool open) const {
    Visual visual = CurrentVisual();
    if (open && visual != Visual::Disabled) {
        visual = Visual::Pressed;
    }
    QRectF area = box.rect();
    bool skinned = Image().Draw(painter, area, static_cast<int>(visual));
    if (!skinned) {
        look::FieldFace(painter, area, visual == Visual::Pressed ? Visual::Hover : visual,
                        box.hasFocus() || open);
        QRectF arrow(area.right() - kArrowWidth, area.top(), kArrowWidth - 4, area.height());
        QString glyph = open ? QStringLiteral("up") : QStringLiteral("arrow-down");
        look::Glyph(painter, arrow.adjusted(2, 4, -2, -4), glyph,
                    visual == Visual::Disabled ? look::kTextDisabled : look::kTextDim);
    } else if (box.hasFocus()) {
        look::FocusRing(painter, area, 4.0);
    }
    int index = box_->currentIndex();
    QString text = index >= 0 ? box_->itemText(index) : GetTitle();
    QColor ink = index >= 0 ? TextColourOr(look::kText) : look::kTextDim;
    painter.setFont(TextFont());
    painter.setPen(look::TextColour(visual, ink));
    QRectF label = area.adjusted(10, 0, -kArrowWidth, 0);
    QString shown =
        painter.fontMetrics().elidedText(text, Qt::ElideRight, static_cast<int>(label.width()));
    painter.drawText(label, static_cast<int>(TextAlignment()), shown);
}

// The Qt line edit inside MEdit; it hands focus, Enter and Up/Down to its owner.
class LineField : public QLineEdit {
  public:
    explicit LineField(MEdit* owner) : QLineEdit(owner), owner_(owner) {
        setFrame(false);
        setAttribute(Qt::WA_MacShowFocusRect, false);
    }
    void Detach() { owner_ = nullptr; }

  protected:
    void focusInEvent(QFocusEvent* event) override {
        QLineEdit::focusInEvent(event);
        // The field's own context menu takes and gives back the focus; that is no visit.
        if (owner_ != nullptr && event->reason() != Qt::PopupFocusReason) {
            owner_->FocusIn(event->reason() == Qt::ActiveWindowFocusReason);
        }
    }
    void focusOutEvent(QFocusEvent* event) override {
        QLineEdit::focusOutEvent(event);
        if (owner_ != nullptr && event->reason() != Qt::PopupFocusReason) {
            owner_->FocusOut(event->reason() == Qt::ActiveWindowFocusReason);
        }
    }
    bool event(QEvent* event) override {
        // A capture field sees every key before focus moves, shortcuts or editing take it.
        if (owner_ != nullptr && owner_->capture_) {
            switch (event->type()) {
                case QEvent::ShortcutOverride:
                    event->accept();
                    return true;
                case QEvent::KeyPress:
                case QEvent::KeyRelease:
                    event->accept();
                    owner_->KeyInput(*static_cast<QKeyEvent*>(event));
                    return true;
                default:
                    break;
            }
        }
        return QLineEdit::event(event);
    }
    void keyPressEvent(QKeyEvent* event) override {
        if (owner_ != nullptr) {
            int key = event->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                event->accept();
                owner_->Commit();
                return;
            }
            if ((key == Qt::Key_Up || key == Qt::Key_Down) && !isReadOnly() &&
                owner_->Step(key == Qt::Key_Up ? 1 : -1)) {
                event->accept();
                return;
            }
        }
        QLineEdit::keyPressEvent(event);
    }

  private:
    MEdit* owner_;
};

MEdit::MEdit(MDialog& owner, QWidget* parent, int id)
    : MControlFont(owner, parent, id), field_(new LineField(this)) {
    setFocusPolicy(Qt::TabFocus);
    setFocusProxy(field_);
    setCursor(Qt::IBeamCursor);
    connect(field_, &QLineEdit::textEdited, this, [this] { TextEdited(); });
    connect(field_, &QLineEdit::textChanged, this, [this] { SyncTitle(); });
    SyncField();
}

MEdit::~MEdit() {
    field_->Detach();
    QObject::disconnect(field_, nullptr, this, nullptr);
}

void MEdit::SetTitle(const QString& title) {
    if (field_->text() != title) {
        field_->setText(title);
    }
    MControlFont::SetTitle(title);
}

void MEdit::SetValidatorPattern(const QString& pattern) {
    delete field_->validator();
    field_->setValidator(
        pattern.isEmpty() ? nullptr
                          : new QRegularExpressionValidator(QRegularExpression(pattern), field_));
}

void MEdit::SetNumberOnly(bool digits_only) {
    SetValidatorPattern(digits_only ? QStringLiteral("[0-9]{0,9}") : QString());
}

void MEdit::SetReadOnly(bool read_only) {
    field_->setReadOnly(read_only);
}

void MEdit::SetCueText(const QString& text) {
    field_->setPlaceholderText(text);
}

bool MEdit::FieldFocused() const {
    return field_->hasFocus();
}

void MEdit::SyncTitle() {
    // The field's text, not a signal's copy: a handler may have replaced it meanwhile.
    if (GetTitle() != field_->text()) {
        MControlFont::SetTitle(field_->text());
    }
}

void MEdit::TextEdited() {
    SyncTitle();
    dirty_ = true;
    Notify(Event::TextChanged, 0);
}

void MEdit::Commit() {
    QPointer<MEdit> alive(this);
    int parameter = Committed();
    if (alive) {
        dirty_ = false;
        Notify(Event::Action, parameter);
    }
}

void MEdit::ReportStep(int parameter) {
    QPointer<MEdit> alive(this);
    Notify(Event::TextChanged, 0);
    if (alive) {
        dirty_ = false;
        Notify(Event::Action, parameter);
    }
}

void MEdit::SetKeyCapture(bool capture) {
    capture_ = capture;
    field_->setReadOnly(capture);
    field_->setAttribute(Qt::WA_InputMethodEnabled, !capture);
    field_->setContextMenuPolicy(capture ? Qt::NoContextMenu : Qt::DefaultContextMenu);
    field_->setAcceptDrops(!capture);
}

void MEdit::KeyInput(const QKeyEvent& event) {
    if (!isEnabled()) {
        return;
    }
    last_key_.release = event.type() == QEvent::KeyRelease;
    last_key_.autorepeat = event.isAutoRepeat();
    last_key_.native_scan_code = event.nativeScanCode();
    last_key_.native_virtual_key = event.nativeVirtualKey();
    Notify(Event::KeyInput, last_key_.release ? 1 : 0);
}

void MEdit::FocusIn(bool window_activation) {
    update();
    if (isEnabled()) {
        Notify(Event::FocusGained, window_activation ? 1 : 0);
    }
}

void MEdit::FocusOut(bool window_activation) {
    update();
    // A field the program disables while it has the focus reports nothing.
    if (!isEnabled()) {
        return;
    }
    QPointer<MEdit> alive(this);
    if (dirty_) {
        Commit();
    }
    if (alive) {
        Notify(Event::FocusLost, window_activation ? 1 : 0);
    }
}

QRect MEdit::FieldRect() const {
    return Image().File().isEmpty() ? rect().adjusted(2, 0, -2, 0) : rect().adjusted(8, 1, -8, -1);
}

void MEdit::SyncField() {
    QFont font = TextFont();
    if (field_->font() != font) {
        field_->setFont(font);
    }
    Qt::Alignment alignment = TextAlignment();
    if (field_->alignment() != alignment) {
        field_->setAlignment(alignment);
    }
    QPalette palette = DarkPalette(TextColourOr(look::kText));
    if (field_->palette() != palette) {
        field_->setPalette(palette);
    }
    if (field_->geometry() != FieldRect()) {
        field_->setGeometry(FieldRect());
    }
}

void MEdit::paintEvent(QPaintEvent* event) {
    (void)event;
    SyncField();
    QPainter painter(this);
    bool focused = field_->hasFocus();
    Visual visual = CurrentVisual();
    if (Image().File().isEmpty()) {
        if (focused) {
            painter.fillRect(QRectF(0, height() - 2.0, width(), 2.0), look::Accent());
        }
        return;
    }
    int frame = visual == Visual::Disabled ? 3 : (focused ? 2 : static_cast<int>(visual));
    if (!Image().Draw(painter, rect(), frame)) {
        look::FieldFace(painter, rect(), visual == Visual::Pressed ? Visual::Hover : visual,
                        focused);
    }
}

void MEdit::resizeEvent(QResizeEvent* event) {
    MControlFont::resizeEvent(event);
    field_->setGeometry(FieldRect());
}

bool MEdit::event(QEvent* event) {
    if (event->type() == QEvent::ToolTipChange) {
        field_->setToolTip(toolTip());
        field_->setAccessibleName(toolTip());
    }
    return MControlFont::event(event);
}

void MEdit::mousePressEvent(QMouseEvent* event) {
    // The margin around the text belongs to the field; only a click there takes the focus,
    // so that the steppers of a number field leave it where it is.
    if (event->button() == Qt::LeftButton && field_->isEnabled()) {
        field_->setFocus(Qt::MouseFocusReason);
        event->accept();
        return;
    }
    MControlFont::mousePressEvent(event);
}

NumberEdit::NumberEdit(MDialog& owner, QWidget* parent, int id) : MEdit(owner, parent, id) {
    SetRange(0, 100);
}

void NumberEdit::SetRange(int minimum, int maximum) {
    minimum_ = std::min(minimum, maximum);
    maximum_ = std::max(minimum, maximum);
    auto digits = [](int value) {
        return QString::number(std::llabs(static_cast<long long>(value))).size();
    };
    auto width = std::max(digits(minimum_), digits(maximum_));
    QString sign = minimum_ < 0 ? QStringLiteral("-?") : QString();
    SetValidatorPattern(QStringLiteral("%1[0-9]{0,%2}").arg(sign).arg(width));
}

int NumberEdit::GetValue() const {
    bool ok = false;
    long long number = GetTitle().trimmed().toLongLong(&ok);
    if (!ok) {
        return minimum_;
    }
    return static_cast<int>(std::clamp<long long>(number, minimum_, maximum_));
}

void NumberEdit::SetValue(int value) {
    SetTitle(QString::number(std::clamp(value, minimum_, maximum_)));
}

int NumberEdit::Committed() {
    int value = GetValue();
    QString text = QString::number(value);
    if (GetTitle() != text) {
        SetTitle(text);
    }
    return value;
}

bool NumberEdit::Step(int direction) {
    int before = GetValue();
    int after = std::clamp(before + direction, minimum_, maximum_);
    QString text = QString::number(after);
    if (GetTitle() == text) {
        return true;
    }
    SetTitle(text);
    ReportStep(after);
    return true;
}

NumberEdit2::NumberEdit2(MDialog& owner, QWidget* parent, int id) : NumberEdit(owner, parent, id) {
    setMouseTracking(true);
}

QRect NumberEdit2::FieldRect() const {
    return MEdit::FieldRect().adjusted(0, 0, -kStepperWidth + 4, 0);
}

QRect NumberEdit2::StepperRect(int direction) const {
    int half = height() / 2;
    QRect column(width() - kStepperWidth - 3, 3, kStepperWidth, height() - 6);
    return direction > 0 ? QRect(column.left(), column.top(), column.width(), half - 3)
                         : QRect(column.left(), half, column.width(), column.bottom() - half + 1);
}

int NumberEdit2::StepperAt(const QPoint& point) const {
    if (StepperRect(1).contains(point)) {
        return 1;
    }
    return StepperRect(-1).contains(point) ? -1 : 0;
}

void NumberEdit2::paintEvent(QPaintEvent* event) {
    NumberEdit::paintEvent(event);
    QPainter painter(this);
    bool disabled = !isEnabled();
    for (int direction : {1, -1}) {
        QRectF box = StepperRect(direction);
        if (!disabled && (pressed_ == direction || hovered_ == direction)) {
            look::Panel(painter, box,
                        pressed_ == direction ? look::Accent(Visual::Pressed) : look::kFieldHover,
                        3.0);
        }
        QColor ink = disabled                                         ? look::kTextDisabled
                     : pressed_ == direction || hovered_ == direction ? look::kText
                                                                      : look::kTextDim;
        QRectF glyph(box.center().x() - 6.0, box.center().y() - 6.0, 12.0, 12.0);
        look::Glyph(painter, glyph, direction > 0 ? QStringLiteral("up") : QStringLiteral("down"),
                    ink);
    }
}

void NumberEdit2::mousePressEvent(QMouseEvent* event) {
    int stepper = StepperAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && stepper != 0) {
        pressed_ = stepper;
        update();
        event->accept();
        return;
    }
    NumberEdit::mousePressEvent(event);
}

void NumberEdit2::mouseMoveEvent(QMouseEvent* event) {
    int stepper = StepperAt(event->position().toPoint());
    if (stepper != hovered_) {
        hovered_ = stepper;
        update();
    }
    NumberEdit::mouseMoveEvent(event);
}

void NumberEdit2::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && pressed_ != 0) {
        int stepper = pressed_;
        pressed_ = 0;
        update();
        event->accept();
        if (StepperAt(event->position().toPoint()) == stepper) {
            Step(stepper);
        }
        return;
    }
    NumberEdit::mouseReleaseEvent(event);
}

void NumberEdit2::leaveEvent(QEvent* event) {
    hovered_ = 0;
    NumberEdit::leaveEvent(event);
}

}  // namespace veltra::ui
