#include "ui/widgets/device_controls.h"

#include <QFileInfo>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>

#include "ui/widgets/manager.h"

namespace veltra::ui {
namespace {

// The charging sweep: five steps from the level to full, then once more from the level.
constexpr int kSweepSteps = 5;
constexpr int kTicksPerStep = 12;

constexpr int kCardMinWidth = 250;
constexpr int kCardMaxWidth = 300;
constexpr int kCardHeight = 240;
constexpr int kCardGap = 20;
// Room around the cards for the focus ring.
constexpr int kCardMargin = 5;

int ClampLevel(int level) {
    return std::clamp(level, 0, 100);
}

int KnownBatteryState(int state) {
    return state == kBatteryDischarging || state == kBatteryCharging ? state : kBatteryUnknown;
}

QString ModeGlyph(int mode) {
    switch (mode) {
        case kModeWired:
            return QStringLiteral("cable");
        case kModeBluetooth:
            return QStringLiteral("bluetooth");
        case kModeReceiver:
            return QStringLiteral("receiver");
        default:
            return {};
    }
}

// A picture named by the catalogue: an absolute path, or a file below the skin folder.
QPixmap LoadPicture(const QString& file) {
    QString path = QString(file).replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (path.isEmpty()) {
        return {};
    }
    if (!QFileInfo(path).isAbsolute()) {
        path = SkinPath(path);
    }
    QPixmap picture;
    if (path.isEmpty() || !picture.load(path)) {
        return {};
    }
    return picture;
}

// `inner` scaled to fit `outer`, keeping its proportions, centred.
QRectF Fit(const QSizeF& inner, const QRectF& outer) {
    if (inner.isEmpty()) {
        return {};
    }
    QSizeF size = inner.scaled(outer.size(), Qt::KeepAspectRatio);
    if (size.width() > inner.width()) {
        size = inner;
    }
    return QRectF(outer.center().x() - size.width() / 2, outer.center().y() - size.height() / 2,
                  size.width(), size.height());
}

// The skin's fill image cut at `level` percent of `body`, or the flat fill.
void DrawCharge(QPainter& p, const SkinImage& fill, const QRectF& body, int level, bool charging) {
    qreal share = ClampLevel(level) / 100.0;
    if (!fill.Empty()) {
        p.save();
        p.setClipRect(QRectF(body.left(), body.top(), body.width() * share, body.height()));
        fill.Draw(p, body, 0);
        p.restore();
        return;
    }
    QRectF inner = body.adjusted(3, 3, -3, -3);
    if (share > 0.0) {
        inner.setWidth(std::max<qreal>(1.5, inner.width() * share));
        look::Panel(p, inner, look::BatteryColour(level, charging), 1.5);
    }
}

}  // namespace

BatteryCtrl::BatteryCtrl(MDialog& owner, QWidget* parent, int id)
    : MControlFont(owner, parent, id) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    AddMTimer();
    RefreshAccessibleName();
}

void BatteryCtrl::SetBatteryInfo(int level, int state) {
    int known = KnownBatteryState(state);
    bool was_charging = state_ == kBatteryCharging;
    level_ = ClampLevel(level);
    state_ = known;
    if (was_charging != (state_ == kBatteryCharging)) {
        ticks_ = 0;
        AnimationChanged();
    }
    RefreshAccessibleName();
    update();
}

void BatteryCtrl::SetLevelImage(const QString& file) {
    level_image_ = SkinImage(file, 1);
    update();
}

void BatteryCtrl::SetChargeImage(const QString& file) {
    charge_image_ = SkinImage(file, 1);
    update();
}

bool BatteryCtrl::Animating() const {
    return state_ == kBatteryCharging && isVisible();
}

void BatteryCtrl::Animate() {
    ticks_ = (ticks_ + 1) % (kTicksPerStep * (kSweepSteps + 1));
    if (ticks_ % kTicksPerStep == 0) {
        update();
    }
}

int BatteryCtrl::ShownLevel() const {
    if (state_ == kBatteryUnknown) {
        return -1;
    }
    if (state_ != kBatteryCharging) {
        return level_;
    }
    int from = level_ >= 100 ? 0 : level_;
    int step = ticks_ / kTicksPerStep;
    return from + (100 - from) * step / kSweepSteps;
}

QString BatteryCtrl::AccessibleText() const {
    if (!GetTitle().isEmpty()) {
        return GetTitle();
    }
    return state_ == kBatteryUnknown ? QString() : QStringLiteral("%1%").arg(level_);
}

void BatteryCtrl::paintEvent(QPaintEvent* event) {
    (void)event;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    bool charging = state_ == kBatteryCharging;
    int shown = ShownLevel();
    qreal right = 0;
    if (!Image().Empty()) {
        QSizeF natural = Image().FrameSize();
        QRectF body = Fit(natural, QRectF(2, 2, width() - 4, height() - 4));
        body.moveLeft(2);
        Image().Draw(painter, body, 0);
        if (shown >= 0) {
            DrawCharge(painter, level_image_, body, shown, charging);
        }
        right = body.right();
        if (charging) {
            QRectF icon(right + 4, 0, height() * 0.6, height());
            if (!charge_image_.Empty()) {
                icon = Fit(charge_image_.FrameSize(), icon);
                charge_image_.Draw(painter, icon, 0);
            } else {
                look::IconGlyph(painter, icon, QStringLiteral("bolt"), look::kText);
            }
            right = icon.right();
        }
    } else {
        qreal body_height = std::min<qreal>(18.0, height() - 4.0);
        QRectF body(4, (height() - body_height) / 2.0, body_height * 2.0, body_height);
        look::Battery(painter, body, shown, charging);
        right = body.right();
    }
    painter.setFont(TextFont());
    QColor ink = TextColourOr(look::kText);
    if (state_ == kBatteryUnknown) {
        ink = look::kTextDim;
    }
    painter.setPen(look::TextColour(isEnabled() ? Visual::Normal : Visual::Disabled, ink));
    QString text =
        state_ == kBatteryUnknown ? QStringLiteral("--%") : QStringLiteral("%1%").arg(level_);
    painter.drawText(QRectF(right + 8, 0, width() - right - 8, height()),
                     Qt::AlignLeft | Qt::AlignVCenter, text);
}

void BatteryCtrl::showEvent(QShowEvent* event) {
    MControlFont::showEvent(event);
    AnimationChanged();
}

void BatteryCtrl::hideEvent(QHideEvent* event) {
    MControlFont::hideEvent(event);
    AnimationChanged();
}

CDeviceState::CDeviceState(MDialog& owner, QWidget* parent, int id)
    : MControlFont(owner, parent, id) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    SetAlignment(Qt::AlignHCenter);
}

void CDeviceState::SetConnectionMode(int mode) {
    mode_ = ModeGlyph(mode).isEmpty() ? kModeNone : mode;
    update();
}

void CDeviceState::paintEvent(QPaintEvent* event) {
    (void)event;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    Visual visual = isEnabled() ? Visual::Normal : Visual::Disabled;
    if (!Image().Draw(painter, rect(), static_cast<int>(visual))) {
        QRectF face = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        qreal radius = std::min<qreal>(face.height() / 2.0, 10.0);
        painter.setPen(QPen(look::kBorder, 1.0));
        painter.setBrush(look::kField);
        painter.drawRoundedRect(face, radius, radius);
    }
    qreal icon = std::min<qreal>(16.0, height() - 8.0);
    qreal room = width() - icon - 26.0;
    // A long state takes a smaller size before it is cut.
    QFont font = TextFont();
    for (int size = font.pixelSize(); size > 11; --size) {
        font.setPixelSize(size);
        if (QFontMetricsF(font).horizontalAdvance(GetTitle()) <= room) {
            break;
        }
    }
    painter.setFont(font);
    QFontMetricsF metrics(font);
    QString text = metrics.elidedText(GetTitle(), Qt::ElideRight, room);
    qreal group = icon + 6.0 + metrics.horizontalAdvance(text);
    qreal left = (TextAlignment() & Qt::AlignHCenter) != 0 ? (width() - group) / 2.0 : 10.0;
    if ((TextAlignment() & Qt::AlignRight) != 0) {
        left = width() - group - 10.0;
    }
    QRectF mark(left, (height() - icon) / 2.0, icon, icon);
    if (mode_ == kModeNone) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(look::kTextDim);
        painter.drawEllipse(mark.center(), 4.0, 4.0);
    } else {
        look::IconGlyph(painter, mark, ModeGlyph(mode_),
                        visual == Visual::Disabled ? look::kTextDisabled : look::Accent());
    }
    painter.setPen(look::TextColour(visual, TextColourOr(look::kText)));
    painter.drawText(QRectF(mark.right() + 6.0, 0, room, height()),
                     Qt::AlignLeft | Qt::AlignVCenter, text);
}

CDeviceList::CDeviceList(MDialog& owner, QWidget* parent, int id)
    : MControlFont(owner, parent, id) {
    OfferFocus(false);
    setMouseTracking(true);
}

CDeviceList::Row* CDeviceList::Find(int device_type) {
    auto found = std::find_if(rows_.begin(), rows_.end(),
                              [device_type](const Row& row) { return row.type == device_type; });
    return found != rows_.end() ? &*found : nullptr;
}

void CDeviceList::AddDevice(const QString& name, int device_type, const QString& image) {
    Row* row = Find(device_type);
    if (row == nullptr) {
        rows_.emplace_back();
        row = &rows_.back();
    }
    row->name = name;
    row->type = device_type;
    row->picture = LoadPicture(image);
    OfferFocus(true);
    if (selected_ < 0) {
        selected_ = 0;
    }
    RefreshAccessibleName();
    update();
}

void CDeviceList::ClearList() {
    OfferFocus(false);
    rows_.clear();
    selected_ = -1;
    cursor_ = -1;
    hovered_ = -1;
    pressed_card_ = -1;
    first_row_ = 0;
    RefreshAccessibleName();
    update();
}

int CDeviceList::GetSelectDevice() const {
    return selected_ >= 0 ? rows_[selected_].type : 0;
}

void CDeviceList::SetSelectDevice(int device_type) {
    for (int i = 0; i < GetDeviceCount(); ++i) {
        if (rows_[i].type == device_type) {
            selected_ = i;
            RefreshAccessibleName();
            update();
            return;
        }
    }
}

void CDeviceList::SetAllDeviceState(int state) {
    for (Row& row : rows_) {
        row.online = state != 0;
        if (state == 0) {
            row.mode = kModeNone;
        }
    }
    update();
}

void CDeviceList::SetDeviceState(int device_type, int mode, int online) {
    if (Row* row = Find(device_type)) {
        row->mode = ModeGlyph(mode).isEmpty() ? kModeNone : mode;
        row->online = online != 0;
        update();
    }
}

void CDeviceList::SetDeviceVersion(int device_type, int release) {
    if (Row* row = Find(device_type)) {
        row->release = release < 0 ? -1 : (release & 0xFFFF);
        update();
    }
}

void CDeviceList::SetDeviceBattery(int device_type, int level, int state) {
    if (Row* row = Find(device_type)) {
        row->battery = ClampLevel(level);
        row->battery_state = KnownBatteryState(state);
        update();
    }
}

void CDeviceList::SetVersionLabels(const QString& mouse, const QString& receiver) {
    mouse_label_ = mouse;
    receiver_label_ = receiver;
    update();
}

void CDeviceList::SetBatteryImages(const QString& level, const QString& charge) {
    level_image_ = SkinImage(level, 1);
    charge_image_ = SkinImage(charge, 1);
    update();
}

void CDeviceList::SetModeImage(const QString& file, int states) {
    mode_image_ = SkinImage(file, states);
    update();
}

int CDeviceList::Columns() const {
    return std::max(1, (width() - 2 * kCardMargin + kCardGap) / (kCardMinWidth + kCardGap));
}

int CDeviceList::VisibleRows() const {
    return std::max(1, (height() - 2 * kCardMargin + kCardGap) / (kCardHeight + kCardGap));
}

int CDeviceList::MaxScroll() const {
    int rows = (GetDeviceCount() + Columns() - 1) / Columns();
    return std::max(0, rows - VisibleRows());
}

void CDeviceList::ScrollTo(int first_row) {
    int clamped = std::clamp(first_row, 0, MaxScroll());
    if (clamped != first_row_) {
        first_row_ = clamped;
        hovered_ = -1;
        update();
    }
}

void CDeviceList::EnsureVisible(int index) {
    int row = index / Columns();
    if (row < first_row_) {
        ScrollTo(row);
    } else if (row >= first_row_ + VisibleRows()) {
        ScrollTo(row - VisibleRows() + 1);
    }
}

QRect CDeviceList::CardRect(int index) const {
    if (index < 0 || index >= GetDeviceCount()) {
        return {};
    }
    int columns = Columns();
    int row = index / columns - first_row_;
    if (row < 0 || row >= VisibleRows()) {
        return {};
    }
    int card_width = std::clamp((width() - 2 * kCardMargin - (columns - 1) * kCardGap) / columns, 1,
                                kCardMaxWidth);
    int card_height = std::min(kCardHeight, height() - 2 * kCardMargin);
    // A single row of cards sits in the middle; more rows fill the width from the left.
    int in_row = std::min(columns, GetDeviceCount());
    int used = in_row * card_width + (in_row - 1) * kCardGap;
    int left = std::max(kCardMargin, (width() - used) / 2);
    int column = index % columns;
    return QRect(left + column * (card_width + kCardGap),
                 kCardMargin + row * (card_height + kCardGap), card_width, card_height);
}

int CDeviceList::CardAt(const QPoint& pos) const {
    for (int i = 0; i < GetDeviceCount(); ++i) {
        if (CardRect(i).contains(pos)) {
            return i;
        }
    }
    return -1;
}

QString CDeviceList::VersionText(const Row& row) const {
    // An absent model has no version to show.
    if (row.release < 0) {
        return {};
    }
    const QString version = QStringLiteral("v%1.%2")
                                .arg((row.release >> 8) & 0xFF, 0, 16)
                                .arg(row.release & 0xFF, 2, 16, QLatin1Char('0'));
    // Behind a receiver the version read is the receiver's.
    const QString& label = row.mode == kModeReceiver ? receiver_label_ : mouse_label_;
    return label.isEmpty() ? version : label + QStringLiteral(": ") + version;
}

QString CDeviceList::AccessibleText() const {
    if (!GetTitle().isEmpty() || selected_ < 0) {
        return GetTitle();
    }
    return rows_[selected_].name;
}

void CDeviceList::PaintCard(QPainter& painter, int index, const QRect& card) const {
    const Row& row = rows_[index];
    bool selected = index == selected_;
    bool hovered = index == hovered_ && isEnabled();
    bool present = row.mode != kModeNone;
    QRectF face = QRectF(card).adjusted(1, 1, -1, -1);
    painter.save();
    if (!Image().Draw(painter, face, 0)) {
        QColor fill = hovered ? QColor(0x26, 0x27, 0x2D, 235) : QColor(0x1F, 0x20, 0x25, 235);
        look::Panel(painter, face, fill, look::kRadius + 4);
        if (selected) {
            QColor wash = look::Accent();
            wash.setAlpha(28);
            look::Panel(painter, face, wash, look::kRadius + 4);
        }
    }
    QColor edge = selected  ? look::Accent(isEnabled() ? Visual::Normal : Visual::Disabled)
                  : hovered ? look::kBorder.lighter(150)
                            : look::kBorder;
    painter.setPen(QPen(edge, selected ? 2.0 : 1.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(face, look::kRadius + 4, look::kRadius + 4);
    if (selected) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(edge);
        painter.drawEllipse(QPointF(face.right() - 18, face.top() + 18), 5.0, 5.0);
    }
    // An absent model stays choosable but recedes.
    QColor ink = present ? TextColourOr(look::kText) : look::kTextDim;
    QColor dim = present ? look::kTextDim : look::kTextDisabled;

    QRectF picture(face.left() + 20, face.top() + 18, face.width() - 40, face.height() * 0.48);
    if (!row.picture.isNull()) {
        painter.save();
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.setOpacity(painter.opacity() * (present ? 1.0 : 0.5));
        painter.drawPixmap(Fit(row.picture.deviceIndependentSize(), picture), row.picture,
                           QRectF(row.picture.rect()));
        painter.restore();
    } else {
        look::IconGlyph(painter, picture.adjusted(0, 8, 0, -8), QStringLiteral("mouse"), dim);
    }

    qreal y = picture.bottom() + 12;
    QRectF text_line(face.left() + 18, y, face.width() - 36, 26);
    painter.setFont(Manager::UiFont(17, 600));
    painter.setPen(ink);
    painter.drawText(text_line, Qt::AlignLeft | Qt::AlignVCenter,
                     painter.fontMetrics().elidedText(row.name, Qt::ElideRight,
                                                      static_cast<int>(text_line.width())));

    // Connection: the mode icon and a dot, green while the mouse answers.
    y = text_line.bottom() + 8;
    QRectF mode(face.left() + 18, y, 20, 20);
    bool drawn = false;
    if (present && !mode_image_.Empty()) {
        drawn = mode_image_.Draw(painter, Fit(mode_image_.FrameSize(), mode), row.mode);
    }
    if (!drawn && present) {
        look::IconGlyph(painter, mode, ModeGlyph(row.mode), look::kText);
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(present && row.online ? QColor(0x3D, 0xC4, 0x6B) : look::kTextDim);
    painter.drawEllipse(QPointF(present ? mode.right() + 9 : mode.center().x(), mode.center().y()),
                        4.0, 4.0);

    if (present && row.online && row.battery_state != kBatteryUnknown) {
        bool charging = row.battery_state == kBatteryCharging;
        painter.setFont(Manager::UiFont(13));
        QString percent = QStringLiteral("%1%").arg(row.battery);
        qreal text_width = painter.fontMetrics().horizontalAdvance(percent);
        QRectF body(face.right() - 18 - text_width - 6 - 30, mode.center().y() - 7, 30, 14);
        if (level_image_.Empty()) {
            look::Battery(painter, body, row.battery, charging);
        } else {
            look::Battery(painter, body, -1, false);
            DrawCharge(painter, level_image_, body.adjusted(0, 0, -3, 0), row.battery, charging);
            if (charging) {
                QRectF icon(body.left() - 16, body.top(), 12, body.height());
                if (!charge_image_.Draw(painter, Fit(charge_image_.FrameSize(), icon), 0)) {
                    look::IconGlyph(painter, icon, QStringLiteral("bolt"), look::kText);
                }
            }
        }
        painter.setPen(look::kText);
        painter.drawText(QRectF(body.right() + 6, y, text_width + 2, 20),
                         Qt::AlignLeft | Qt::AlignVCenter, percent);
    }

    y = mode.bottom() + 8;
    painter.setFont(Manager::UiFont(13));
    painter.setPen(dim);
    QRectF version(face.left() + 18, y, face.width() - 36, 20);
    painter.drawText(version, Qt::AlignLeft | Qt::AlignVCenter,
                     painter.fontMetrics().elidedText(VersionText(row), Qt::ElideRight,
                                                      static_cast<int>(version.width())));
    painter.restore();
    if (hasFocus() && index == cursor_) {
        look::FocusRing(painter, QRectF(card).adjusted(-4, -4, 4, 4), look::kRadius + 7);
    }
}

void CDeviceList::paintEvent(QPaintEvent* event) {
    (void)event;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled()) {
        painter.setOpacity(0.5);
    }
    for (int i = 0; i < GetDeviceCount(); ++i) {
        QRect card = CardRect(i);
        if (!card.isEmpty()) {
            PaintCard(painter, i, card);
        }
    }
}

void CDeviceList::MoveCursor(int index) {
    if (GetDeviceCount() == 0) {
        return;
    }
    cursor_ = std::clamp(index, 0, GetDeviceCount() - 1);
    EnsureVisible(cursor_);
    update();
}

void CDeviceList::Choose(int index) {
    if (index < 0 || index >= GetDeviceCount()) {
        return;
    }
    selected_ = index;
    cursor_ = index;
    RefreshAccessibleName();
    update();
    Notify(Event::Action, rows_[index].type);
}

void CDeviceList::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        pressed_card_ = CardAt(event->position().toPoint());
        event->accept();
        return;
    }
    MControlFont::mousePressEvent(event);
}

void CDeviceList::mouseMoveEvent(QMouseEvent* event) {
    int over = CardAt(event->position().toPoint());
    if (over != hovered_) {
        hovered_ = over;
        update();
    }
    MControlFont::mouseMoveEvent(event);
}

void CDeviceList::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        int pressed = pressed_card_;
        pressed_card_ = -1;
        if (pressed >= 0 && CardAt(event->position().toPoint()) == pressed) {
            Choose(pressed);
        }
        event->accept();
        return;
    }
    MControlFont::mouseReleaseEvent(event);
}

void CDeviceList::leaveEvent(QEvent* event) {
    hovered_ = -1;
    MControlFont::leaveEvent(event);
}

void CDeviceList::keyPressEvent(QKeyEvent* event) {
    int from = cursor_ >= 0 ? cursor_ : std::max(selected_, 0);
    int page = Columns() * VisibleRows();
    switch (event->key()) {
        case Qt::Key_Left:
            MoveCursor(from - 1);
            break;
        case Qt::Key_Right:
            MoveCursor(from + 1);
            break;
        case Qt::Key_Up:
            MoveCursor(from - Columns() >= 0 ? from - Columns() : from);
            break;
        case Qt::Key_Down:
            MoveCursor(from + Columns() < GetDeviceCount() ? from + Columns() : from);
            break;
        case Qt::Key_Home:
            MoveCursor(0);
            break;
        case Qt::Key_End:
            MoveCursor(GetDeviceCount() - 1);
            break;
        case Qt::Key_PageUp:
            MoveCursor(from - page);
            break;
        case Qt::Key_PageDown:
            MoveCursor(from + page);
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space:
            if (!event->isAutoRepeat()) {
                Choose(from);
            }
            break;
        default:
            MControlFont::keyPressEvent(event);
            return;
    }
    event->accept();
}

void CDeviceList::wheelEvent(QWheelEvent* event) {
    int steps = event->angleDelta().y() / 120;
    if (steps != 0 && MaxScroll() > 0) {
        ScrollTo(first_row_ - steps);
        event->accept();
        return;
    }
    MControlFont::wheelEvent(event);
}

void CDeviceList::focusInEvent(QFocusEvent* event) {
    if (cursor_ < 0 && selected_ >= 0) {
        cursor_ = selected_;
    }
    MControlFont::focusInEvent(event);
    update();
}

void CDeviceList::resizeEvent(QResizeEvent* event) {
    MControlFont::resizeEvent(event);
    first_row_ = std::clamp(first_row_, 0, MaxScroll());
}

}  // namespace veltra::ui
