#include "ui/dialogs/file_dialog.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QPointer>
#include <QStandardPaths>
#include <QTranslator>
#include <memory>
#include <vector>

#include "config/language.h"

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

// Qt's own dialog, shown where the desktop offers none, speaks the program's language: Qt's
// translation of its dialogs, where the system has it, follows the language in use.
void FollowProgramLanguage() {
    static std::unique_ptr<QTranslator> translator;
    static int language = 0;
    const int current = CurrentLanguageId();
    if (current == language) {
        return;
    }
    language = current;
    if (translator) {
        QCoreApplication::removeTranslator(translator.get());
        translator.reset();
    }
    if (current != kSimplifiedChinese) {
        return;
    }
    auto chinese = std::make_unique<QTranslator>();
    if (chinese->load(QStringLiteral("qtbase_zh_CN"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath)) &&
        QCoreApplication::installTranslator(chinese.get())) {
        translator = std::move(chinese);
    }
}

}  // namespace

QString AskForFile(QWidget* owner, const FileDialogRequest& request) {
    if (Hook()) {
        return Hook()(request);
    }
    FollowProgramLanguage();
    const bool save = request.kind == FileDialogRequest::Kind::kSave;
    QFileDialog dialog(owner, request.title, request.start, request.filter);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    if (request.kind == FileDialogRequest::Kind::kFolder) {
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly);
    } else {
        dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    }
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

std::filesystem::path LocalPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

QString StartFolder(const QString& last_chosen) {
    if (!last_chosen.isEmpty() && QFileInfo(last_chosen).isDir()) {
        return last_chosen;
    }
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QFileInfo(documents).isDir() ? documents : QDir::homePath();
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
