#pragma once
// Buttons: push buttons with text, image buttons, toggles, check and radio buttons, colour
// swatches. All of them report Event::Action when clicked or pressed with Space or Enter.
#include <cstdint>
#include <vector>

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

// A push button that stays in or out ("img_button2.png", 4 states); the checked state shows
// in the theme colour. A click toggles it, then reports Action with the new state (1 or 0).
class MButton3 : public ClickableControl {
  public:
    MButton3(MDialog& owner, QWidget* parent, int id);
    bool GetCheck() const { return checked_; }
    void SetCheck(bool checked);

  protected:
    void Clicked() override { SetCheck(!checked_); }
    int ClickParameter() const override { return checked_ ? 1 : 0; }
    void paintEvent(QPaintEvent* event) override;

  private:
    bool checked_ = false;
};

// A text that acts like a link: underlined in the theme colour under the mouse.
class CTextButton : public ClickableControl {
  public:
    CTextButton(MDialog& owner, QWidget* parent, int id);

  protected:
    void paintEvent(QPaintEvent* event) override;
};

// A small "?" button ("img_help.png", 4 states) whose help text appears in a bubble while the
// mouse rests on it, and on a click or Space until the focus leaves or the key comes again.
class CHelpButton : public ClickableControl {
  public:
    CHelpButton(MDialog& owner, QWidget* parent, int id);
    void SetHelpText(const QString& text);
    QString GetHelpText() const { return help_; }
    // The bubble while it shows, else null.
    QWidget* Bubble() const;

  protected:
    void Clicked() override;
    QString AccessibleText() const override { return help_; }
    bool event(QEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    void ShowBubble();
    void HideBubble();

    QString help_;
    QWidget* bubble_ = nullptr;
};

// A push button with an icon left of its text ("img_button.png" face, an icon such as
// "icon\icon_rec.png"). Without the icon file it draws the glyph the name stands for.
class CIconButton : public ClickableControl {
  public:
    CIconButton(MDialog& owner, QWidget* parent, int id);
    void SetIcon(const QString& file);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    SkinImage icon_;
    QString glyph_;
};

// A check box ("btn_checkbox.png", 8 states) with its text to the right. A click toggles it,
// then reports Action with the new state (1 or 0).
class CCheckButton : public ClickableControl {
  public:
    CCheckButton(MDialog& owner, QWidget* parent, int id);
    bool GetCheck() const { return checked_; }
    void SetCheck(bool checked);

  protected:
    void Clicked() override { SetCheck(!checked_); }
    int ClickParameter() const override { return checked_ ? 1 : 0; }
    void paintEvent(QPaintEvent* event) override;

  private:
    bool checked_ = false;
};

// A button that belongs to a group by name within its dialog: checking one unchecks the
// others of the same class and group in the same dialog (an empty name is a group of one).
// The arrow keys move within the group, in reading order of the placed, enabled members.
class GroupButton : public ClickableControl {
  public:
    GroupButton(MDialog& owner, QWidget* parent, int id);
    void SetGroup(const QString& name);
    QString GetGroup() const { return group_; }
    bool GetCheck() const { return checked_; }
    // Checking unchecks the rest of the group; nothing is reported.
    void SetCheck(bool checked);

  protected:
    // The other members, or the whole group with `self`, in reading order.
    std::vector<GroupButton*> Members(bool self) const;
    // The arrow keys' target: the next or previous member, wrapping around.
    GroupButton* Neighbour(int step) const;
    void keyPressEvent(QKeyEvent* event) override;
    // What an arrow key does with the neighbour it reached.
    virtual void ArrowTo(GroupButton& neighbour) = 0;

  private:
    QString group_;
    bool checked_ = false;
};

// A radio button ("btn_radiobox.png", 8 states) with its text to the right. Choosing it by
// click, Space or an arrow key checks it and reports Action (1); choosing the checked one
// reports nothing.
class CRadioButton : public GroupButton {
  public:
    CRadioButton(MDialog& owner, QWidget* parent, int id);

  protected:
    void Clicked() override { SetCheck(true); }
    int ClickParameter() const override { return 1; }
    void ArrowTo(GroupButton& neighbour) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    void Choose();
};

// A colour swatch. The colour is a colour value (red in the lowest byte, blue in the third);
// the checked swatch of its group wears a ring. A click checks it and reports Action with the
// colour value, also when it was checked already; the arrow keys only move the focus.
class CColorButton : public GroupButton {
  public:
    CColorButton(MDialog& owner, QWidget* parent, int id);
    std::uint32_t GetColor() const { return colour_; }
    void SetColor(std::uint32_t colour_value);

  protected:
    void Clicked() override { SetCheck(true); }
    int ClickParameter() const override { return static_cast<int>(colour_); }
    QString AccessibleText() const override;
    void ArrowTo(GroupButton& neighbour) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    std::uint32_t colour_ = 0xFFFFFF;
};

}  // namespace veltra::ui
