// The profile import and export buttons and window message 1705 over the simulated mouse: the
// file dialogs they open, the file written, the pages after an import, what reaches the mouse,
// and what the user is told about a file that cannot be used.
#include <gtest/gtest.h>

#include "common/file_io.h"
#include "config/language.h"
#include "device/device_worker.h"
#include "ui/dialogs/file_dialog.h"
#include "ui/widgets/dpi_controls.h"
#include "ui/widgets/fields.h"
#include "ui/window/dpi_page.h"
#include "window/window_fixture.h"

namespace veltra::ui::testing {
namespace {

namespace fs = std::filesystem;
namespace dpi = dpi_page;

constexpr std::string_view kDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";

class ProfileFilesTest : public WindowTest {
  protected:
    ProfileFilesTest() {
        SetFileDialogHook([this](const FileDialogRequest& request) {
            requests_.push_back(request);
            return answer_;
        });
    }
    ~ProfileFilesTest() override { SetFileDialogHook({}); }

    std::string Stored(std::string_view key) {
        std::string value;
        store_.GetConfig(store_.GetActiveProfile(), key, value);
        return value;
    }

    bool Idle() {
        return WaitUntil([this] { return window_->Worker().TaskQueueEmpty(); });
    }

    std::vector<FileDialogRequest> requests_;
    QString answer_;
};

TEST_F(ProfileFilesTest, ExportAsksWhereWithTheProfileNameAndWritesTheProfile) {
    OpenWindow();
    const fs::path file = dir_.path() / "saved.xml";
    answer_ = QString::fromStdString(file.string());
    Act(ids::kExportButton);
    ASSERT_EQ(requests_.size(), 1u);
    const FileDialogRequest& request = requests_[0];
    EXPECT_EQ(request.kind, FileDialogRequest::Kind::kSave);
    EXPECT_EQ(request.filter, "Mouse (*.xml)");
    EXPECT_EQ(request.title.toStdString(), GetLangText(ids::text::kExportTitle));
    const QString name = Get<MComboBox>(ids::kProfileCombo)
                             ->GetItemText(Get<MComboBox>(ids::kProfileCombo)->GetCurSel());
    EXPECT_TRUE(request.start.endsWith("/" + name + ".xml")) << request.start.toStdString();
    const std::optional<std::string> text = ReadWholeFile(file);
    ASSERT_TRUE(text);
    EXPECT_TRUE(text->starts_with(std::string(kDeclaration) + "<profile>\r\n<profileinfo name=\"" +
                                  name.toStdString() + "\">\r\n"));
    EXPECT_TRUE(boxes_.empty());

    // The next dialog starts in the folder chosen before; a cancelled one writes nothing.
    answer_.clear();
    Act(ids::kImportButton);
    ASSERT_EQ(requests_.size(), 2u);
    EXPECT_EQ(requests_[1].kind, FileDialogRequest::Kind::kOpen);
    EXPECT_EQ(requests_[1].filter, "MouseKey (*.xml)");
    EXPECT_EQ(requests_[1].start.toStdString(), dir_.path().string());
    EXPECT_TRUE(boxes_.empty());
}

TEST_F(ProfileFilesTest, AnImportShowsInThePagesAndReachesTheMouseWithTheNextChange) {
    OpenWindow();
    ASSERT_TRUE(Idle());
    const fs::path file = dir_.path() / "in.xml";
    ASSERT_TRUE(WriteFileAtomically(
        file, std::string(kDeclaration) +
                  "<profile>\r\n<profileinfo name=\"Other\">\r\n<keyitems/>\r\n"
                  "<Mouse_DPI dpi_flag=\"255\" dpi_index=\"1\" dpi_count=\"8\">\r\n"
                  "<DPI1 value=\"1000\" color=\"255\"/>\r\n<DPI2 value=\"2000\" color=\"255\"/>\r\n"
                  "</Mouse_DPI>\r\n<Mouse>\r\n<report_rate value=\"2\"/>\r\n</Mouse>\r\n"
                  "</profileinfo>\r\n</profile>\r\n"));
    backend_->ClearTraffic();
    answer_ = QString::fromStdString(file.string());
    Act(ids::kImportButton);
    auto* levels = Get<DPIControl>(dpi::kLevels);
    ASSERT_TRUE(WaitUntil([&] { return levels->GetDPIValue(1) == 2000; }));
    ASSERT_TRUE(Idle());
    EXPECT_EQ(levels->GetDPIValue(0), 1000);
    EXPECT_EQ(levels->GetSelectItem(), 1);
    EXPECT_EQ(Get<ReporteCtrl>(dpi::kRate)->GetSelectItemValue(), 2);
    EXPECT_EQ(Stored("report_rate"), "2");
    EXPECT_TRUE(ConfigWrites().empty());
    EXPECT_NE(backend_->Firmware(mouse_).DpiValue(1), 2000);
    EXPECT_NE(backend_->Firmware(mouse_).ReportRateCode(), 2);
    EXPECT_TRUE(boxes_.empty());

    // Choosing the level the mouse already holds sends the whole imported profile.
    Act(dpi::kLevels, 1);
    ASSERT_TRUE(
        WaitUntil([&] { return !ConfigWrites().empty() && window_->Worker().TaskQueueEmpty(); }));
    EXPECT_EQ(backend_->Firmware(mouse_).DpiValue(0), 1000);
    EXPECT_EQ(backend_->Firmware(mouse_).DpiValue(1), 2000);
    EXPECT_EQ(backend_->Firmware(mouse_).ReportRateCode(), 2);
}

TEST_F(ProfileFilesTest, AFileThatCannotBeUsedIsNamedInAMessageAndChangesNothing) {
    OpenWindow();
    ASSERT_TRUE(Idle());
    const std::string rate = Stored("report_rate");
    const struct {
        const char* name;
        std::string bytes;
        int text;
    } cases[] = {
        {"garbage.xml", std::string("\0\1\2binary", 9), ids::text::kFileNotAProfile},
        {"macro.xml", "<macro/>", ids::text::kFileNotAProfile},
        {"empty-profile.xml", "<profile><profileinfo name=\"x\"/></profile>",
         ids::text::kFileNoSettings},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path file = dir_.path() / c.name;
        ASSERT_TRUE(WriteFileAtomically(file, c.bytes));
        answer_ = QString::fromStdString(file.string());
        boxes_.clear();
        Act(ids::kImportButton);
        ASSERT_EQ(boxes_.size(), 1u);
        std::string body = GetLangText(c.text);
        body.replace(body.find("%s"), 2, c.name);
        EXPECT_EQ(boxes_[0], body + " | " + GetLangText(ids::text::kImportTitle) + " | 0");
        EXPECT_EQ(Stored("report_rate"), rate);
    }
    // Button assignments survive a refused file.
    EXPECT_TRUE(window_->Worker().TaskQueueEmpty());

    // A folder that cannot take the file.
    boxes_.clear();
    answer_ = QString::fromStdString((dir_.path() / "missing" / "p.xml").string());
    Act(ids::kExportButton);
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_NE(boxes_[0].find("p.xml"), std::string::npos);
}

TEST_F(ProfileFilesTest, TheWindowMessageImportsAndExportsTheKeysOfTheNamedProfile) {
    OpenWindow();
    ASSERT_TRUE(Idle());
    KeyAssignment key;
    key.profile = 2;
    key.key_code = 3;
    key.macro_type = 10;
    key.macro_value = 1;
    key.macro_desc = "Disabled";
    ASSERT_NE(store_.SaveKeyAssignment(key), 0);

    const fs::path file = dir_.path() / "p2.xml";
    answer_ = QString::fromStdString(file.string());
    EXPECT_EQ(window_->OnWindowMessage(ids::kMessageProfileFile, ids::kProfileFileExport, 2), 1);
    const std::optional<std::string> text = ReadWholeFile(file);
    ASSERT_TRUE(text);
    EXPECT_NE(text->find("<item key_code=\"3\" macro_type=\"10\""), std::string::npos);

    // A profile the window does not list opens no dialog.
    EXPECT_EQ(window_->OnWindowMessage(ids::kMessageProfileFile, ids::kProfileFileExport, 77), 1);
    EXPECT_EQ(requests_.size(), 1u);

    // Import puts the key items into the active profile.
    const int active = store_.GetActiveProfile();
    ASSERT_NE(active, 2);
    EXPECT_EQ(window_->OnWindowMessage(ids::kMessageProfileFile, ids::kProfileFileImport, 0), 1);
    ASSERT_EQ(requests_.size(), 2u);
    KeyAssignment stored;
    EXPECT_TRUE(store_.LoadKeyAssignment(active, 0, 3, stored));
    EXPECT_EQ(stored.macro_type, 10);
    ASSERT_TRUE(Idle());
}

TEST_F(ProfileFilesTest, AProfileSavedByTheWindowGoesThroughVeltractlAndBackUnchanged) {
    OpenWindow();
    ASSERT_TRUE(Idle());
    KeyAssignment key;
    key.profile = store_.GetActiveProfile();
    key.key_code = 4;
    key.macro_type = 3;
    key.macro_value = 5;
    key.macro_desc = "音量+";
    ASSERT_NE(store_.SaveKeyAssignment(key), 0);
    ASSERT_TRUE(store_.SetConfig(key.profile, "button_respondtime", "12"));
    const fs::path first = dir_.path() / "window.xml";
    answer_ = QString::fromStdString(first.string());
    Act(ids::kExportButton);

    // veltractl with a store of its own takes the file and writes it again.
    const fs::path second = dir_.path() / "veltractl.xml";
    const fs::path cli_home = dir_.path() / "cli";
    const auto veltractl = [&](const std::string& command, const fs::path& path) {
        return RunVeltractl({"profile", command, path.string()}, cli_home);
    };
    const test::ProcessResult imported = veltractl("import", first);
    ASSERT_EQ(imported.exit_code, 0) << imported.err;
    const test::ProcessResult exported = veltractl("export", second);
    ASSERT_EQ(exported.exit_code, 0) << exported.err;
    EXPECT_EQ(ReadWholeFile(second), ReadWholeFile(first));

    // And back into the window.
    ASSERT_TRUE(store_.DeleteKeyAssignments(key.profile));
    ASSERT_TRUE(store_.SetConfig(key.profile, "button_respondtime", "3"));
    answer_ = QString::fromStdString(second.string());
    Act(ids::kImportButton);
    ASSERT_TRUE(Idle());
    KeyAssignment stored;
    ASSERT_TRUE(store_.LoadKeyAssignment(key.profile, 0, 4, stored));
    EXPECT_EQ(stored.macro_desc, "音量+");
    EXPECT_EQ(Stored("button_respondtime"), "12");
    // The pointer settings are the desktop's: the page shows and keeps what it reads.
    EXPECT_EQ(Stored("mouse_speed"), "10");
}

}  // namespace
}  // namespace veltra::ui::testing
