#include "ui/widgets/skin.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHash>
#include <QPainter>

#include "ui/widgets/manager.h"

namespace veltra::ui {
namespace {

// Skin files are read once per process; a window shows many controls with the same image.
QPixmap LoadCached(const QString& path) {
    static QHash<QString, QPixmap> cache;
    auto found = cache.constFind(path);
    if (found != cache.constEnd()) {
        return *found;
    }
    QPixmap pixmap;
    QFileInfo info(path);
    QString dense =
        info.dir().filePath(info.completeBaseName() + QStringLiteral("@2x.") + info.suffix());
    if (qApp != nullptr && qApp->devicePixelRatio() > 1.0 && QFileInfo::exists(dense) &&
        pixmap.load(dense)) {
        pixmap.setDevicePixelRatio(2.0);
    } else if (!pixmap.load(path)) {
        pixmap = QPixmap();
    }
    cache.insert(path, pixmap);
    return pixmap;
}

}  // namespace

QString SkinPath(const QString& file) {
    QString folder = Manager::SkinFolder();
    if (folder.isEmpty() || file.isEmpty()) {
        return {};
    }
    QString relative = file;
    relative.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return QDir(folder).filePath(relative);
}

SkinImage::SkinImage(const QString& file, int states)
    : file_(file), states_(states < 1 ? 1 : states) {
    QString path = SkinPath(file);
    if (!path.isEmpty()) {
        pixmap_ = LoadCached(path);
    }
    if (!pixmap_.isNull() && pixmap_.width() < states_) {
        pixmap_ = QPixmap();
    }
}

QSize SkinImage::FrameSize() const {
    if (pixmap_.isNull()) {
        return {};
    }
    QSizeF size = pixmap_.deviceIndependentSize();
    return QSize(static_cast<int>(size.width()) / states_, static_cast<int>(size.height()));
}

bool SkinImage::Draw(QPainter& painter, const QRectF& target, int state) const {
    if (pixmap_.isNull()) {
        return false;
    }
    int frame = state < 0 ? 0 : (state >= states_ ? states_ - 1 : state);
    int frame_width = pixmap_.width() / states_;
    QRectF source(frame * frame_width, 0, frame_width, pixmap_.height());
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(target, pixmap_, source);
    painter.restore();
    return true;
}

}  // namespace veltra::ui
