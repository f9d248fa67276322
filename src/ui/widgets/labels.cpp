#include "ui/widgets/labels.h"

#include <QFileInfo>
#include <QMovie>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "ui/widgets/manager.h"

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

CArea::CArea(MDialog& owner, QWidget* parent, int id) : MControl(owner, parent, id) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void CArea::SetColor(std::uint32_t rgb) {
    rgb_ = rgb & 0xFFFFFFu;
    update();
}

void CArea::paintEvent(QPaintEvent* event) {
    (void)event;
    QPainter painter(this);
    painter.fillRect(rect(), QColor::fromRgb(rgb_));
}

CRoundArea::CRoundArea(MDialog& owner, QWidget* parent, int id) : MControl(owner, parent, id) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void CRoundArea::SetColor(std::uint32_t argb) {
    argb_ = argb;
    update();
}

void CRoundArea::paintEvent(QPaintEvent* event) {
    (void)event;
    QPainter painter(this);
    look::Panel(painter, rect(), FromArgb(argb_), look::kRadius + 2.0);
}

namespace {

// One turn of the arc per this time.
constexpr std::chrono::milliseconds kTurn{900};
// GIF pictures that ask for less are shown this long, as browsers do.
constexpr int kShortestDelay = 20;
constexpr int kDefaultDelay = 100;
// A longer gap (the window was hidden or the machine slept) does not fast-forward.
constexpr std::chrono::milliseconds kLongestStep{250};

}  // namespace

CGifPicture::CGifPicture(MDialog& owner, QWidget* parent, int id) : MControl(owner, parent, id) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void CGifPicture::SetImage(const QString& file, int states) {
    MControl::SetImage(file, states);
    delete movie_;
    movie_ = nullptr;
    QString path = SkinPath(file);
    if (path.isEmpty() || !QFileInfo::exists(path)) {
        return;
    }
    auto* movie = new QMovie(path, QByteArray(), this);
    movie->setCacheMode(QMovie::CacheAll);
    if (!movie->isValid() || !movie->jumpToFrame(0)) {
        delete movie;
        return;
    }
    movie_ = movie;
    update();
}

void CGifPicture::SetRunState(bool run, bool rewind) {
    if (rewind) {
        angle_ = 0.0;
        if (movie_ != nullptr) {
            movie_->jumpToFrame(0);
        }
        update();
    }
    if (run && !running_) {
        last_ = Now();
        pending_ = std::chrono::milliseconds(0);
    }
    running_ = run;
    AnimationChanged();
}

std::chrono::milliseconds CGifPicture::Now() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
}

int CGifPicture::CurrentFrame() const {
    return movie_ != nullptr ? movie_->currentFrameNumber() : 0;
}

void CGifPicture::Animate() {
    std::chrono::milliseconds now = Now();
    std::chrono::milliseconds step =
        std::clamp(now - last_, std::chrono::milliseconds(0), kLongestStep);
    last_ = now;
    if (movie_ == nullptr) {
        angle_ = std::fmod(
            angle_ + 360.0 * static_cast<qreal>(step.count()) / static_cast<qreal>(kTurn.count()),
            360.0);
        update();
        return;
    }
    int frames = movie_->frameCount();
    if (frames < 2) {
        return;
    }
    pending_ += step;
    auto wait = [this] {
        int delay = movie_->nextFrameDelay();
        return std::chrono::milliseconds(delay < kShortestDelay ? kDefaultDelay : delay);
    };
    if (pending_ < wait()) {
        return;
    }
    // One picture per tick at most, and no backlog: a late tick does not race ahead.
    pending_ -= wait();
    movie_->jumpToFrame((movie_->currentFrameNumber() + 1) % frames);
    pending_ = std::min(pending_, wait() - std::chrono::milliseconds(1));
    update();
}

void CGifPicture::paintEvent(QPaintEvent* event) {
    (void)event;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (movie_ != nullptr) {
        QPixmap frame = movie_->currentPixmap();
        QSizeF fitted = QSizeF(frame.size()).scaled(QSizeF(size()), Qt::KeepAspectRatio);
        QRectF target(QPointF((width() - fitted.width()) / 2.0, (height() - fitted.height()) / 2.0),
                      fitted);
        painter.drawPixmap(target, frame, QRectF(frame.rect()));
        return;
    }
    qreal side = std::min(width(), height()) * 0.56;
    qreal pen = std::max(2.0, side * 0.1);
    QRectF ring(QPointF(width() / 2.0 - side / 2.0, height() / 2.0 - side / 2.0),
                QSizeF(side, side));
    ring.adjust(pen / 2.0, pen / 2.0, -pen / 2.0, -pen / 2.0);
    QColor track = look::kBorder;
    painter.setPen(QPen(track, pen));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(ring);
    QPen arc(isEnabled() ? look::Accent() : look::kTextDisabled, pen);
    arc.setCapStyle(Qt::RoundCap);
    painter.setPen(arc);
    // Qt counts angles counter-clockwise in sixteenths of a degree; the arc turns clockwise.
    painter.drawArc(ring, static_cast<int>((90.0 - angle_) * 16.0), -100 * 16);
}

void CGifPicture::showEvent(QShowEvent* event) {
    MControl::showEvent(event);
    // Time spent hidden does not count.
    last_ = Now();
    AnimationChanged();
}

void CGifPicture::hideEvent(QHideEvent* event) {
    MControl::hideEvent(event);
    AnimationChanged();
}

}  // namespace veltra::ui
