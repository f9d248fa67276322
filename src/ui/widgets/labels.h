#pragma once
// Controls that only show something: text, pictures and filled areas.
#include <chrono>
#include <cstdint>

#include "ui/widgets/control.h"

class QMovie;

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

// A plain rectangle in one colour, given as 0xRRGGBB (a top byte is ignored: always opaque).
class CArea : public MControl {
  public:
    CArea(MDialog& owner, QWidget* parent, int id);
    void SetColor(std::uint32_t rgb);
    std::uint32_t GetColor() const { return rgb_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    std::uint32_t rgb_ = 0x333333;
};

// A rounded panel in one colour, given as ARGB so that it may be translucent (C8191919).
class CRoundArea : public MControl {
  public:
    CRoundArea(MDialog& owner, QWidget* parent, int id);
    void SetColor(std::uint32_t argb);
    std::uint32_t GetColor() const { return argb_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    std::uint32_t argb_ = 0xC8191919;
};

// A busy picture: the skin's animated GIF ("loading.gif") when it exists, else a turning arc
// in the theme colour. It moves only while running and visible and only after AddMTimer: the
// dialog's animation timer drives it, so nothing ticks while it is idle.
class CGifPicture : public MControl {
  public:
    CGifPicture(MDialog& owner, QWidget* parent, int id);
    void SetImage(const QString& file, int states) override;
    // Starts or stops the movement; `rewind` goes back to the first picture.
    void SetRunState(bool run, bool rewind = false);
    bool Running() const { return running_; }
    bool Animating() const override { return running_ && isVisible(); }
    void Animate() override;
    // The GIF picture shown now (0 for the arc), and whether a GIF was loaded.
    int CurrentFrame() const;
    bool HasMovie() const { return movie_ != nullptr; }

  protected:
    // Monotonic time; tests replace it.
    virtual std::chrono::milliseconds Now() const;
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    QMovie* movie_ = nullptr;
    bool running_ = false;
    std::chrono::milliseconds last_{0};
    std::chrono::milliseconds pending_{0};
    qreal angle_ = 0.0;
};

}  // namespace veltra::ui
