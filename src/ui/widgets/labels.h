#pragma once
// Controls that only show something: text, pictures and filled areas.
#include "ui/widgets/control.h"

namespace veltra::ui {

// A label. Transparent for the mouse, so clicks reach what lies beneath.
class MText : public MControlFont {
  public:
    MText(MDialog& owner, QWidget* parent, int id);

  protected:
    void paintEvent(QPaintEvent* event) override;
};

// A picture from the skin. Show modes: 1 natural size at the top left, 2 stretched over the
// control, 3 a frame whose corners (`edge` pixels) keep their size while the rest stretches.
// Without an image, mode 3 paints a translucent panel and mode 2 the window background.
class MPicture : public MControl {
  public:
    MPicture(MDialog& owner, QWidget* parent, int id);
    void SetShowMode(int mode, int edge = 0);
    // The image's own size; an empty size without an image.
    QSize GetImageSize() const { return Image().FrameSize(); }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    int mode_ = 1;
    int edge_ = 0;
};

}  // namespace veltra::ui
