#pragma once
// The desktop's dialogs for choosing one file to save or to open, or a folder, modal to their
// owner. Where the desktop offers its own (a portal, GTK, KDE), that one shows; otherwise Qt's.
#include <QString>
#include <filesystem>
#include <functional>

class QWidget;

namespace veltra::ui {

struct FileDialogRequest {
    enum class Kind { kSave, kOpen, kFolder };
    Kind kind = Kind::kOpen;
    QString title;
    QString filter;  // one entry, "Description (*.ext)"; none for a folder
    QString start;   // the folder to show, with a file name for a save dialog
};

// The chosen path, unchanged; empty when the dialog was cancelled. A save dialog asks before it
// names a file that exists; an open dialog offers existing files only.
QString AskForFile(QWidget* owner, const FileDialogRequest& request);

// A chosen path as the file functions take it: in the file system's encoding.
std::filesystem::path LocalPath(const QString& path);

// Where a dialog starts: `last_chosen` while it is a folder, else Documents, else home.
QString StartFolder(const QString& last_chosen);

// Ends every file dialog still open as cancelled: the program's end never waits for an answer.
void CancelFileDialogs();

// Tests and scripted runs answer without a window: while a hook is set, AskForFile returns its
// answer and shows nothing.
using FileDialogHook = std::function<QString(const FileDialogRequest& request)>;
void SetFileDialogHook(FileDialogHook hook);

}  // namespace veltra::ui
