#pragma once
// Colour pickers: the colour wheel of the palette dialog and the hue bar of the lighting page.
// Colours go in and out as colour values of the settings (red in the lowest byte, blue in the
// third, manager.h). Setting a value from the program never notifies.
#include <QImage>
#include <cstdint>

#include "ui/widgets/control.h"

namespace veltra::ui {

// A colour wheel: the hue runs around it (red to the right, green at the upper left, blue at
// the lower left), the saturation falls to white at the centre. A skin image ("img_palette.png")
// replaces the computed wheel and the picked colour is then read from the image.
// Click, drag and the arrow keys (Home: the centre) pick; every pick notifies PalettePicked with
// the colour value as parameter.
class CirclePalette : public MControl {
  public:
    CirclePalette(MDialog& owner, QWidget* parent, int id);

    // Places the pick on the colour's hue and saturation; GetColor then returns `colour` as given.
    void SetColor(std::uint32_t colour);
    std::uint32_t GetColor() const { return colour_; }

    // The computed wheel's colour at hue `degrees` and saturation `saturation` (0..1).
    static QColor WheelColour(qreal degrees, qreal saturation);
    // Where hue `degrees` and saturation lie inside the control, in its own coordinates.
    QPointF PointFor(qreal degrees, qreal saturation) const;

    void SetImage(const QString& file, int states) override;

  protected:
    QString AccessibleText() const override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

  private:
    QRectF Wheel() const;
    // Moves the pick to `point` (kept inside the wheel) and notifies the colour found there.
    void PickAt(const QPointF& point);
    const QImage& Face();

    qreal hue_ = 0.0;
    qreal saturation_ = 0.0;
    std::uint32_t colour_ = 0xFFFFFF;
    bool dragging_ = false;
    QImage face_;
};

// The hue bar: every hue from red at the left through green and blue back to red at the right,
// with a handle ("img_lightslider_bar.png" when the skin has it). Dragging and the keys (Left
// and Down, Right and Up by 5 degrees, PageUp and PageDown by 30, Home and End) notify Changing
// while the hue moves and Action when the mouse button or the key is released; the parameter
// is the hue in degrees.
class PaletteBar : public MControl {
  public:
    PaletteBar(MDialog& owner, QWidget* parent, int id);

    // The hue in degrees, 0..359 (other values are brought into that range).
    void SetHue(int degrees);
    int GetHue() const { return hue_; }
    // The colour of the bar's hue at `lightness` 0..255 (the lightness slider's range): white
    // at 0, the pure hue at 255, full saturation between (lightness 1 down to 0.5 in HSL).
    // Values outside 0..255 are clamped. Returned as a colour value.
    std::uint32_t PaletteHSLToRGB(int lightness) const;

  protected:
    QString AccessibleText() const override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

  private:
    qreal HandleRadius() const;
    QRectF Track() const;
    int HueAt(qreal x) const;
    // Sets the hue from the user; notifies Changing when it moved.
    void MoveTo(int degrees);

    int hue_ = 0;
    bool dragging_ = false;
    bool key_moved_ = false;
};

}  // namespace veltra::ui
