#pragma once
// Value controls: sliders and progress bars.
#include "ui/widgets/control.h"

namespace veltra::ui {

// A progress bar in the theme colour.
class MProgress : public MControl {
  public:
    MProgress(MDialog& owner, QWidget* parent, int id);
    void SetMaxValue(int maximum);
    void SetValue(int value);
    int GetValue() const { return value_; }
    int GetMaxValue() const { return maximum_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    int maximum_ = 100;
    int value_ = 0;
};

// A horizontal slider. The image (SetImage) lies behind the whole control, the thumb image
// ("img_slider_bar.png") is the handle; without them the flat groove and a round thumb show.
// The user moves it by dragging (a press beside the thumb jumps there first) and with the
// arrow keys, Page Up/Down, Home and End. While it moves it reports Changing with the value;
// on release after a drag that changed it, and after every key step, it reports Action with
// the value. SetValue and SetRange report nothing. The range is 0..100 until set.
class MSlider : public MControl {
  public:
    MSlider(MDialog& owner, QWidget* parent, int id);
    void SetRange(int minimum, int maximum);
    int GetMinValue() const { return minimum_; }
    int GetMaxValue() const { return maximum_; }
    void SetValue(int value);
    int GetValue() const { return value_; }
    void SetThumbImage(const QString& file, int states = 1);

  protected:
    // The groove between the thumb's two end positions.
    virtual void PaintTrack(QPainter& painter, const QRectF& track, Visual visual);
    QRectF ThumbRect() const;

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    long long Span() const;
    // Where the value lies in the range, 0..1.
    qreal Share() const;
    QSizeF ThumbSize() const;
    // The left and right ends of the thumb centre's travel.
    std::pair<qreal, qreal> Travel() const;
    int ValueAt(qreal x) const;
    // Sets the value as the user moved it; true when it changed and the control still exists.
    bool Move(int value);

    SkinImage thumb_;
    int minimum_ = 0;
    int maximum_ = 100;
    int value_ = 0;
    int pressed_value_ = 0;
    qreal grab_offset_ = 0.0;
};

// A slider over a colour ramp ("img_lightslider_bkg.png" behind, "img_lightslider_bar.png"
// thumb); without the image the ramp runs from dark to the theme colour. Range 0..255.
class LightSlider : public MSlider {
  public:
    LightSlider(MDialog& owner, QWidget* parent, int id);

  protected:
    void PaintTrack(QPainter& painter, const QRectF& track, Visual visual) override;
};

}  // namespace veltra::ui
