// The macro page over the simulated mouse: the macro list, the step editor, recording from
// synthetic input with a test clock, macro files, the window's menu messages, and what the
// mouse receives: the macro buffer the store gives, and buttons that name the right slot.
#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>

#include "common/file_io.h"
#include "common/json.h"
#include "config/language.h"
#include "device/device_worker.h"
#include "device/macro_upload.h"
#include "macro/macro_store.h"
#include "settings/key_function.h"
#include "ui/dialogs/file_dialog.h"
#include "ui/widgets/buttons.h"
#include "ui/widgets/fields.h"
#include "ui/widgets/macro_lists.h"
#include "ui/window/macro_page.h"
#include "window/window_fixture.h"

namespace veltra::ui::testing {
namespace {

namespace fs = std::filesystem;
namespace page = macro_page;

constexpr int kKeycodeA = 38;  // XKB keycode of the A key
constexpr int kKeycodeB = 56;

class MacroPageTest : public WindowTest {
  protected:
    void SetUp() override {
        OpenWindow();
        ASSERT_TRUE(Idle());
        window_->Macros().SetClock([this] { return now_ms_; });
        SetFileDialogHook([this](const FileDialogRequest& request) {
            requests_.push_back(request);
            return answer_;
        });
    }
    void TearDown() override { SetFileDialogHook({}); }

    bool Idle() {
        return WaitUntil([this] { return window_->Worker().TaskQueueEmpty(); });
    }
    MacroList* Macros() { return Get<MacroList>(page::kMacroList); }
    CRecordList* Steps() { return Get<CRecordList>(page::kStepList); }
    std::vector<std::string> Texts() {
        std::vector<std::string> texts;
        for (const RecordItem& item : Steps()->GetRecordItems()) {
            texts.push_back(item.text.toStdString());
        }
        return texts;
    }
    void SelectStep(int index) {
        Steps()->SetCurSel(index);
        Act(page::kStepList, index);
    }
    void SelectMacro(int index) {
        Macros()->SetCurSel(index);
        Act(page::kMacroList, index);
    }
    void Menu(int message, int command) { window_->OnWindowMessage(message, 0, command); }
    int NewMacro() {
        Act(page::kNew);
        return Macros()->GetItemData(Macros()->GetCurSel());
    }
    void Field(int id, const QString& text) {
        Get<MEdit>(id)->SetTitle(text);
        Notify(id, Event::FocusLost, 0);
    }
    void Radio(int id) {
        Get<CRadioButton>(id)->SetCheck(true);
        Act(id, 1);
    }
    // Shown on its page: no tab shows the page itself.
    bool Placed(int id) const { return !Control(id)->isHidden(); }
    std::vector<MacroStep> Stored(int macro_id) { return LoadMacroSteps(store_, macro_id); }
    MacroInfo Info(int macro_id) {
        MacroInfo info;
        EXPECT_TRUE(store_.LoadMacro(macro_id, info));
        return info;
    }
    void AssignMacro(int key_code, int macro_id) {
        KeyAssignment row;
        row.profile = store_.GetActiveProfile();
        row.key_code = key_code;
        row.macro_type = static_cast<int>(KeyFunctionType::MacroFunction);
        row.macro_value = macro_id;
        row.macro_desc = "macro";
        ASSERT_GT(store_.SaveKeyAssignment(row), 0);
    }
    // The buffer the mouse holds now against the one the store gives.
    void ExpectMouseHoldsTheStore() {
        ASSERT_TRUE(Idle());
        std::vector<MacroInfo> macros;
        store_.LoadMacros(macros);
        std::vector<MacroSource> sources;
        for (const MacroInfo& info : macros) {
            MacroSource source{info.delay_type, info.delay_time, {}};
            for (const MacroStep& step : Stored(info.macro_id)) {
                source.records.push_back({step.type, step.value, step.text});
            }
            sources.push_back(std::move(source));
        }
        const MacroImage image = BuildMacroBuffer(sources);
        const sim::FirmwareModel firmware = backend_->Firmware(mouse_);
        const auto& held = firmware.MacroBuffer();
        const std::size_t sent = std::min(image.length, kMacroSendLimit);
        EXPECT_TRUE(std::equal(image.buffer.begin(), image.buffer.begin() + sent, held.begin()));
    }
    void SendKey(int keycode, quint32 keysym, bool release, bool autorepeat = false) {
        QKeyEvent event(release ? QEvent::KeyRelease : QEvent::KeyPress, Qt::Key_unknown,
                        Qt::NoModifier, static_cast<quint32>(keycode), keysym, 0, QString(),
                        autorepeat);
        QCoreApplication::sendEvent(window_.get(), &event);
    }
    void SendMouse(QWidget* target, QPoint local, Qt::MouseButton button, bool release) {
        QMouseEvent event(release ? QEvent::MouseButtonRelease : QEvent::MouseButtonPress,
                          QPointF(local), QPointF(target->mapToGlobal(local)), button,
                          release ? Qt::NoButton : button, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &event);
    }

    std::int64_t now_ms_ = 100000;
    std::vector<FileDialogRequest> requests_;
    QString answer_;
};

TEST_F(MacroPageTest, NewRenameAndDeleteKeepTheButtonsRight) {
    // Numbered by the list's length: after a deletion two macros share a name.
    const int first = NewMacro();
    const int second = NewMacro();
    const int third = NewMacro();
    const std::string custom = GetLangText(351);
    EXPECT_EQ(Info(third).name, custom + " 3");
    SelectMacro(0);
    Menu(page::kMessageMacroMenu, page::kCommandDelete);
    EXPECT_TRUE(boxes_.empty()) << "no button used it: no question";
    EXPECT_EQ(NewMacro(), third + 1);
    EXPECT_EQ(Info(third + 1).name, custom + " 3");
    (void)first;

    // Renaming rewrites the buttons' texts; an empty name puts the stored one back.
    AssignMacro(3, second);
    AssignMacro(4, third);
    Macros()->ModifyItemString(0, QStringLiteral("Build"));
    Notify(page::kMacroList, Event::ItemEdited, 0);
    EXPECT_EQ(Info(second).name, "Build");
    KeyAssignment row;
    ASSERT_TRUE(store_.LoadKeyAssignment(store_.GetActiveProfile(), 0, 3, row));
    EXPECT_EQ(row.macro_desc, "Build");
    Macros()->ModifyItemString(0, QStringLiteral("  "));
    Notify(page::kMacroList, Event::ItemEdited, 0);
    EXPECT_EQ(Macros()->GetItemString(0), "Build");

    // Deleting a macro a button plays asks first; the button goes back to its own function,
    // and the button of the next macro follows it to its new slot.
    ASSERT_TRUE(Idle());
    Act(ids::kButtonsPage);
    SelectMacro(0);
    box_answer_ = 2;
    Menu(page::kMessageMacroMenu, page::kCommandDelete);
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(Info(second).name, "Build");
    box_answer_ = 1;
    Menu(page::kMessageMacroMenu, page::kCommandDelete);
    MacroInfo gone;
    EXPECT_FALSE(store_.LoadMacro(second, gone));
    EXPECT_FALSE(store_.LoadKeyAssignment(store_.GetActiveProfile(), 0, 3, row));
    ExpectMouseHoldsTheStore();
    const sim::FirmwareModel firmware = backend_->Firmware(mouse_);
    EXPECT_EQ(firmware.KeySlot(4)[0], 0xFF);
    EXPECT_EQ(firmware.KeySlot(4)[1], 0) << "the third macro is slot 0 now";
    // The neighbour is shown with its own steps.
    EXPECT_EQ(Macros()->GetItemData(Macros()->GetCurSel()), third);
}

TEST_F(MacroPageTest, InsertingMovingAndDeletingSteps) {
    const int id = NewMacro();
    now_ms_ = 7000;
    Menu(page::kMessageInsertMenu, page::kCommandInsertKey);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"↓  A", "↑  A"}));
    EXPECT_EQ(Steps()->GetRecordItems()[0].timestamp, 7000);
    EXPECT_EQ(Steps()->GetRecordItems()[1].timestamp, 7000);
    // A pause goes before the selected step, a button pair after it.
    SelectStep(1);
    now_ms_ = 7001;
    Menu(page::kMessageInsertMenu, page::kCommandInsertDelay);
    SelectStep(0);
    now_ms_ = 7002;
    Menu(page::kMessageInsertMenu, page::kCommandInsertMouse);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"↓  A", "↓  LB", "↑  LB", " -   10 ms", "↑  A"}));
    EXPECT_EQ(Stored(id).size(), 5u);

    // The last step moved down stays; to the top and back.
    SelectStep(4);
    Act(page::kMoveDown);
    EXPECT_EQ(Texts().back(), "↑  A");
    Menu(page::kMessageStepMenu, page::kCommandTop);
    EXPECT_EQ(Texts().front(), "↑  A");
    EXPECT_EQ(Steps()->GetCurSel(), 0);
    Menu(page::kMessageStepMenu, page::kCommandBottom);
    Act(page::kMoveUp);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"↓  A", "↓  LB", "↑  LB", "↑  A", " -   10 ms"}));

    // Deleting one of a pair deletes both.
    SelectStep(3);
    Act(page::kDelete);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"↓  LB", "↑  LB", " -   10 ms"}));
    EXPECT_EQ(Stored(id).size(), 3u);
    ExpectMouseHoldsTheStore();
    Act(page::kClear);
    EXPECT_TRUE(Stored(id).empty());
}

TEST_F(MacroPageTest, TheEditorCorrectsWhatIsTyped) {
    const int id = NewMacro();
    std::vector<MacroStep> steps = {{" -   10 ms", 1, 10, 1},  {"↓  A", 2, 65, 2},
                                    {"↑  A", 3, 65, 2},        {"↓  LB", 4, 1, 3},
                                    {"↑  LB", 5, 1, 3},        {"→  5", 11, 5, 4},
                                    {"→  1,↓  1", 12, 257, 5}, {"Scroll Up", 6, 1, 6}};
    ASSERT_TRUE(StoreMacroSteps(store_, id, steps));
    SelectMacro(0);

    SelectStep(0);
    EXPECT_TRUE(Placed(page::kValueField));
    Field(page::kValueField, QStringLiteral("0"));
    EXPECT_EQ(Stored(id)[0].value, 1);
    EXPECT_EQ(Stored(id)[0].text, " -   1 ms");

    // The key field: leaving it without a key keeps the key; a key pressed changes the pair.
    SelectStep(1);
    EXPECT_EQ(Get<MEdit>(page::kValueField)->GetTitle(), "A");
    Notify(page::kValueField, Event::FocusGained, 0);
    Notify(page::kValueField, Event::FocusLost, 0);
    EXPECT_EQ(Stored(id)[1].value, 65);
    Notify(page::kValueField, Event::FocusGained, 0);
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, kKeycodeB, 'b', 0);
    QCoreApplication::sendEvent(Get<MEdit>(page::kValueField)->focusProxy(), &press);
    Notify(page::kValueField, Event::FocusLost, 0);
    EXPECT_EQ(Stored(id)[1].text, "↓  B");
    EXPECT_EQ(Stored(id)[2].text, "↑  B");
    EXPECT_EQ(Stored(id)[2].value, 66);

    // A button pair takes the button chosen.
    SelectStep(4);
    EXPECT_TRUE(Placed(page::kButtonList));
    EXPECT_FALSE(Placed(page::kValueField));
    auto* buttons = Get<MComboBox>(page::kButtonList);
    buttons->SelectData(6);
    Act(page::kButtonList, buttons->GetCurSel());
    EXPECT_EQ(Stored(id)[3].text, "↓  Backward");
    EXPECT_EQ(Stored(id)[4].value, kMaskBackward);

    SelectStep(5);
    Field(page::kValueField, QStringLiteral("200"));
    EXPECT_EQ(Stored(id)[5].text, "→  127");

    SelectStep(6);
    EXPECT_TRUE(Placed(page::kXField));
    Get<MEdit>(page::kXField)->SetTitle(QStringLiteral("5"));
    Get<MEdit>(page::kYField)->SetTitle(QStringLiteral("3"));
    Radio(page::kLeft);
    Radio(page::kUp);
    EXPECT_EQ(Stored(id)[6].text, "←  5,↑  3");
    EXPECT_EQ(Stored(id)[6].value, 0x85 + 256 * 0x83);

    SelectStep(7);
    EXPECT_FALSE(Placed(page::kKind)) << "a wheel step has no editor";
    ExpectMouseHoldsTheStore();
}

TEST_F(MacroPageTest, DelayAndPlayOptions) {
    const int id = NewMacro();
    EXPECT_FALSE(Get<MEdit>(page::kDelayField)->isEnabled());
    Radio(page::kFixedDelay);
    EXPECT_EQ(Info(id).delay_type, 2);
    EXPECT_EQ(Info(id).delay_time, 10);
    Field(page::kDelayField, QStringLiteral("0"));
    EXPECT_EQ(Info(id).delay_time, 1);
    Field(page::kDelayField, QStringLiteral("20"));
    Get<MEdit>(page::kDelayField)->SetTitle(QString());
    Radio(page::kPlayWhileHeld);
    EXPECT_EQ(Get<MEdit>(page::kDelayField)->GetTitle(), "10");
    EXPECT_EQ(Info(id).play_type, 2);
    Radio(page::kPlayTimes);
    Field(page::kPlayCount, QStringLiteral("1000"));
    EXPECT_EQ(Info(id).play_times, 999);
    Radio(page::kNoDelays);
    EXPECT_EQ(Info(id).delay_type, 0);
    EXPECT_EQ(Info(id).delay_time, 0);
    EXPECT_FALSE(Get<MEdit>(page::kDelayField)->isEnabled());
}

TEST_F(MacroPageTest, RecordingFromLiveInput) {
    // Without a macro there is nothing to record into.
    Act(page::kRecord);
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_FALSE(window_->Macros().Recording());

    const int id = NewMacro();
    now_ms_ = 50000;
    Act(page::kRecord);
    ASSERT_TRUE(window_->Macros().Recording());
    EXPECT_EQ(window_->Macros().RecordLimit(), kRecordLimitRecording);
    EXPECT_FALSE(Get<MacroList>(page::kMacroList)->isEnabled());
    EXPECT_FALSE(Control(ids::kTabBar)->isEnabled());

    SendKey(kKeycodeA, 'a', false);
    now_ms_ += 150;
    SendKey(kKeycodeA, 'a', false, true);  // a repeat of the held key
    SendKey(kKeycodeA, 'a', true);
    now_ms_ += 40000;
    SendMouse(Steps(), {10, 10}, Qt::BackButton, false);
    SendMouse(Steps(), {10, 10}, Qt::BackButton, true);
    QWheelEvent wheel(QPointF(5, 5), QPointF(Steps()->mapToGlobal(QPoint(5, 5))), QPoint(),
                      QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(Steps(), &wheel);
    // The click on the record button stops the recording and is no step of it.
    auto* record = Get<CIconButton>(page::kRecord);
    SendMouse(record, {5, 5}, Qt::LeftButton, false);
    SendMouse(record, {5, 5}, Qt::LeftButton, true);
    ASSERT_FALSE(window_->Macros().Recording());
    EXPECT_TRUE(Get<MacroList>(page::kMacroList)->isEnabled());

    const std::vector<MacroStep> stored = Stored(id);
    const std::vector<std::string> texts = Texts();
    EXPECT_EQ(texts, (std::vector<std::string>{"↓  A", " -   150 ms", "↑  A", " -   31000 ms",
                                               "↓  Backward", "↑  Backward", "Scroll Down"}));
    ASSERT_EQ(stored.size(), texts.size());
    EXPECT_EQ(stored[0].value, 65);
    EXPECT_EQ(stored[0].timestamp, 50001);
    EXPECT_EQ(stored[6].timestamp, 50007);
    EXPECT_EQ(stored[4].value, kMaskBackward);
    EXPECT_EQ(stored[6].value, kWheelTowardsValue);
    ExpectMouseHoldsTheStore();
}

TEST_F(MacroPageTest, TheRecordLimit) {
    const int id = NewMacro();
    std::vector<MacroStep> full(kRecordLimitAtStart, {" -   10 ms", 1, 10, 1});
    ASSERT_TRUE(StoreMacroSteps(store_, id, full));
    SelectMacro(0);
    Act(page::kInsert);
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0], GetLangText(386) + " | " + GetLangText(368) + " | 0");

    // Recording stops at 990 steps and keeps what it has.
    full.resize(kRecordLimitRecording - 2);
    ASSERT_TRUE(StoreMacroSteps(store_, id, full));
    SelectMacro(0);
    Act(page::kRecord);
    SendKey(kKeycodeA, 'a', false);
    now_ms_ += 5;
    SendKey(kKeycodeA, 'a', true);
    ASSERT_TRUE(WaitUntil([&] { return !window_->Macros().Recording(); }));
    ASSERT_TRUE(WaitUntil([&] { return boxes_.size() == 2; }));
    EXPECT_EQ(boxes_[1], GetLangText(386) + " | " + GetLangText(355) + " | 0");
    EXPECT_EQ(Stored(id).size(), static_cast<std::size_t>(kRecordLimitRecording));
    EXPECT_EQ(Stored(id).back().text, " -   5 ms");
}

TEST_F(MacroPageTest, FilesOutAndBackIn) {
    const int id = NewMacro();
    Menu(page::kMessageInsertMenu, page::kCommandInsertKey);
    Macros()->ModifyItemString(0, QStringLiteral("a/../b"));
    Notify(page::kMacroList, Event::ItemEdited, 0);

    const fs::path folder = dir_.path() / "macros";
    fs::create_directories(folder);
    answer_ = QString::fromStdString(folder.string());
    Act(page::kExport);
    ASSERT_EQ(requests_.size(), 1u);
    EXPECT_EQ(requests_[0].kind, FileDialogRequest::Kind::kFolder);
    std::vector<fs::path> written;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        written.push_back(entry.path());
    }
    ASSERT_EQ(written.size(), 1u) << "one file, inside the folder chosen";
    EXPECT_TRUE(written[0].filename().string().starts_with("a_.._b-"));

    answer_ = QString::fromStdString(written[0].string());
    Act(page::kImport);
    ASSERT_EQ(Macros()->GetItemCount(), 2);
    const int copy = Macros()->GetItemData(1);
    EXPECT_EQ(Info(copy).name, "a/../b");
    EXPECT_EQ(Stored(copy), Stored(id));
    EXPECT_EQ(Macros()->GetCurSel(), 0) << "the import is not selected";

    // A file that is no macro changes nothing and says so.
    const fs::path bad = folder / "bad.xml";
    ASSERT_TRUE(WriteFileAtomically(bad, "<profile/>"));
    answer_ = QString::fromStdString(bad.string());
    Act(page::kImport);
    EXPECT_EQ(Macros()->GetItemCount(), 2);
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_NE(boxes_[0].find("bad.xml"), std::string::npos);
    ExpectMouseHoldsTheStore();
}

// Recorded in the page, exported, imported with veltractl, uploaded and assigned to a button:
// the mouse gets the recorded steps as the macro in slot 0 and the button naming that slot.
TEST_F(MacroPageTest, ARecordedMacroGoesThroughVeltractlToAButton) {
    const int id = NewMacro();
    Act(page::kRecord);
    SendKey(kKeycodeA, 'a', false);
    now_ms_ += 80;
    SendKey(kKeycodeA, 'a', true);
    Act(page::kRecord);
    ASSERT_EQ(Stored(id).size(), 3u);
    const fs::path folder = dir_.path() / "out";
    fs::create_directories(folder);
    answer_ = QString::fromStdString(folder.string());
    Act(page::kExport);
    ASSERT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
    const fs::path file = fs::directory_iterator(folder)->path();

    const auto veltractl = [&](std::vector<std::string> args) {
        args.insert(args.begin(), {"--demo", "--json"});
        return RunVeltractl(args, dir_.path() / "cli");
    };
    const test::ProcessResult imported = veltractl({"macros", "import", file.string()});
    ASSERT_EQ(imported.exit_code, 0) << imported.err;
    const int cli_id = Json::parse(imported.out).at("id").get<int>();
    const test::ProcessResult uploaded = veltractl({"macros", "upload"});
    ASSERT_EQ(uploaded.exit_code, 0) << uploaded.err;
    MacroSource source{1, 0, {}};
    for (const MacroStep& step : Stored(id)) {
        source.records.push_back({step.type, step.value, step.text});
    }
    std::vector<std::string> expected;
    for (const Frame& chunk : BuildMacroChunks(BuildMacroBuffer({source}))) {
        std::string text;
        for (std::uint8_t byte : chunk) {
            char hex[4];
            std::snprintf(hex, sizeof hex, text.empty() ? "%02X" : " %02X", byte);
            text += hex;
        }
        expected.push_back(text);
    }
    const Json sent = Json::parse(uploaded.out).at("sent");
    ASSERT_GE(sent.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(sent[i].get<std::string>(), expected[i]) << "chunk " << i;
    }

    // Each demo run starts a fresh mouse, read before it is written: the button comes last.
    const test::ProcessResult assigned =
        veltractl({"keys", "set", "3", "macro", std::to_string(cli_id)});
    ASSERT_EQ(assigned.exit_code, 0) << assigned.err;
    const std::string keys = Json::parse(assigned.out).at("sent").back().get<std::string>();
    EXPECT_TRUE(keys.starts_with("00 55 AA 02")) << keys;
    // Button 3's class and code follow the report id, the header and the options.
    const std::size_t at = 3 * (1 + 7 + 2 * 3);
    EXPECT_EQ(keys.substr(at, 5), "FF 00") << keys;
}

TEST_F(MacroPageTest, ARefreshKeepsTheMacroShownAndWhatWasRecorded) {
    NewMacro();
    const int second = NewMacro();
    Act(page::kRecord);
    SendKey(kKeycodeA, 'a', false);
    // The mouse is read again (a profile change, a replug): the page is filled anew.
    window_->Macros().LoadMacroList();
    EXPECT_FALSE(window_->Macros().Recording());
    EXPECT_EQ(Macros()->GetItemData(Macros()->GetCurSel()), second);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"↓  A"}));
    EXPECT_EQ(Stored(second).size(), 1u);
}

TEST_F(MacroPageTest, ALanguageChangeRenamesCustomMacros) {
    NewMacro();
    SetLanguage(2052);
    window_->ApplyLanguageTexts();
    EXPECT_EQ(Macros()->GetItemString(0).toStdString(), GetLangText(351) + " 1");
    EXPECT_EQ(Title(page::kRecord).toStdString(), GetLangText(358));
}

}  // namespace
}  // namespace veltra::ui::testing
