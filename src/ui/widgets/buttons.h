#pragma once
// Buttons: push buttons with text, image buttons, toggles, check and radio buttons, colour
// swatches. All of them report Event::Action when clicked or pressed with Space or Enter.
#include "ui/widgets/control.h"

namespace veltra::ui {

// A push button with a text on a face ("img_button.png" with 4 states).
class MButton : public ClickableControl {
  public:
    MButton(MDialog& owner, QWidget* parent, int id);

  protected:
    void paintEvent(QPaintEvent* event) override;
};

// A button that is only an image ("sysbtn_close.png" and the like, 4 states). Without the
// image it draws the glyph its file name stands for.
class CImageButton : public ClickableControl {
  public:
    CImageButton(MDialog& owner, QWidget* parent, int id);
    void SetImage(const QString& file, int states) override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QString glyph_;
};

// The glyph a skin file stands for ("close" for "sysbtn_close.png"), or an empty text.
QString GlyphForImage(const QString& file);

}  // namespace veltra::ui
