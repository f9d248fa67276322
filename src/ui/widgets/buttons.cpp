#include "ui/widgets/buttons.h"

#include <QFileInfo>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <algorithm>
#include <typeinfo>

#include "ui/widgets/accessible.h"
#include "ui/widgets/dialog.h"
#include "ui/widgets/manager.h"

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

namespace {

// The box or circle of a check or radio button at the left, the text to its right. The focus
// ring surrounds what is drawn, not the whole (often much wider) control.
void PaintToggle(QPainter& painter, const QWidget& widget, const SkinImage& image, Visual visual,
                 bool checked, bool round, const QFont& font, const QColor& ink,
                 const QString& text) {
    QRectF area = widget.rect();
    QSizeF natural = image.FrameSize();
    qreal side = natural.isEmpty() ? std::clamp(area.height() * 0.55, 14.0, 18.0)
                                   : std::min<qreal>(natural.height(), area.height());
    qreal box_width = natural.isEmpty() ? side : natural.width() * side / natural.height();
    QRectF box(2.0, (area.height() - side) / 2.0, box_width, side);
    int frame = static_cast<int>(visual) + (checked ? 4 : 0);
    if (!image.Draw(painter, box, frame)) {
        look::CheckMark(painter, box, visual, checked, round);
    }
    painter.setFont(font);
    painter.setPen(look::TextColour(visual, ink));
    QRectF label(box.right() + 8.0, 0.0, std::max(0.0, area.width() - box.right() - 8.0),
                 area.height());
    painter.drawText(label, Qt::AlignLeft | Qt::AlignVCenter, text);
    if (widget.hasFocus()) {
        qreal used = box.right() + 8.0 + QFontMetricsF(font).horizontalAdvance(text) + 4.0;
        look::FocusRing(painter, QRectF(0, 0, std::min(used, area.width()), area.height()), 4.0);
    }
}

// Whether a key press or release is one that clicks.
bool IsClickKey(const QKeyEvent& event) {
    int key = event.key();
    return !event.isAutoRepeat() &&
           (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter);
}

// The bubble of a help button: a dark panel under the button with the wrapped help text.
class HelpBubble : public QWidget {
  public:
    explicit HelpBubble(QWidget* owner) : QWidget(owner, Qt::ToolTip | Qt::FramelessWindowHint) {
        setAttribute(Qt::WA_TranslucentBackground);
        setAttribute(Qt::WA_ShowWithoutActivating);
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

    void ShowText(const QString& text, const QWidget& anchor) {
        text_ = text;
        QFont font = Manager::UiFont(13);
        QFontMetrics metrics(font);
        QRect bounds = metrics.boundingRect(QRect(0, 0, kMaxWidth, 10000),
                                            Qt::TextWordWrap | Qt::AlignLeft, text_);
        QSize size = bounds.size() + QSize(2 * kPadding, 2 * kPadding);
        QPoint at = anchor.mapToGlobal(QPoint(0, anchor.height() + 4));
        QScreen* screen = anchor.screen();
        if (screen != nullptr) {
            QRect room = screen->availableGeometry();
            if (at.x() + size.width() > room.right()) {
                at.setX(std::max(room.left(), room.right() - size.width()));
            }
            if (at.y() + size.height() > room.bottom()) {
                at.setY(anchor.mapToGlobal(QPoint(0, 0)).y() - size.height() - 4);
            }
        }
        setGeometry(QRect(at, size));
        show();
        update();
    }

  protected:
    void paintEvent(QPaintEvent* event) override {
        (void)event;
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(look::kBorder, 1.0));
        painter.setBrush(look::kPanel);
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 6.0, 6.0);
        painter.setFont(Manager::UiFont(13));
        painter.setPen(look::kText);
        painter.drawText(rect().adjusted(kPadding, kPadding, -kPadding, -kPadding),
                         Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, text_);
    }

  private:
    static constexpr int kMaxWidth = 320;
    static constexpr int kPadding = 10;
    QString text_;
};

// The glyph an icon file of the icon buttons stands for.
QString GlyphForIcon(const QString& file) {
    QString name =
        QFileInfo(QString(file).replace(QLatin1Char('\\'), QLatin1Char('/'))).completeBaseName();
    if (name == QLatin1String("icon_stop_rec")) {
        return QStringLiteral("stop");
    }
    if (name == QLatin1String("icon_rec")) {
        return QStringLiteral("record");
    }
    return GlyphForImage(file);
}

}  // namespace

MButton3::MButton3(MDialog& owner, QWidget* parent, int id) : ClickableControl(owner, parent, id) {
    SetAlignment(Qt::AlignHCenter);
}

void MButton3::SetCheck(bool checked) {
    if (checked_ != checked) {
        checked_ = checked;
        update();
        ReportCheckChanged(this);
    }
}

void MButton3::paintEvent(QPaintEvent* event) {
    (void)event;
    QPainter painter(this);
    Visual visual = CurrentVisual();
    bool lit = checked_ && visual != Visual::Disabled;
    int frame = lit && visual != Visual::Hover ? static_cast<int>(Visual::Pressed)
                                               : static_cast<int>(visual);
    if (Image().Draw(painter, rect(), frame)) {
        if (lit) {
            painter.save();
            painter.setRenderHint(QPainter::Antialiasing);
            painter.setPen(QPen(look::Accent(visual), 1.5));
            painter.setBrush(Qt::NoBrush);
            painter.drawRoundedRect(QRectF(rect()).adjusted(0.75, 0.75, -0.75, -0.75), 4.0, 4.0);
            painter.restore();
        }
    } else {
        look::ButtonFace(painter, rect(), visual, checked_);
    }
    painter.setFont(TextFont());
    painter.setPen(look::TextColour(visual, TextColourOr(look::kText)));
    painter.drawText(rect().adjusted(4, 0, -4, 0), static_cast<int>(TextAlignment()), GetTitle());
    PaintFocus(painter);
}

CTextButton::CTextButton(MDialog& owner, QWidget* parent, int id)
    : ClickableControl(owner, parent, id) {
    SetAlignment(Qt::AlignHCenter);
}

void CTextButton::paintEvent(QPaintEvent* event) {
    (void)event;
    QPainter painter(this);
    Visual visual = CurrentVisual();
    QFont font = TextFont();
    QColor ink = TextColourOr(look::kText);
    if (visual == Visual::Hover || visual == Visual::Pressed) {
        font.setUnderline(true);
        ink = look::Accent(visual);
    }
    painter.setFont(font);
    painter.setPen(look::TextColour(visual, ink));
    painter.drawText(rect(), static_cast<int>(TextAlignment()), GetTitle());
    PaintFocus(painter, 4.0);
}

CHelpButton::CHelpButton(MDialog& owner, QWidget* parent, int id)
    : ClickableControl(owner, parent, id) {}

void CHelpButton::SetHelpText(const QString& text) {
    help_ = text;
    RefreshAccessibleName();
    if (bubble_ != nullptr && bubble_->isVisible()) {
        ShowBubble();
    }
}

QWidget* CHelpButton::Bubble() const {
    return bubble_ != nullptr && bubble_->isVisible() ? bubble_ : nullptr;
}

void CHelpButton::ShowBubble() {
    if (help_.isEmpty() || !isVisible()) {
        return;
    }
    if (bubble_ == nullptr) {
        bubble_ = new HelpBubble(this);
    }
    static_cast<HelpBubble*>(bubble_)->ShowText(help_, *this);
}

void CHelpButton::HideBubble() {
    if (bubble_ != nullptr) {
        bubble_->hide();
    }
}

void CHelpButton::Clicked() {
    if (Bubble() != nullptr) {
        HideBubble();
    } else {
        ShowBubble();
    }
}

bool CHelpButton::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        ShowBubble();
        return true;
    }
    return ClickableControl::event(event);
}

void CHelpButton::leaveEvent(QEvent* event) {
    HideBubble();
    ClickableControl::leaveEvent(event);
}

void CHelpButton::focusOutEvent(QFocusEvent* event) {
    HideBubble();
    ClickableControl::focusOutEvent(event);
}

void CHelpButton::hideEvent(QHideEvent* event) {
    HideBubble();
    ClickableControl::hideEvent(event);
}

void CHelpButton::paintEvent(QPaintEvent* event) {
    (void)event;
    QPainter painter(this);
    Visual visual = CurrentVisual();
    if (!Image().Draw(painter, rect(), static_cast<int>(visual))) {
        QColor ink = visual == Visual::Disabled ? look::kTextDisabled
                     : visual == Visual::Normal ? look::kTextDim
                                                : look::Accent(visual);
        if (Bubble() != nullptr && visual != Visual::Disabled) {
            ink = look::Accent();
        }
        look::Glyph(painter, rect(), QStringLiteral("help"), ink);
    }
    PaintFocus(painter, std::min(width(), height()) / 2.0);
}

CIconButton::CIconButton(MDialog& owner, QWidget* parent, int id)
    : ClickableControl(owner, parent, id) {}

void CIconButton::SetIcon(const QString& file) {
    icon_ = SkinImage(file, 1);
    glyph_ = GlyphForIcon(file);
    update();
}

void CIconButton::paintEvent(QPaintEvent* event) {
    (void)event;
    QPainter painter(this);
    Visual visual = CurrentVisual();
    if (!Image().Draw(painter, rect(), static_cast<int>(visual))) {
        look::ButtonFace(painter, rect(), visual);
    }
    QFont font = TextFont();
    qreal side = std::clamp(height() - 12.0, 10.0, 20.0);
    QSizeF natural = icon_.FrameSize();
    qreal icon_width = natural.isEmpty() ? side : natural.width() * side / natural.height();
    bool has_icon = !icon_.Empty() || !glyph_.isEmpty();
    qreal gap = has_icon && !GetTitle().isEmpty() ? 6.0 : 0.0;
    qreal text_width = QFontMetricsF(font).horizontalAdvance(GetTitle());
    qreal used = (has_icon ? icon_width : 0.0) + gap + text_width;
    qreal left = std::max(4.0, (width() - used) / 2.0);
    QRectF icon(left, (height() - side) / 2.0, icon_width, side);
    if (!icon_.Draw(painter, icon, 0)) {
        look::Glyph(painter, icon, glyph_, look::TextColour(visual));
    }
    painter.setFont(font);
    painter.setPen(look::TextColour(visual, TextColourOr(look::kText)));
    qreal text_left = left + (has_icon ? icon_width + gap : 0.0);
    painter.drawText(QRectF(text_left, 0, std::max(0.0, width() - text_left - 4.0), height()),
                     Qt::AlignLeft | Qt::AlignVCenter, GetTitle());
    PaintFocus(painter);
}

CCheckButton::CCheckButton(MDialog& owner, QWidget* parent, int id)
    : ClickableControl(owner, parent, id) {}

void CCheckButton::SetCheck(bool checked) {
    if (checked_ != checked) {
        checked_ = checked;
        update();
        ReportCheckChanged(this);
    }
}

void CCheckButton::paintEvent(QPaintEvent* event) {
    (void)event;
    QPainter painter(this);
    PaintToggle(painter, *this, Image(), CurrentVisual(), checked_, false, TextFont(),
                TextColourOr(look::kText), GetTitle());
}

GroupButton::GroupButton(MDialog& owner, QWidget* parent, int id)
    : ClickableControl(owner, parent, id) {}

void GroupButton::SetGroup(const QString& name) {
    group_ = name;
    if (checked_) {
        for (GroupButton* other : Members(false)) {
            other->SetCheck(false);
        }
    }
}

void GroupButton::SetCheck(bool checked) {
    if (checked) {
        for (GroupButton* other : Members(false)) {
            if (other->checked_) {
                other->checked_ = false;
                other->update();
                ReportCheckChanged(other);
            }
        }
    }
    if (checked_ != checked) {
        checked_ = checked;
        update();
        ReportCheckChanged(this);
    }
}

std::vector<GroupButton*> GroupButton::Members(bool self) const {
    std::vector<GroupButton*> members;
    if (group_.isEmpty()) {
        if (self) {
            members.push_back(const_cast<GroupButton*>(this));
        }
        return members;
    }
    // Dialogs owned by this one are its children too; their buttons are not of this group.
    MDialog& owner = Owner();
    // The controls carry no meta-object of their own, so the type is asked of each child.
    for (QWidget* child : owner.findChildren<QWidget*>()) {
        auto* button = dynamic_cast<GroupButton*>(child);
        if (button != nullptr && &button->Owner() == &owner && button->group_ == group_ &&
            typeid(*button) == typeid(*this) && (self || button != this)) {
            members.push_back(button);
        }
    }
    auto place = [&owner](const GroupButton* b) {
        QPoint at = b->mapTo(&owner, QPoint(0, 0));
        return std::pair(at.y(), at.x());
    };
    std::stable_sort(
        members.begin(), members.end(),
        [&](const GroupButton* a, const GroupButton* b) { return place(a) < place(b); });
    return members;
}

GroupButton* GroupButton::Neighbour(int step) const {
    std::vector<GroupButton*> reachable;
    for (GroupButton* member : Members(true)) {
        if (member == this ||
            (member->isEnabled() && member->isVisibleTo(&Owner()) && !member->size().isEmpty())) {
            reachable.push_back(member);
        }
    }
    auto self = std::find(reachable.begin(), reachable.end(), this);
    if (reachable.size() < 2 || self == reachable.end()) {
        return nullptr;
    }
    auto count = static_cast<std::ptrdiff_t>(reachable.size());
    std::ptrdiff_t index = ((self - reachable.begin()) + step + count) % count;
    return reachable[static_cast<std::size_t>(index)];
}

void GroupButton::keyPressEvent(QKeyEvent* event) {
    int step = 0;
    switch (event->key()) {
        case Qt::Key_Up:
        case Qt::Key_Left:
            step = -1;
            break;
        case Qt::Key_Down:
        case Qt::Key_Right:
            step = 1;
            break;
        default:
            ClickableControl::keyPressEvent(event);
            return;
    }
    event->accept();
    if (GroupButton* next = Neighbour(step)) {
        next->setFocus(step < 0 ? Qt::BacktabFocusReason : Qt::TabFocusReason);
        ArrowTo(*next);
    }
}

CRadioButton::CRadioButton(MDialog& owner, QWidget* parent, int id)
    : GroupButton(owner, parent, id) {}

void CRadioButton::Choose() {
    if (!GetCheck()) {
        SetCheck(true);
        Notify(Event::Action, 1);
    }
}

void CRadioButton::ArrowTo(GroupButton& neighbour) {
    // Members are of this very class.
    static_cast<CRadioButton&>(neighbour).Choose();
}

void CRadioButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && IsPressed() && GetCheck()) {
        SetPressed(false);
        event->accept();
        return;
    }
    GroupButton::mouseReleaseEvent(event);
}

void CRadioButton::keyReleaseEvent(QKeyEvent* event) {
    if (IsClickKey(*event) && IsPressed() && GetCheck()) {
        SetPressed(false);
        event->accept();
        return;
    }
    GroupButton::keyReleaseEvent(event);
}

void CRadioButton::paintEvent(QPaintEvent* event) {
    (void)event;
    QPainter painter(this);
    PaintToggle(painter, *this, Image(), CurrentVisual(), GetCheck(), true, TextFont(),
                TextColourOr(look::kText), GetTitle());
}

CColorButton::CColorButton(MDialog& owner, QWidget* parent, int id)
    : GroupButton(owner, parent, id) {
    RefreshAccessibleName();
}

void CColorButton::SetColor(std::uint32_t colour_value) {
    colour_ = colour_value & 0xFFFFFFu;
    RefreshAccessibleName();
    update();
}

QString CColorButton::AccessibleText() const {
    if (!GetTitle().isEmpty()) {
        return GetTitle();
    }
    return FromColourValue(colour_).name(QColor::HexRgb).toUpper();
}

void CColorButton::ArrowTo(GroupButton& neighbour) {
    (void)neighbour;
}

void CColorButton::paintEvent(QPaintEvent* event) {
    (void)event;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    Visual visual = CurrentVisual();
    QRectF area = rect();
    qreal radius = std::min(area.width(), area.height()) / 2.0;
    QPointF centre = area.center();
    if (hasFocus()) {
        // White, so that it differs from the ring of the checked swatch.
        painter.setPen(QPen(look::kText, 1.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(centre, radius - 1.0, radius - 1.0);
    }
    if (GetCheck() || visual == Visual::Hover) {
        QColor ring = GetCheck() ? look::Accent(visual) : look::kTextDim;
        if (visual == Visual::Disabled) {
            ring = look::kTextDisabled;
        }
        painter.setPen(QPen(ring, GetCheck() ? 2.0 : 1.0));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(centre, radius - 3.5, radius - 3.5);
    }
    QColor fill = FromColourValue(colour_);
    if (visual == Visual::Disabled) {
        fill.setAlpha(70);
    }
    qreal swatch = radius - (visual == Visual::Pressed ? 6.5 : 5.5);
    painter.setPen(QPen(QColor(255, 255, 255, 50), 1.0));
    painter.setBrush(fill);
    painter.drawEllipse(centre, swatch, swatch);
}

}  // namespace veltra::ui
