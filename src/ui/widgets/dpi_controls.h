#pragma once
// The DPI page's own controls: the eight DPI levels, the slider for the selected level's value
// and the report-rate selector.
#include <QString>
#include <array>
#include <cstdint>
#include <vector>

#include "ui/widgets/control.h"

namespace veltra::ui {

// The DPI levels side by side; each shows a check box (the level is in the mouse's DPI cycle),
// its value and its colour swatch. The control holds eight levels; AddItem fills them from the
// first and only the levels added are shown. Colours are colour values (red in the lowest
// byte). The skin image is the check box strip ("btn_checkbox.png", 8 states).
//
// User input, each with the level's index as parameter (the level becomes the selected one
// first):
//   click on a level, Left/Right/Home/End        Action
//   click on its check box, Space                DpiMaskChanged (the mask's bit flips; the
//                                                last enabled level shown cannot be cleared)
//   click on its colour swatch, Enter            DpiColourPick
// Program calls never notify.
class DPIControl : public MControlFont {
  public:
    static constexpr int kLevels = 8;

    DPIControl(MDialog& owner, QWidget* parent, int id);

    // Appends a level (ignored once eight are shown).
    void AddItem(int dpi, std::uint32_t colour);
    // Removes the levels shown; the selection goes with them.
    void DeleteAllItems();
    int GetItemCount() const { return count_; }
    // Value and colour of level `index` (0..7, whether shown or not). Out of range: nothing,
    // and the getters answer 0.
    void SetDPIValue(int index, int dpi);
    int GetDPIValue(int index) const;
    void SetDPIColorValue(int index, std::uint32_t colour);
    std::uint32_t GetDPIColorValue(int index) const;
    // The enable mask: bit i set = level i is in the cycle. Only the low eight bits count.
    void SetDPIFlag(int mask);
    int GetDPIFlag() const { return mask_; }
    // Selects a shown level; anything else is ignored. GetSelectItem answers -1 when none.
    void SetSelectItem(int index);
    int GetSelectItem() const { return selected_; }

    // Where level `index` is drawn, its check box and its swatch; empty when not shown.
    QRect ItemRect(int index) const;
    QRect CheckRect(int index) const;
    QRect SwatchRect(int index) const;

  protected:
    QString AccessibleText() const override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    enum class Part { None, Level, Check, Swatch };
    struct Hit {
        int index = -1;
        Part part = Part::None;
        bool operator==(const Hit&) const = default;
    };

    Hit HitAt(const QPoint& pos) const;
    void Select(int index);
    // The user's action on `part` of level `index`.
    void Act(int index, Part part);
    bool Enabled(int index) const { return (mask_ >> index & 1) != 0; }
    void PaintLevel(QPainter& painter, int index) const;

    std::array<int, kLevels> values_{};
    std::array<std::uint32_t, kLevels> colours_{};
    int count_ = 0;
    int mask_ = 0;
    int selected_ = -1;
    Hit hovered_;
    Hit pressed_;
};

// The value of the selected DPI level as a slider over progress steps of 50 DPI between a
// lower and an upper limit, with a text at each end. Positions in notifications count from
// the lower limit (progress = lower limit + position).
//
// User input: dragging, or a press on the track, notifies Changing with each new position and
// Action with the final one on release; keys (Left/Down, Right/Up one step, PageUp/PageDown
// ten, Home/End to the ends) notify Changing for every step and Action when the key is
// released. Program calls never notify.
class DPISlider : public MControlFont {
  public:
    static constexpr int kDpiPerStep = 50;

    DPISlider(MDialog& owner, QWidget* parent, int id);

    // The progress is kept inside the limits.
    void SetProgress(int progress);
    int GetProgress() const { return progress_; }
    int GetPosition() const { return progress_ - lower_; }
    // Limits in progress steps; an upper limit below the lower one is raised to it.
    void SetLimits(int lower, int upper);
    void SetLowerLimit(int lower) { SetLimits(lower, upper_); }
    void SetUpperLimit(int upper) { SetLimits(lower_, upper); }
    int GetLowerLimit() const { return lower_; }
    int GetUpperLimit() const { return upper_; }
    // How many progress steps one move of the user takes (1 until set); the user's positions
    // are then the lower limit plus whole moves, and the upper limit.
    void SetStep(int steps);
    int GetStep() const { return step_; }
    // The texts under the two ends of the track.
    void SetEndTexts(const QString& low, const QString& high);
    // The panel behind the slider (the control's own image is the filled part of the track).
    void SetBackImage(const QString& file);

    // The track and the thumb as drawn now.
    QRectF TrackRect() const;
    QPointF ThumbCentre() const;

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
    int ProgressAt(qreal x) const;
    // Moves to `progress` for the user; a change notifies Changing and waits to be final.
    void MoveTo(int progress);

    int progress_ = 10;
    int lower_ = 10;
    int upper_ = 240;
    int step_ = 1;
    QString low_text_ = QStringLiteral("500");
    QString high_text_ = QStringLiteral("12000");
    SkinImage back_;
    bool dragging_ = false;
    // A user change not yet reported as final (Action).
    bool moved_ = false;
};

// The report rate as a row of segments; each item has a text, a value and an indicator colour
// (a colour value). It starts with the four rates of a cabled or receiver mouse:
// "125Hz" 3, "250Hz" 2, "500Hz" 1, "1000Hz" 0.
//
// User input: a click on a segment, Left/Right/Home/End select it and notify Action with the
// item's value (a click on the selected segment too, a key that cannot move does not).
// Program calls never notify.
class ReporteCtrl : public MControlFont {
  public:
    ReporteCtrl(MDialog& owner, QWidget* parent, int id);

    void AddItem(const QString& text, int value, std::uint32_t colour);
    void DeleteAllItems();
    int GetItemCount() const { return static_cast<int>(items_.size()); }
    // Selects the first item with `value`; an unknown value leaves the selection as it is.
    void SetSelectItemValue(int value);
    // The selected item's value, or -1 when nothing is selected.
    int GetSelectItemValue() const;
    int GetSelectItem() const { return selected_; }

    QRect ItemRect(int index) const;

  protected:
    QString AccessibleText() const override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    struct Item {
        QString text;
        int value = 0;
        std::uint32_t colour = 0;
    };

    int ItemAt(const QPoint& pos) const;
    void Choose(int index);

    std::vector<Item> items_;
    int selected_ = -1;
    int hovered_ = -1;
    int pressed_item_ = -1;
};

}  // namespace veltra::ui
