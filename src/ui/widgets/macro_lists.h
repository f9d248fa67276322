#pragma once
// The lists of the macro page: the macros (MacroList) and the steps of one macro (CRecordList).
//
// Both select a row with a click or Up, Down, Home, End, PageUp and PageDown and report a
// selection the user made as Action with the row index; the program's own SetCurSel notifies
// nothing. Each row has an item button ("btn_more.png"), shown on the hovered and the selected
// row; pressing it, or the menu key (Shift+F10) on the selected row, selects the row and reports
// ItemButton with the row index, so the page can open its menu at GetItemButtonRect. Rows use
// "img_list_bkg.png" (normal, selected) when the skin has it. Only the visible rows are painted,
// so thousands of rows cost nothing until they scroll into view.
//
// Indexes from the program are checked: an index outside the list does nothing and queries
// answer an empty value.
#include <QString>
#include <optional>
#include <vector>

#include "ui/widgets/control.h"

class QLineEdit;

namespace veltra::ui {

// Selection, scrolling, hover, the item buttons and the keys shared by the two lists.
class RowList : public MControlFont {
  public:
    RowList(MDialog& owner, QWidget* parent, int id);

    int GetCurSel() const { return selected_; }
    // Selects `index` and scrolls it into view; -1 or an index outside the list clears the
    // selection. Notifies nothing.
    void SetCurSel(int index);
    void EnsureVisible(int index);
    int GetItemHeight() const { return row_height_; }
    void SetItemHeight(int pixels);
    // The first row at the top of the view.
    int GetTopIndex() const;
    // Row `index`'s item button in screen coordinates; empty for an index outside the list.
    QRect GetItemButtonRect(int index) const;

  protected:
    virtual int RowCount() const = 0;
    // Paints row `index` into `content` (the row without its item button); the face is drawn.
    virtual void PaintRow(QPainter& painter, const QRectF& content, int index, bool selected) = 0;
    virtual QString RowText(int index) const = 0;
    virtual void RowDoubleClicked(int index) { (void)index; }
    virtual void Scrolled() {}

    // Row images ("img_list_bkg.png", 2) and item button images ("btn_more.png", 4).
    void SetRowImage(const QString& file, int states);
    void SetButtonImage(const QString& file, int states);
    // Where row `index` lies in the control now (it may be outside the view).
    QRect RowRect(int index) const;
    QRect ButtonRect(int index) const;
    // Keep the selection on the same row while rows come and go.
    void RowInserted(int index);
    void RowRemoved(int index);
    void RowMoved(int from, int to);
    void RowsSwapped(int first, int second);
    void RowsReset();
    // Puts the selection on `index` (or none) without scrolling or notifying.
    void KeepSelection(int index);
    // After rows changed: scroll position and selection stay inside the list.
    void RowsChanged();
    // Whether the view shows the last row, and showing it.
    bool ShowsEnd() const;
    void ShowEnd();
    // The user chose `index`: selects it and notifies Action when the selection changed.
    // False when the dialog destroyed the list meanwhile.
    bool SelectByUser(int index);
    void RefreshDescription();

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    int MaxScroll() const;
    void ScrollTo(int offset);
    bool ScrollBarShown() const;
    QRectF ScrollTrack() const;
    QRectF ScrollThumb() const;
    int RowAt(const QPoint& point) const;
    int PageRows() const;
    void UpdateHover(const QPoint& point);

    SkinImage row_image_;
    SkinImage button_image_;
    int row_height_ = 40;
    int selected_ = -1;
    int scroll_ = 0;
    int hover_row_ = -1;
    bool hover_button_ = false;
    int pressed_button_ = -1;
    // Dragging the scroll thumb: the pointer's offset inside the thumb.
    std::optional<qreal> thumb_grab_;
};

// The macros: one row per macro with its display name and its item data (the macro id), the
// item button that opens the item menu, and in-place renaming (double click, F2 or EditItem).
// Renaming ends with Enter or when the field loses the focus: the row takes the new text
// (trimmed) and the list reports ItemEdited with the row index; Escape ends it unchanged and
// reports nothing. SetImage gives the row images; SetEditImage the item button's.
class MacroList : public RowList {
  public:
    MacroList(MDialog& owner, QWidget* parent, int id);

    // Appends a row; returns its index.
    int AddItem(const QString& text, int item_data);
    bool DeleteItem(int index);
    void DeleteAllItems();
    int GetItemCount() const { return static_cast<int>(items_.size()); }
    // The item data of row `index`; 0 outside the list.
    int GetItemData(int index) const;
    QString GetItemString(int index) const;
    bool ModifyItemString(int index, const QString& text);
    // Starts renaming row `index` (selecting it without notifying). False outside the list.
    bool EditItem(int index);
    bool Editing() const { return editing_ >= 0; }

    void SetImage(const QString& file, int states) override;
    void SetEditImage(const QString& file, int states);

  protected:
    int RowCount() const override { return GetItemCount(); }
    void PaintRow(QPainter& painter, const QRectF& content, int index, bool selected) override;
    QString RowText(int index) const override { return GetItemString(index); }
    void RowDoubleClicked(int index) override;
    void Scrolled() override;
    QString AccessibleText() const override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    struct Item {
        QString text;
        int data = 0;
    };
    void PlaceEditor();
    void FinishEdit(bool commit);

    std::vector<Item> items_;
    QLineEdit* editor_ = nullptr;
    int editing_ = -1;
};

// One step of a macro as the record list holds it.
struct RecordItem {
    QString text;
    int type = 0;
    int value = 0;
    // Steps inserted together as a pair share one stamp; it is an identity, not a time.
    int timestamp = 0;
    bool operator==(const RecordItem&) const = default;
};

// The steps of a macro: number, kind icon and text per row, in the order the macro plays them.
// SetImage gives the kind icons ("icon\icon_list.png", 8: pause, key down, key up, button
// down, button up, wheel up, wheel down, pointer move); without it flat glyphs are drawn.
// SetItemImage gives the row images, SetMoreImage the item button's.
class CRecordList : public RowList {
  public:
    CRecordList(MDialog& owner, QWidget* parent, int id);

    // Appends a step; when the view showed the end it keeps showing it. Returns the index.
    int AddRecord(const QString& text, int type, int value, int timestamp);
    // Inserts a step before `index` (the end for an index past it). Returns where it went.
    int InsertRecord(int index, const QString& text, int type, int value, int timestamp);
    // Every step with `timestamp` and `type` gets `text` and `value`; returns how many.
    int SetRecordInfo(int timestamp, int type, const QString& text, int value);
    // Changes the step at `index`, keeping its timestamp.
    bool SetRecordItem(int index, const QString& text, int type, int value);
    const std::vector<RecordItem>& GetRecordItems() const { return records_; }
    std::optional<RecordItem> GetRecordItem(int index) const;
    // What the record limit counts: every step, pauses included.
    int GetEventCount() const { return static_cast<int>(records_.size()); }
    std::optional<int> GetRecrodTimeStamp(int index) const;
    // Removes every step with `timestamp`; returns how many. A removed selection is cleared.
    int DeleteTimeStamp(int timestamp);
    bool DeleteItem(int index);
    void DeleteAllItems();
    // The step at `index` goes to the top or the bottom; the selection follows it.
    bool MoveTop(int index);
    bool MoveBottom(int index);
    // Exchanges two steps; the selection follows its step. An index outside the list (the
    // position after the last step, say) leaves the list as it is.
    bool SwapItems(int first, int second);

    void SetItemImage(const QString& file, int states);
    void SetMoreImage(const QString& file, int states);

  protected:
    int RowCount() const override { return GetEventCount(); }
    void PaintRow(QPainter& painter, const QRectF& content, int index, bool selected) override;
    QString RowText(int index) const override;
    QString AccessibleText() const override;

  private:
    bool Valid(int index) const { return index >= 0 && index < GetEventCount(); }

    std::vector<RecordItem> records_;
};

// The icon of a step type in the kind strip and the flat glyph drawn without it.
int RecordIconIndex(int type);
QString RecordGlyphName(int type);

}  // namespace veltra::ui
