#pragma once
// The pop-up menu of the tray icon and of the list item buttons: a column of commands in the
// dark look, chosen with the mouse or the keyboard (Up, Down, Enter, Escape).
//
// A chosen command reaches the owner through the command handler. It is posted: the handler
// runs from the event loop after the menu has closed, never inside Create, and not at all when
// the owner is gone by then (like a window message to a destroyed window). A menu closed
// without a choice reports nothing.
//
// The open menu does not depend on the MenuWnd that built it: a MenuWnd may be a local object
// of the handler that opens the menu; the menu deletes itself when it closes.
//
// Threads: the user-interface thread only.
#include <QPoint>
#include <QPointer>
#include <QString>
#include <functional>
#include <vector>

class QMenu;
class QWidget;

namespace veltra::ui {

// Gives a menu built elsewhere (the notification icon's, which the desktop shows) the look of
// the program's menus.
void StyleMenu(QMenu& menu, bool checks = false);

// Which side of the menu the point of Create is: its left edge (the menu opens to the right
// of the point) or its right edge (the menu opens to the left).
enum class MenuAlign { Left, Right };

class MenuWnd {
  public:
    using CommandHandler = std::function<void(int command)>;

    explicit MenuWnd(QWidget* owner, CommandHandler on_command = {});
    MenuWnd(const MenuWnd&) = delete;
    MenuWnd& operator=(const MenuWnd&) = delete;
    ~MenuWnd();

    void SetCommandHandler(CommandHandler on_command) { on_command_ = std::move(on_command); }
    enum class Check { None, Unchecked, Checked };
    // `check` shows a check box before the text; a disabled entry cannot be chosen.
    void AddMenu(int command, const QString& text, Check check = Check::None, bool enabled = true);
    int GetMenuCount() const { return static_cast<int>(entries_.size()); }

    // Shows the menu at `screen_point` (kept on the screen), below the point or, with `above`,
    // ending at it. False without entries. A menu this object opened before is closed first.
    bool Create(const QPoint& screen_point, MenuAlign align = MenuAlign::Left, bool above = false);
    // Closes the open menu without a choice.
    void Close();
    bool IsOpen() const;

  private:
    struct Entry {
        int command;
        QString text;
        Check check;
        bool enabled;
    };
    QPointer<QWidget> owner_;
    CommandHandler on_command_;
    std::vector<Entry> entries_;
    QPointer<QMenu> open_;
};

}  // namespace veltra::ui
