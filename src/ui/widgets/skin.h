#pragma once
// Skin images: a file below the skin folder holding one or more state images side by side
// (1 still; 3 or 4 for normal, hover, pressed, disabled; 8 for check and radio buttons, the
// unchecked four and then the checked four; 2 for list rows). A file named "<name>@2x.png"
// beside it is used on high-density screens.
#include <QPixmap>
#include <QString>

class QPainter;
class QRectF;

namespace veltra::ui {

class SkinImage {
  public:
    SkinImage() = default;
    // Loads `file` (relative to the skin folder, '\' or '/' separated). A missing or unreadable
    // file leaves the image empty; the control then paints its flat look.
    SkinImage(const QString& file, int states);

    bool Empty() const { return pixmap_.isNull(); }
    int States() const { return states_; }
    const QString& File() const { return file_; }
    // The size of one state image in device-independent pixels.
    QSize FrameSize() const;
    // Draws state `state` (clamped to the strip) scaled into `target`. False when empty.
    bool Draw(QPainter& painter, const QRectF& target, int state) const;

  private:
    QString file_;
    int states_ = 1;
    QPixmap pixmap_;
};

// The full path of a skin file, or an empty string when the skin folder is not set.
QString SkinPath(const QString& file);

}  // namespace veltra::ui
