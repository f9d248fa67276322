// The profile import and export buttons and the window message that asks for them: the
// desktop's file dialogs, the profile file itself (frontend/profile_file.h), and what the user
// is told when a file cannot be read or written.
#include <QFileInfo>
#include <filesystem>

#include "config/language.h"
#include "device/device_worker.h"
#include "frontend/profile_file.h"
#include "store/profile_store.h"
#include "ui/dialogs/file_dialog.h"
#include "ui/dialogs/lang_text.h"
#include "ui/dialogs/message_box.h"
#include "ui/widgets/fields.h"
#include "ui/window/device_main_dlg.h"
#include "ui/window/main_window_ids.h"

namespace veltra::ui {

namespace ids = main_window;
namespace text = main_window::text;

namespace {

int ImportErrorText(ProfileFileError error) {
    switch (error) {
        case ProfileFileError::kUnreadable:
            return text::kFileUnreadable;
        case ProfileFileError::kNoSections:
            return text::kFileNoSettings;
        case ProfileFileError::kStoreFailed:
            return text::kProfileNotStored;
        default:
            return text::kFileNotAProfile;
    }
}

}  // namespace

QString DeviceMainDlg::ProfileFolder() const {
    return StartFolder(profile_folder_);
}

void DeviceMainDlg::ImportProfileFile() {
    // One file dialog at a time, also when a second request arrives from outside meanwhile.
    if (profile_dialog_open_ || shut_down_ || ActiveProfile() <= 0) {
        return;
    }
    profile_dialog_open_ = true;
    const QString path = AskForFile(this, {.kind = FileDialogRequest::Kind::kOpen,
                                           .title = LangText(text::kImportTitle),
                                           .filter = QStringLiteral("MouseKey (*.xml)"),
                                           .start = ProfileFolder()});
    profile_dialog_open_ = false;
    const int profile = ActiveProfile();
    if (path.isEmpty() || shut_down_ || profile <= 0) {
        return;
    }
    profile_folder_ = QFileInfo(path).absolutePath();
    const ProfileImportResult result =
        ImportProfile(*env_.store, LocalPath(path),
                      {.profile = profile,
                       .device_type = DeviceType(),
                       .lighting = HasLighting(),
                       .lang = [](int id) { return GetLangText(id); }});
    if (!result.ok()) {
        ShowProfileFileError(text::kImportTitle, ImportErrorText(result.error), path);
        return;
    }
    // As after a change of profile: the pages show the store, the mouse gets it with the next
    // change.
    worker_->QueueTask(TaskCode::ProfileChange);
    OpenWaitDialog();
}

void DeviceMainDlg::ExportProfileFile(int key_profile) {
    if (profile_dialog_open_ || shut_down_ || ActiveProfile() <= 0) {
        return;
    }
    const MComboBox* profiles = Get<MComboBox>(ids::kProfileCombo);
    bool known = false;
    for (int index = 0; index < profiles->GetCount(); ++index) {
        known = known || profiles->GetItemData(index) == key_profile;
    }
    if (!known) {
        return;
    }
    const QString name = profiles->GetItemText(profiles->GetCurSel());
    profile_dialog_open_ = true;
    const QString suggested = QString::fromStdString(SuggestedProfileFileName(name.toStdString()));
    const QString path = AskForFile(this, {.kind = FileDialogRequest::Kind::kSave,
                                           .title = LangText(text::kExportTitle),
                                           .filter = QStringLiteral("Mouse (*.xml)"),
                                           .start = QDir(ProfileFolder()).filePath(suggested)});
    profile_dialog_open_ = false;
    const int profile = ActiveProfile();
    if (path.isEmpty() || shut_down_ || profile <= 0) {
        return;
    }
    profile_folder_ = QFileInfo(path).absolutePath();
    const ProfileFileError error = ExportProfile(*env_.store, LocalPath(path),
                                                 {.profile = profile,
                                                  .key_profile = key_profile,
                                                  .name = name.toStdString(),
                                                  .lighting = HasLighting()});
    if (error != ProfileFileError::kNone) {
        ShowProfileFileError(text::kExportTitle, text::kFileNotSaved, path);
    }
}

void DeviceMainDlg::ShowProfileFileError(int title, int body, const QString& path) {
    ShowMessageBox(this, LangText(body).replace(QStringLiteral("%s"), QFileInfo(path).fileName()),
                   LangText(title), kMessageOk);
}

}  // namespace veltra::ui
