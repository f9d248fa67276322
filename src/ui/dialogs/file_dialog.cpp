#include "ui/dialogs/file_dialog.h"

#include <QFileDialog>
#include <QPointer>
#include <vector>

namespace veltra::ui {
namespace {

FileDialogHook& Hook() {
    static FileDialogHook hook;
    return hook;
}

std::vector<QPointer<QFileDialog>>& OpenDialogs() {
    static std::vector<QPointer<QFileDialog>> dialogs;
    return dialogs;
}

}  // namespace

QString AskForFile(QWidget* owner, const FileDialogRequest& request) {
    if (Hook()) {
        return Hook()(request);
    }
    const bool save = request.kind == FileDialogRequest::Kind::kSave;
    QFileDialog dialog(owner, request.title, request.start, request.filter);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setWindowModality(Qt::WindowModal);
    OpenDialogs().emplace_back(&dialog);
    const int result = dialog.exec();
    std::erase_if(OpenDialogs(), [&](const QPointer<QFileDialog>& open) {
        return open.isNull() || open.data() == &dialog;
    });
    if (result != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().constFirst();
}

void CancelFileDialogs() {
    for (const QPointer<QFileDialog>& dialog : std::vector(OpenDialogs())) {
        if (dialog) {
            dialog->reject();
        }
    }
}

void SetFileDialogHook(FileDialogHook hook) {
    Hook() = std::move(hook);
}

}  // namespace veltra::ui
