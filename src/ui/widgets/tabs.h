#pragma once
// The side tab bar of the main window and the page containers it switches between.
#include <QPointer>
#include <string_view>
#include <vector>

#include "ui/widgets/control.h"

namespace veltra::ui {

// A page: the parent of the page's controls. It draws nothing, so the window shows through
// between them, and it takes no input of its own.
class MTabLayout : public MControl {
  public:
    MTabLayout(MDialog& owner, QWidget* parent, int id);
    // Creates a control of the page, as MDialog::CreateControl with this page as container.
    MControl* CreateControl(std::string_view class_name, int id, const QRect& rect,
                            const QString& text = {});
};

// A vertical tab bar. Each item has an id, a text, an icon from the skin and optionally a page
// that shows while the item is selected (the pages of the other items hide).
//
// User input: a click on an item, Up/Down/Home/End with the focus. Each selects the item,
// switches the pages and notifies Action with the item's index; a click on the selected item
// notifies again, a key that cannot move does not. Selecting from the program never notifies.
//
// Geometry as the skin gives it: the items stack from the top of the item area, each the item
// size; a hidden item takes no space. Items that would overflow the area's height share it.
class MTabCtrl : public MControlFont {
  public:
    MTabCtrl(MDialog& owner, QWidget* parent, int id);

    // Appends an item; the first item appended becomes the selected one. Returns its index.
    // `icon` is a square image below the skin folder, or two side by side (normal, selected);
    // without it the item shows a line icon chosen by the file name ("tab_home" a house...).
    int AddItem(int item_id, const QString& text, const QString& icon, MTabLayout* page = nullptr);
    // Links `page` to the item at `index` (null unlinks).
    void SetItemPage(int index, MTabLayout* page);
    void SetItemText(int index, const QString& text);
    // Empty for an index out of range.
    QString GetItemText(int index) const;
    void SetItemVisible(int index, bool visible);
    bool IsItemVisible(int index) const;
    // Selects an item and switches the pages, without notifying. Out of range: nothing.
    void SetSelectItem(int index);
    int GetSelectItem() const { return selected_; }
    // The item's id, or -1 for an index out of range.
    int GetItemId(int index) const;
    int GetItemCount() const { return static_cast<int>(items_.size()); }

    // The highlight behind the selected item.
    void SetBarSize(int width, int height);
    // The item area: its left and right, top and bottom edges in the control.
    void SetPadding(int left, int right, int top, int bottom);
    void SetItemSize(int width, int height);

    // Index of the visible item under `pos`, or -1.
    int ItemAt(const QPoint& pos) const;
    // Where the item at `index` is drawn; empty while hidden.
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
        int id = 0;
        QString text;
        QString glyph;
        SkinImage icon;
        QPointer<MTabLayout> page;
        bool visible = true;
    };

    QRect ItemArea() const;
    void ShowSelectedPage();
    void ChooseByUser(int index);
    // The next visible item from `from` in direction `step`, or -1.
    int NextVisible(int from, int step) const;

    std::vector<Item> items_;
    int selected_ = -1;
    int hovered_ = -1;
    int pressed_item_ = -1;
    QSize bar_{0, 0};
    QSize item_{190, 60};
    int left_ = 0;
    int right_ = 0;
    int top_ = 0;
    int bottom_ = 0;
};

}  // namespace veltra::ui
