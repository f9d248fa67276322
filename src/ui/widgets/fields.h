#pragma once
// Controls the user types into or chooses from: the drop-down list and the edit fields. Each
// holds a Qt input widget of its own for the text cursor, selection, input methods and
// clipboard, and paints the face around it. What the program sets is never reported back.
#include <QString>

#include "ui/widgets/control.h"

class QKeyEvent;

namespace veltra::ui {

class ComboField;
class LineField;

// A key taken by a key capture field, as the platform reported it: on X11 and Wayland the XKB
// keycode and the key symbol (QKeyEvent's native scan code and native virtual key).
struct CapturedKey {
    bool release = false;
    bool autorepeat = false;
    quint32 native_scan_code = 0;
    quint32 native_virtual_key = 0;
};

// A drop-down list ("img_combobox.png", 4 states) of items with a text and an integer. When
// the user chooses another item (mouse, Up/Down/Home/End, or the list opened with Alt+Down,
// F4 or Space and closed with Enter) it reports Action with the item's index; choosing the
// item already shown reports nothing. Adding items selects none; the title shows while no
// item is selected. The wheel turns it only while it has the focus.
class MComboBox : public MControlFont {
  public:
    MComboBox(MDialog& owner, QWidget* parent, int id);
    ~MComboBox() override;

    // The text shown while no item is selected.
    void SetTitle(const QString& title) override;
    // Appends an item and returns its index.
    int AddItem(const QString& text, int value = 0);
    void DelAllItems();
    int GetCount() const;
    // The selected index, -1 for none.
    int GetCurSel() const;
    // An index out of range (-1 included) leaves no item selected.
    void SetCurSel(int index);
    // Selects the first item carrying `value`; false, and nothing changes, when none does.
    bool SelectData(int value);
    // The data of the selected item, 0 when none is selected.
    int GetCurData() const;
    // Out-of-range indexes read as 0 or an empty text and are ignored when set.
    int GetItemData(int index) const;
    void SetItemData(int index, int value);
    QString GetItemText(int index) const;
    void SetItemText(int index, const QString& text);
    bool PopupVisible() const;

  protected:
    QString AccessibleText() const override { return GetTitle(); }
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    friend class ComboField;
    void PaintFace(QPainter& painter, const QWidget& box, bool open) const;
    void UserChose(int index);
    // Remembers what the user sees now, so that choosing it again is no change.
    void Settle();
    void SyncName();

    ComboField* box_;
    int shown_ = -1;
};

// A single-line edit field. With an image ("img_edit.png", 4 states: normal, hover, focused,
// disabled) or a missing image file it has a field face; a field given no image at all has
// no frame (it sits on an area of its own). SetTitle sets the text and GetTitle reads it.
// Reports: TextChanged on every change the user makes, FocusGained and FocusLost, Action on
// Enter and when the focus leaves after a change (Action comes before FocusLost).
class MEdit : public MControlFont {
  public:
    MEdit(MDialog& owner, QWidget* parent, int id);
    ~MEdit() override;

    void SetTitle(const QString& title) override;
    // Accepts digits only (typed or pasted).
    void SetNumberOnly(bool digits_only);
    // The text stays selectable but the user cannot change it.
    void SetReadOnly(bool read_only);
    // The grey hint shown while the field is empty.
    void SetCueText(const QString& text);
    // A key capture field takes every key (Tab, Escape and shortcuts too; no input method, no
    // typing or pasting) and reports KeyInput for each press and release; the program sets the
    // text. LastKey tells which key it was.
    void SetKeyCapture(bool capture);
    bool KeyCapture() const { return capture_; }
    const CapturedKey& LastKey() const { return last_key_; }

  protected:
    // Accessible name: the tooltip; the text is the field's value, not its name.
    QString AccessibleText() const override { return {}; }
    // Where the input widget lies inside the control.
    virtual QRect FieldRect() const;
    // Runs on commit before Action is reported, and gives Action's parameter.
    virtual int Committed() { return 0; }
    // Up or Down in the field: true when handled.
    virtual bool Step(int direction) {
        (void)direction;
        return false;
    }
    void SetValidatorPattern(const QString& pattern);
    bool FieldFocused() const;
    // Reports what a step or stepper did, as if the user had typed and committed it.
    void ReportStep(int parameter);

    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    friend class LineField;
    void SyncTitle();
    void TextEdited();
    void Commit();
    void FocusIn(bool window_activation);
    void FocusOut(bool window_activation);
    void KeyInput(const QKeyEvent& event);
    // Font, alignment and colours live in MControlFont; the input widget follows them.
    void SyncField();

    LineField* field_;
    bool dirty_ = false;
    bool capture_ = false;
    CapturedKey last_key_;
};

// A number field with a range (0..100 until set): digits only, Up and Down step by one, and a
// commit brings the number into the range. Action carries the committed number.
class NumberEdit : public MEdit {
  public:
    NumberEdit(MDialog& owner, QWidget* parent, int id);
    void SetRange(int minimum, int maximum);
    int GetMinValue() const { return minimum_; }
    int GetMaxValue() const { return maximum_; }
    // The number shown, brought into the range; an empty or unreadable text reads as the
    // minimum.
    int GetValue() const;
    void SetValue(int value);

  protected:
    int Committed() override;
    bool Step(int direction) override;

  private:
    int minimum_ = 0;
    int maximum_ = 100;
};

// A number field with small up and down steppers at its right end. A stepper click changes
// the number like Up or Down: TextChanged, then Action with the new number.
class NumberEdit2 : public NumberEdit {
  public:
    NumberEdit2(MDialog& owner, QWidget* parent, int id);

  protected:
    QRect FieldRect() const override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    QRect StepperRect(int direction) const;
    // +1 for the upper stepper, -1 for the lower one, 0 elsewhere.
    int StepperAt(const QPoint& point) const;

    int pressed_ = 0;
    int hovered_ = 0;
};

}  // namespace veltra::ui
