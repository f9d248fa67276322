#pragma once
// The base of every control. A control is a widget owned by its dialog (directly or through a
// page container) with a numeric id; it reports user input to the dialog's notification
// operation as (id, event code, parameter) and paints either its skin image or the flat look.
//
// Threads: controls belong to the user-interface thread. Another thread never calls them; it
// posts the call (ui_thread.h) to the dialog, which drops it if the dialog is gone by then.
#include <QString>
#include <QWidget>
#include <cstdint>
#include <optional>

#include "ui/widgets/events.h"
#include "ui/widgets/look.h"
#include "ui/widgets/skin.h"

namespace veltra::ui {

class MDialog;

// Where the selection of a row of `count` items goes for the arrow keys of its direction
// (`previous`, `next`), Home and End; nothing for other keys. With nothing selected
// (`current` < 0) either arrow goes to the first item.
std::optional<int> StepTarget(int key, int current, int count, int previous, int next);

class MControl : public QWidget {
  public:
    MControl(MDialog& owner, QWidget* parent, int id);
    ~MControl() override;

    int Id() const { return id_; }
    MDialog& Owner() const { return owner_; }

    void SetVisible(bool visible);
    void SetEnabled(bool enabled);
    // Client coordinates of the owning dialog, as the pages give them.
    void SetRect(const QRect& rect);
    void SetTooltip(const QString& text);
    void UpdateControl() { update(); }
    // Joins the dialog's animation timer; Animate() is called while Animating() is true.
    void AddMTimer();

    virtual void SetImage(const QString& file, int states);
    virtual void SetTextColor(std::uint32_t argb);
    virtual bool Animating() const { return false; }
    virtual void Animate() {}

  protected:
    // Reports an event to the owning dialog; the dialog may destroy or rebuild anything.
    void Notify(Event event, int param = 0);
    const SkinImage& Image() const { return image_; }
    QColor TextColourOr(const QColor& fallback) const;
    bool HasTextColour() const { return has_text_colour_; }
    // Hover, pressed and disabled as the user sees them now.
    Visual CurrentVisual() const;
    bool IsPressed() const { return pressed_; }
    void SetPressed(bool pressed);
    // Lists take the keyboard focus only while they hold something to choose, so Tab never
    // stops on an empty control.
    void OfferFocus(bool offered);
    // Tells the dialog that Animating() may have changed.
    void AnimationChanged();
    // The name assistive technology reads: the text, else the tooltip.
    virtual QString AccessibleText() const { return {}; }
    void RefreshAccessibleName();

    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    MDialog& owner_;
    int id_;
    SkinImage image_;
    QColor text_colour_;
    bool has_text_colour_ = false;
    bool pressed_ = false;
    bool animated_ = false;
};

// Controls with a text: title, font and alignment.
class MControlFont : public MControl {
  public:
    using MControl::MControl;

    virtual void SetTitle(const QString& title);
    QString GetTitle() const { return title_; }
    void SetFont(int pixel_size);
    void SetFontName(const QString& family);
    void SetFontWidth(int weight);
    void SetAlignment(Qt::Alignment horizontal);
    void SetVAlignment(Qt::Alignment vertical);

  protected:
    QFont TextFont() const;
    Qt::Alignment TextAlignment() const { return horizontal_ | vertical_; }
    QString AccessibleText() const override { return title_; }

  private:
    QString title_;
    QString family_;
    int size_ = 14;
    int weight_ = 400;
    Qt::Alignment horizontal_ = Qt::AlignLeft;
    Qt::Alignment vertical_ = Qt::AlignVCenter;
};

// A control the user clicks: mouse press and release inside, Space or Enter with the focus.
// Click() runs the control's own reaction and then notifies Action.
class ClickableControl : public MControlFont {
  public:
    ClickableControl(MDialog& owner, QWidget* parent, int id);

  protected:
    // What a click does before the dialog hears of it (toggle, choose a colour...).
    virtual void Clicked() {}
    virtual int ClickParameter() const { return 0; }
    void Click();
    void PaintFocus(QPainter& painter, qreal radius = look::kRadius) const;

    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
};

}  // namespace veltra::ui
