#pragma once
// The buttons of the mouse picture: for each button a leader line from the button on the
// picture to a label with the button's name and what it does. The picture itself is an
// MPicture beneath this control; this control draws only the lines and labels.
#include <QPoint>
#include <vector>

#include "ui/widgets/control.h"

namespace veltra::ui {

// Items are added with three points in the control's own coordinates: the line runs from
// point 1 (the button) through point 2 to point 3, where the label sits on the left (direction
// 0) or on the right (any other direction) of point 3. The skin image is the label's face
// ("img_key_bkg.png", 3 states: normal, hover, selected); without it the label is a flat card.
//
// User input: a click on a label, a line or a button's dot, and Up/Down/Home/End (items in
// the order added) select the item and notify Action with its key value; a click on the
// selected item notifies again, a key that cannot move does not. Program calls never notify.
class MouseCtrl : public MControlFont {
  public:
    MouseCtrl(MDialog& owner, QWidget* parent, int id);

    void AddItem(const QString& text, int key_value, int direction, const QPoint& p1,
                 const QPoint& p2, const QPoint& p3);
    void DeleteAllItems();
    int GetItemCount() const { return static_cast<int>(items_.size()); }
    // The description under the name of every item with `key_value`; unknown values: nothing.
    void SetItemKeyDesc(int key_value, const QString& text);
    QString GetItemKeyDesc(int key_value) const;
    // Selects the first item with `key_value`; an unknown value selects nothing.
    void SetSelectItem(int key_value);
    // The key value of the selected (last clicked) item, or -1 when none is selected.
    int GetItemKeyValue() const;

    // The label of item `index` as drawn, and the item under `pos` (-1 for none).
    QRect LabelRect(int index) const;
    int ItemAt(const QPoint& pos) const;

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
        QString desc;
        int key = 0;
        int direction = 0;
        QPoint p1;
        QPoint p2;
        QPoint p3;
    };

    void Choose(int index);
    void PaintLines(QPainter& painter, int index) const;
    void PaintLabel(QPainter& painter, int index) const;

    std::vector<Item> items_;
    int selected_ = -1;
    int hovered_ = -1;
    int pressed_item_ = -1;
};

}  // namespace veltra::ui
