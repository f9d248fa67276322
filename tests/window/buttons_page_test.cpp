// The buttons page over the simulated mouse: what each way of giving a button a function stores,
// the code the mouse receives for it, the key fields' capture, the left-click guard and the
// restores.
#include <gtest/gtest.h>

#include <QKeyEvent>

#include "config/language.h"
#include "device/device_worker.h"
#include "settings/key_function.h"
#include "ui/widgets/buttons.h"
#include "ui/widgets/fields.h"
#include "ui/widgets/mouse_ctrl.h"
#include "ui/window/buttons_page.h"
#include "window/window_fixture.h"

namespace veltra::ui::testing {
namespace {

namespace page = buttons_page;

// XKB keycodes and key symbols as X11 and Wayland report them.
struct Key {
    int keycode;
    quint32 keysym;
};
constexpr Key kA = {38, 'a'};
constexpr Key kZ = {52, 'z'};
constexpr Key kLeftCtrl = {37, 0xFFE3};
constexpr Key kRightCtrl = {105, 0xFFE4};
constexpr Key kRightShift = {62, 0xFFE2};
constexpr Key kLeftWindows = {133, 0xFFEB};
constexpr Key kKeypad9NumLockOff = {81, 0xFF9A};
constexpr Key kKeypadEnter = {104, 0xFF8D};
// The key left of S on a French layout, where the layout puts A.
constexpr Key kAzertyA = {24, 'a'};
// The A key under a Russian layout.
constexpr Key kCyrillicEf = {38, 0x6C6};

constexpr int kKeySlotByte = 7;

class ButtonsPageTest : public WindowTest {
  protected:
    void SetUp() override {
        OpenWindow();
        backend_->ClearTraffic();
    }

    MComboBox* Types() { return Get<MComboBox>(page::kTypeList); }
    MComboBox* Functions() { return Get<MComboBox>(page::kFunctionList); }
    MEdit* KeyField() { return Get<MEdit>(page::kKeyField); }
    MEdit* RapidKeyField() { return Get<MEdit>(page::kRapidKeyField); }
    MouseCtrl* Picture() { return Get<MouseCtrl>(page::kButtons); }

    void SelectButton(int key_code) { Act(page::kButtons, key_code); }
    void ChooseType(KeyFunctionType type) {
        ASSERT_TRUE(Types()->SelectData(static_cast<int>(type)));
        Act(page::kTypeList, Types()->GetCurSel());
    }
    void ChooseFunction(int value) {
        ASSERT_TRUE(Functions()->SelectData(value));
        Act(page::kFunctionList, Functions()->GetCurSel());
    }
    void Toggle(int id) {
        Get<MButton3>(id)->SetCheck(true);
        Act(id, 1);
    }

    // A key pressed and released in a field that has just got the focus.
    void Press(MEdit* field, Key key, bool focus = true) {
        if (focus) {
            Notify(field->Id(), Event::FocusGained, 0);
        }
        for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
            QKeyEvent event(type, Qt::Key_unknown, Qt::NoModifier,
                            static_cast<quint32>(key.keycode), key.keysym, 0);
            QCoreApplication::sendEvent(field->focusProxy(), &event);
        }
    }

    std::optional<KeyAssignment> Row(int key_code) {
        KeyAssignment row;
        if (!store_.LoadKeyAssignment(store_.GetActiveProfile(), 0, key_code, row)) {
            return std::nullopt;
        }
        return row;
    }

    // The class, code and the two bytes after them that the last key write gave `key_code`.
    std::array<std::uint8_t, 4> SentFor(int key_code, std::size_t writes = 1) {
        EXPECT_TRUE(WaitUntil(
            [&] { return ConfigWrites().size() >= writes && window_->Worker().TaskQueueEmpty(); }));
        const auto all = ConfigWrites();
        EXPECT_EQ(all.size(), writes);
        if (all.empty()) {
            return {};
        }
        const std::size_t at = 1 + kKeySlotByte + 2 * static_cast<std::size_t>(key_code);
        const auto& frame = all.back();
        return {frame[at], frame[at + 1], frame[at + 2], frame[at + 3]};
    }

    static std::array<std::uint8_t, 2> Encoded(const KeyAssignment& row) {
        const KeyFunctionCode code =
            EncodeKeyFunction(row.key_code,
                              {static_cast<KeyFunctionType>(row.macro_type), row.macro_value,
                               row.macro_value2, row.macro_value3, row.macro_desc},
                              MacroSlotTable{});
        return {code.class_byte, code.code};
    }
};

TEST_F(ButtonsPageTest, ProfileWithoutRowsShowsWhatEachButtonDoes) {
    const std::array<std::pair<int, const char*>, 6> factory = {{{0, "Left click"},
                                                                 {1, "Right click"},
                                                                 {2, "Middle click"},
                                                                 {3, "Back"},
                                                                 {4, "Forward"},
                                                                 {5, "DPI cycle"}}};
    for (const auto& [key, text] : factory) {
        EXPECT_EQ(Picture()->GetItemKeyDesc(key).toStdString(), text) << key;
    }
    const std::array<int, 5> builtin = {1, 2, 3, 6, 5};
    for (int key = 0; key < 5; ++key) {
        SelectButton(key);
        EXPECT_EQ(Types()->GetCurData(), static_cast<int>(KeyFunctionType::MouseButton));
        EXPECT_EQ(Functions()->GetCurData(), builtin[static_cast<std::size_t>(key)]) << key;
    }
    // The DPI button's factory function is a DPI function, and the editor says so.
    SelectButton(5);
    EXPECT_EQ(Types()->GetCurData(), static_cast<int>(KeyFunctionType::DeviceFunction));
    EXPECT_EQ(Functions()->GetCurData(), 1);
    EXPECT_TRUE(ConfigWrites().empty());
}

TEST_F(ButtonsPageTest, EveryListFunctionIsStoredAndSentAsItsCode) {
    struct Case {
        KeyFunctionType type;
        int value;
        std::array<std::uint8_t, 2> code;
        const char* text;
    };
    const Case cases[] = {
        {KeyFunctionType::MouseButton, 1, {0x10, 0x01}, "Left click"},
        {KeyFunctionType::MouseButton, 4, {0x20, 0x01}, "Double click"},
        {KeyFunctionType::Multimedia, 6, {0x90, 0xE9}, "Volume up"},
        {KeyFunctionType::Multimedia, 1, {0x91, 0x83}, "Media player"},
        {KeyFunctionType::SystemShortcut, 7, {0x51, 0x3E}, "Refresh (Ctrl+F5)"},
        {KeyFunctionType::SystemShortcut, 5, {0x92, 0x23}, "Browser home"},
        {KeyFunctionType::DeviceFunction, 2, {0xD0, 0x01}, "DPI +"},
    };
    SelectButton(2);
    std::size_t writes = 0;
    for (const Case& c : cases) {
        ChooseType(c.type);
        // A type just chosen offers every entry as a choice, the first one too.
        EXPECT_EQ(Functions()->GetCurSel(), -1);
        ChooseFunction(c.value);
        const std::optional<KeyAssignment> row = Row(2);
        ASSERT_TRUE(row);
        EXPECT_EQ(row->macro_type, static_cast<int>(c.type));
        EXPECT_EQ(row->macro_value, c.value);
        EXPECT_EQ(row->macro_desc, c.text);
        EXPECT_EQ(Encoded(*row), c.code);
        const auto sent = SentFor(2, ++writes);
        EXPECT_EQ(sent[0], c.code[0]) << c.text;
        EXPECT_EQ(sent[1], c.code[1]) << c.text;
        EXPECT_EQ(Picture()->GetItemKeyDesc(2).toStdString(), c.text);
    }
    // The profile switch is stored as soon as it is chosen.
    ChooseType(KeyFunctionType::DeviceCode06);
    const std::optional<KeyAssignment> profile_switch = Row(2);
    ASSERT_TRUE(profile_switch);
    EXPECT_EQ(profile_switch->macro_desc, "Profile switch");
    const auto sent = SentFor(2, ++writes);
    EXPECT_EQ(sent[0], 0x06);
    EXPECT_EQ(sent[1], 0x00);

    // A left click stored on the left button is its factory function: nothing to send.
    SelectButton(0);
    ChooseType(KeyFunctionType::MouseButton);
    ChooseFunction(1);
    ASSERT_TRUE(Row(0));
    EXPECT_EQ((SentFor(0, ++writes)[0]), 0x00);
}

TEST_F(ButtonsPageTest, KeyCombinationsFromCapturedKeys) {
    SelectButton(3);
    ChooseType(KeyFunctionType::KeyCombination);
    EXPECT_TRUE(Shown(page::kKeyField));
    EXPECT_FALSE(Shown(page::kFunctionList));
    Press(KeyField(), kA);
    EXPECT_EQ(KeyField()->GetTitle(), "A");
    Toggle(page::kCtrl);
    Toggle(page::kWin);
    Toggle(page::kAlt);
    Act(page::kApplyKey);
    std::optional<KeyAssignment> row = Row(3);
    ASSERT_TRUE(row);
    EXPECT_EQ(row->macro_value, 4);
    EXPECT_EQ(row->macro_value2, 13);
    EXPECT_EQ(row->macro_desc, "Ctrl+ Win+ Alt + A");
    auto sent = SentFor(3, 1);
    EXPECT_EQ(sent[0], 0x5D);
    EXPECT_EQ(sent[1], 0x04);
    // Shown again, the editor reads the row back.
    SelectButton(0);
    SelectButton(3);
    EXPECT_TRUE(Get<MButton3>(page::kWin)->GetCheck());
    EXPECT_FALSE(Get<MButton3>(page::kShift)->GetCheck());
    EXPECT_EQ(KeyField()->GetTitle(), "A");

    // The left Windows key alone is a modifier usage; with Ctrl it is the key.
    ChooseType(KeyFunctionType::KeyCombination);
    Press(KeyField(), kLeftWindows);
    EXPECT_EQ(KeyField()->GetTitle(), "Windows");
    Act(page::kApplyKey);
    sent = SentFor(3, 2);
    EXPECT_EQ(sent[0], 0x58);
    EXPECT_EQ(sent[1], 0x00);
    ChooseType(KeyFunctionType::KeyCombination);
    Press(KeyField(), kLeftWindows);
    Toggle(page::kCtrl);
    Act(page::kApplyKey);
    sent = SentFor(3, 3);
    EXPECT_EQ(sent[0], 0x51);
    EXPECT_EQ(sent[1], 0x08);

    // Shift and no key: a modifier alone.
    ChooseType(KeyFunctionType::KeyCombination);
    Notify(page::kKeyField, Event::FocusGained, 0);
    Toggle(page::kShift);
    Act(page::kApplyKey);
    row = Row(3);
    ASSERT_TRUE(row);
    EXPECT_EQ(row->macro_desc, "Shift");
    sent = SentFor(3, 4);
    EXPECT_EQ(sent[0], 0x52);
    EXPECT_EQ(sent[1], 0x00);
}

TEST_F(ButtonsPageTest, KeyFieldsTakeKeysAsTheDesktopReportsThem) {
    SelectButton(3);
    ChooseType(KeyFunctionType::KeyCombination);
    Press(KeyField(), kA);
    // Ctrl and Shift alone belong to the check boxes: the key field keeps its key.
    Press(KeyField(), kLeftCtrl, false);
    Press(KeyField(), kRightShift, false);
    EXPECT_EQ(KeyField()->GetTitle(), "A");

    struct Case {
        Key key;
        const char* name;
        int vk;
    };
    const Case cases[] = {
        {kKeypad9NumLockOff, "Num 9", 105},
        {kKeypadEnter, "Num Enter", 108},
        {kAzertyA, "A", 65},
        {kCyrillicEf, "A", 65},
        {kZ, "Z", 90},
        {kLeftWindows, "Windows", 91},
    };
    for (const Case& c : cases) {
        Press(KeyField(), c.key);
        EXPECT_EQ(KeyField()->GetTitle().toStdString(), c.name);
    }
    // A key no virtual key exists for leaves the field as it was.
    Press(KeyField(), {0, 0}, false);
    EXPECT_EQ(KeyField()->GetTitle(), "Windows");
    // Coming back to the window keeps the key; a new visit to the field starts empty.
    Notify(page::kKeyField, Event::FocusLost, 1);
    Notify(page::kKeyField, Event::FocusGained, 1);
    EXPECT_EQ(KeyField()->GetTitle(), "Windows");
    Notify(page::kKeyField, Event::FocusGained, 0);
    EXPECT_EQ(KeyField()->GetTitle(), "");

    // The rapid-fire key field takes modifiers too, by side.
    ChooseType(KeyFunctionType::RapidFire);
    Get<MComboBox>(page::kRapidKind)->SelectData(kRapidFireKey);
    Act(page::kRapidKind, 1);
    EXPECT_TRUE(Shown(page::kRapidKeyField));
    EXPECT_FALSE(Shown(page::kRapidButton));
    Press(RapidKeyField(), kRightCtrl);
    EXPECT_EQ(RapidKeyField()->GetTitle(), "RCtrl");
    Act(page::kApplyRapid);
    const std::optional<KeyAssignment> row = Row(3);
    ASSERT_TRUE(row);
    EXPECT_EQ(row->macro_value, 2 * 1024 + 163);
}

TEST_F(ButtonsPageTest, RapidFireCorrectsItsFieldsAndSendsCountAndInterval) {
    SelectButton(2);
    ChooseType(KeyFunctionType::RapidFire);
    EXPECT_TRUE(Shown(page::kRapidButton));
    EXPECT_EQ(Get<MEdit>(page::kCount)->GetTitle(), "1");
    EXPECT_EQ(Get<MEdit>(page::kInterval)->GetTitle(), "10");
    Get<MComboBox>(page::kRapidButton)->SelectData(2);
    Get<MEdit>(page::kCount)->SetTitle("300");
    Notify(page::kCount, Event::FocusLost);
    EXPECT_EQ(Get<MEdit>(page::kCount)->GetTitle(), "255");
    Get<MEdit>(page::kInterval)->SetTitle("0");
    Act(page::kApplyRapid);
    EXPECT_EQ(Get<MEdit>(page::kInterval)->GetTitle(), "1");
    std::optional<KeyAssignment> row = Row(2);
    ASSERT_TRUE(row);
    EXPECT_EQ(row->macro_value, 1026);
    EXPECT_EQ(row->macro_value3, 255);
    EXPECT_EQ(row->macro_value2, 1);
    EXPECT_EQ(Picture()->GetItemKeyDesc(2).toStdString(), "Rapid fire");
    auto sent = SentFor(2, 1);
    EXPECT_EQ(sent, (std::array<std::uint8_t, 4>{0x70, 0x02, 255, 1}));

    // With a key, but none pressed yet: nothing to repeat.
    Get<MComboBox>(page::kRapidKind)->SelectData(kRapidFireKey);
    Act(page::kRapidKind, 1);
    Notify(page::kRapidKeyField, Event::FocusGained, 0);
    Act(page::kApplyRapid);
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0], "Press the key to repeat in its field first. | Notice | 0");
    EXPECT_EQ(Row(2)->macro_value, 1026);
    // Z is virtual key 90, usage 0x1D.
    Press(RapidKeyField(), kZ);
    Get<MEdit>(page::kCount)->SetTitle("3");
    Get<MEdit>(page::kInterval)->SetTitle("20");
    Act(page::kApplyRapid);
    row = Row(2);
    ASSERT_TRUE(row);
    EXPECT_EQ(row->macro_value, 2138);
    sent = SentFor(2, 2);
    EXPECT_EQ(sent, (std::array<std::uint8_t, 4>{0x71, 0x1D, 3, 20}));
    // Shown again, the editor reads the row back.
    SelectButton(0);
    SelectButton(2);
    EXPECT_EQ(Get<MComboBox>(page::kRapidKind)->GetCurData(), kRapidFireKey);
    EXPECT_EQ(RapidKeyField()->GetTitle(), "Z");
    EXPECT_EQ(Get<MEdit>(page::kInterval)->GetTitle(), "20");
}

TEST_F(ButtonsPageTest, TheLastLeftClickCannotBeGivenAway) {
    // On a new profile the left click is the left button's factory function, stored nowhere.
    SelectButton(0);
    ChooseType(KeyFunctionType::MouseButton);
    ChooseFunction(2);
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0], "At least one button must keep the left click. | Notice | 0");
    EXPECT_FALSE(Row(0));
    EXPECT_EQ(Functions()->GetCurData(), 1);
    // Disabling it is giving it away too.
    ChooseType(KeyFunctionType::Disabled);
    EXPECT_EQ(boxes_.size(), 2u);
    EXPECT_FALSE(Row(0));
    ChooseType(KeyFunctionType::KeyCombination);
    Press(KeyField(), kA);
    Act(page::kApplyKey);
    EXPECT_EQ(boxes_.size(), 3u);
    EXPECT_FALSE(Row(0));

    // With a second left click the first may go.
    SelectButton(4);
    ChooseType(KeyFunctionType::MouseButton);
    ChooseFunction(1);
    SelectButton(0);
    ChooseType(KeyFunctionType::Disabled);
    EXPECT_EQ(boxes_.size(), 3u);
    const std::optional<KeyAssignment> row = Row(0);
    ASSERT_TRUE(row);
    EXPECT_EQ(row->macro_type, static_cast<int>(KeyFunctionType::Disabled));
    EXPECT_EQ(Picture()->GetItemKeyDesc(0).toStdString(), "Disabled");
    EXPECT_EQ((SentFor(0, 2)[0]), 0x10);
    // Now button 4 is the last one.
    SelectButton(4);
    ChooseType(KeyFunctionType::Multimedia);
    ChooseFunction(6);
    EXPECT_EQ(boxes_.size(), 4u);
    EXPECT_EQ(Row(4)->macro_value, 1);
}

TEST_F(ButtonsPageTest, RestoreOneButtonOrAll) {
    SelectButton(2);
    ChooseType(KeyFunctionType::Multimedia);
    ChooseFunction(8);
    SelectButton(3);
    ChooseType(KeyFunctionType::Multimedia);
    ChooseFunction(7);
    SentFor(3, 2);

    box_answer_ = 2;
    Act(page::kRestore);
    EXPECT_EQ(Row(3)->macro_value, 7);
    box_answer_ = 1;
    Act(page::kRestore);
    std::optional<KeyAssignment> row = Row(3);
    ASSERT_TRUE(row);
    EXPECT_EQ(row->macro_type, static_cast<int>(KeyFunctionType::MouseButton));
    EXPECT_EQ(row->macro_value, 6);
    EXPECT_EQ(row->macro_desc, "Back");
    EXPECT_EQ(Picture()->GetItemKeyDesc(3).toStdString(), "Back");
    EXPECT_EQ((SentFor(3, 3)[0]), 0x00);

    box_answer_ = 2;
    Act(page::kRestoreAll);
    EXPECT_TRUE(Row(2));
    box_answer_ = 1;
    Act(page::kRestoreAll);
    std::vector<KeyAssignment> rows;
    EXPECT_EQ(store_.LoadKeyAssignments(store_.GetActiveProfile(), 0, rows), 0);
    EXPECT_EQ(Picture()->GetItemKeyDesc(2).toStdString(), "Middle click");
    EXPECT_EQ(Picture()->GetItemKeyValue(), 1);
    EXPECT_EQ((SentFor(2, 4)[0]), 0x00);
    EXPECT_EQ(boxes_.size(), 4u);
}

TEST_F(ButtonsPageTest, MacroAssignmentNamesTheSlotTheUploadGaveIt) {
    store_.AddMacro("Custom1");
    const int second = store_.AddMacro("Build");
    SelectButton(5);
    ChooseType(KeyFunctionType::MacroFunction);
    ASSERT_EQ(Functions()->GetCount(), 2);
    EXPECT_EQ(Functions()->GetItemText(0), "Custom1");
    ChooseFunction(second);
    const std::optional<KeyAssignment> row = Row(5);
    ASSERT_TRUE(row);
    EXPECT_EQ(row->macro_value, second);
    EXPECT_EQ(row->macro_desc, "Build");
    const auto sent = SentFor(5, 1);
    EXPECT_EQ(sent[0], 0xFF);
    EXPECT_EQ(sent[1], 0x01);
    EXPECT_EQ(window_->CurrentWaitDialog(), nullptr);
}

TEST_F(ButtonsPageTest, ALanguageChangeRetitlesListsAndPicture) {
    SelectButton(2);
    ChooseType(KeyFunctionType::Multimedia);
    ChooseFunction(6);
    SetLanguage(2052);
    window_->ApplyLanguageTexts();
    EXPECT_EQ(Types()->GetItemText(0).toStdString(), GetLangText(130));
    EXPECT_EQ(Get<MComboBox>(page::kRapidButton)->GetItemText(1).toStdString(), GetLangText(151));
    EXPECT_EQ(Picture()->GetItemKeyDesc(2).toStdString(), GetLangText(165));
    EXPECT_EQ(Picture()->GetItemKeyDesc(0).toStdString(), GetLangText(150));
    EXPECT_NE(GetLangText(150), "Left click");
    SetLanguage(1033);
}

}  // namespace
}  // namespace veltra::ui::testing
