#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>
#include <limits>

#include "ui/widget_test_support.h"
#include "ui/widgets/buttons.h"
#include "ui/widgets/fields.h"
#include "ui/widgets/labels.h"
#include "ui/widgets/manager.h"
#include "ui/widgets/sliders.h"

namespace veltra::ui {
namespace {

using testing::Notification;
using testing::RecordingDialog;

constexpr int kChanging = 1;
constexpr int kAction = 2;
constexpr int kFocusLost = 26;
constexpr int kTextChanged = 29;
constexpr int kKeyInput = 31;
constexpr int kFocusGained = 30;

// A shown, active dialog: focus and keys reach controls as they would on a desktop.
class Shown : public RecordingDialog {
  public:
    Shown() {
        show();
        QApplication::setActiveWindow(this);
        activateWindow();
        QCoreApplication::processEvents();
        notifications.clear();
    }

    template <typename T>
    T* Make(const char* class_name, int id, const QRect& rect, const QString& text = {}) {
        auto* control = dynamic_cast<T*>(CreateControl(class_name, id, rect, text));
        EXPECT_NE(control, nullptr) << class_name;
        return control;
    }
};

// Gives `control` the keyboard focus and returns the widget that now receives the keys.
QWidget* Focus(MControl* control) {
    QApplication::setActiveWindow(control->window());
    control->setFocus(Qt::TabFocusReason);
    QWidget* focused = QApplication::focusWidget();
    EXPECT_TRUE(focused == control || control->isAncestorOf(focused));
    return focused;
}

QColor PixelAt(QWidget* widget, QPoint at) {
    return widget->grab().toImage().pixelColor(at);
}

// A skin folder for one test; the controls draw from it until the object goes.
class TempSkin {
  public:
    TempSkin() {
        Manager::SetSkinRoot(dir_.path());
        Manager::SetTheme(QStringLiteral("test"));
    }
    ~TempSkin() { Manager::SetSkinRoot({}); }

    // A strip of `colours.size()` plain frames.
    void Strip(const QString& file, QSize frame, const std::vector<QColor>& colours) {
        QImage image(frame.width() * static_cast<int>(colours.size()), frame.height(),
                     QImage::Format_ARGB32);
        QPainter painter(&image);
        for (std::size_t i = 0; i < colours.size(); ++i) {
            painter.fillRect(
                QRect(static_cast<int>(i) * frame.width(), 0, frame.width(), frame.height()),
                colours[i]);
        }
        painter.end();
        ASSERT_TRUE(image.save(Path(file)));
    }
    void Write(const QString& file, const QByteArray& bytes) {
        QFile out(Path(file));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(bytes);
    }

  private:
    QString Path(const QString& file) {
        QString folder = dir_.filePath(QStringLiteral("test"));
        QDir().mkpath(folder);
        return folder + QLatin1Char('/') + file;
    }
    QTemporaryDir dir_;
};

// ---------------------------------------------------------------------------------------------
// Buttons

TEST(CheckAndToggleButtons, AClickTogglesThenReportsTheNewState) {
    for (const char* class_name : {"CCheckButton", "MButton3"}) {
        Shown dialog;
        MControl* control = dialog.CreateControl(class_name, 252, QRect(10, 10, 200, 30), "Run");
        auto checked = [&] {
            if (auto* box = dynamic_cast<CCheckButton*>(control)) {
                return box->GetCheck();
            }
            return dynamic_cast<MButton3*>(control)->GetCheck();
        };
        QTest::mouseClick(control, Qt::LeftButton);
        EXPECT_TRUE(checked()) << class_name;
        QWidget* keys = Focus(control);
        QTest::keyClick(keys, Qt::Key_Space);
        EXPECT_FALSE(checked()) << class_name;
        QTest::keyClick(keys, Qt::Key_Return);
        EXPECT_TRUE(checked()) << class_name;
        std::vector<Notification> expected{{252, kAction, 1}, {252, kAction, 0}, {252, kAction, 1}};
        EXPECT_EQ(dialog.notifications, expected) << class_name;

        // What the program sets is not reported, and a disabled box does not change.
        if (auto* box = dynamic_cast<CCheckButton*>(control)) {
            box->SetCheck(false);
        } else {
            dynamic_cast<MButton3*>(control)->SetCheck(false);
        }
        control->SetEnabled(false);
        QTest::mouseClick(control, Qt::LeftButton);
        QTest::keyClick(control, Qt::Key_Space);
        EXPECT_FALSE(checked()) << class_name;
        EXPECT_EQ(dialog.notifications.size(), 3u) << class_name;
    }
}

TEST(RadioButtons, GroupsAreByNameWithinOneDialog) {
    Shown dialog;
    auto* fast = dialog.Make<CRadioButton>("CRadioButton", 257, QRect(10, 10, 150, 30), "Hide");
    auto* slow = dialog.Make<CRadioButton>("CRadioButton", 258, QRect(10, 50, 150, 30), "Exit");
    auto* left = dialog.Make<CRadioButton>("CRadioButton", 411, QRect(200, 10, 150, 30), "Left");
    auto* right = dialog.Make<CRadioButton>("CRadioButton", 412, QRect(200, 50, 150, 30), "Right");
    fast->SetGroup(QStringLiteral("EXITMODE"));
    slow->SetGroup(QStringLiteral("EXITMODE"));
    left->SetGroup(QStringLiteral("MOVE_X"));
    right->SetGroup(QStringLiteral("MOVE_X"));
    // A dialog owned by this one, with a group of the same name.
    Shown other;
    other.Create(&dialog, QStringLiteral("other"), kStyleToolWindow, QRect(0, 0, 300, 200));
    auto* foreign = other.Make<CRadioButton>("CRadioButton", 257, QRect(10, 10, 150, 30), "Hide");
    foreign->SetGroup(QStringLiteral("EXITMODE"));

    // The program checks without reports; checking one unchecks the rest of its group.
    fast->SetCheck(true);
    left->SetCheck(true);
    foreign->SetCheck(true);
    slow->SetCheck(true);
    EXPECT_FALSE(fast->GetCheck());
    EXPECT_TRUE(slow->GetCheck());
    EXPECT_TRUE(left->GetCheck());
    EXPECT_TRUE(foreign->GetCheck());
    EXPECT_TRUE(dialog.notifications.empty());

    QTest::mouseClick(fast, Qt::LeftButton);
    QTest::mouseClick(right, Qt::LeftButton);
    EXPECT_TRUE(fast->GetCheck());
    EXPECT_FALSE(slow->GetCheck());
    EXPECT_TRUE(right->GetCheck());
    EXPECT_FALSE(left->GetCheck());
    EXPECT_TRUE(foreign->GetCheck());
    std::vector<Notification> expected{{257, kAction, 1}, {412, kAction, 1}};
    EXPECT_EQ(dialog.notifications, expected);
    EXPECT_TRUE(other.notifications.empty());

    // Choosing the checked one again is no choice: a handler must not reset what goes with it.
    QTest::mouseClick(fast, Qt::LeftButton);
    QTest::keyClick(Focus(fast), Qt::Key_Space);
    EXPECT_EQ(dialog.notifications, expected);
}

TEST(RadioButtons, ArrowKeysChooseWithinTheGroupSkippingUnusableMembers) {
    Shown dialog;
    std::vector<CRadioButton*> radios;
    for (int i = 0; i < 4; ++i) {
        radios.push_back(dialog.Make<CRadioButton>("CRadioButton", 361 + i,
                                                   QRect(10, 10 + 40 * i, 150, 30), "Delay"));
        radios.back()->SetGroup(QStringLiteral("DELAY"));
    }
    // Created but never placed, and disabled: the keys pass over them.
    auto* unplaced =
        dialog.Make<CRadioButton>("CRadioButton", 370, QRect(0, 0, 0, 0), QStringLiteral("x"));
    unplaced->SetGroup(QStringLiteral("DELAY"));
    radios[2]->SetEnabled(false);
    radios[0]->SetCheck(true);

    QWidget* keys = Focus(radios[0]);
    QTest::keyClick(keys, Qt::Key_Down);
    EXPECT_TRUE(radios[1]->GetCheck());
    EXPECT_TRUE(radios[1]->hasFocus());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
    EXPECT_TRUE(radios[3]->GetCheck());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);  // wraps around
    EXPECT_TRUE(radios[0]->GetCheck());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
    EXPECT_TRUE(radios[3]->GetCheck());
    std::vector<Notification> expected{
        {362, kAction, 1}, {364, kAction, 1}, {361, kAction, 1}, {364, kAction, 1}};
    EXPECT_EQ(dialog.notifications, expected);
    EXPECT_FALSE(unplaced->GetCheck());
    EXPECT_FALSE(radios[2]->GetCheck());
}

TEST(ColourButtons, AClickChoosesTheColourAndArrowsOnlyMoveTheFocus) {
    Shown dialog;
    const std::uint32_t colours[] = {0x0000FF, 0x00DEFF, 0xFFFFFF};
    std::vector<CColorButton*> swatches;
    for (int i = 0; i < 3; ++i) {
        swatches.push_back(
            dialog.Make<CColorButton>("CColorButton", 171 + i, QRect(480 + 35 * i, 380, 24, 24)));
        swatches.back()->SetColor(colours[i]);
        swatches.back()->SetGroup(QStringLiteral("DEFAULTCOLOR"));
    }
    EXPECT_EQ(swatches[1]->GetColor(), 0x00DEFFu);
    EXPECT_EQ(swatches[0]->accessibleName(), QStringLiteral("#FF0000"));

    QTest::mouseClick(swatches[1], Qt::LeftButton);
    EXPECT_TRUE(swatches[1]->GetCheck());
    // Picking the same colour again applies it again.
    QTest::keyClick(Focus(swatches[1]), Qt::Key_Space);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
    EXPECT_TRUE(swatches[2]->hasFocus());
    EXPECT_FALSE(swatches[2]->GetCheck());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_TRUE(swatches[2]->GetCheck());
    EXPECT_FALSE(swatches[1]->GetCheck());
    std::vector<Notification> expected{
        {172, kAction, 0x00DEFF}, {172, kAction, 0x00DEFF}, {173, kAction, 0xFFFFFF}};
    EXPECT_EQ(dialog.notifications, expected);

    // The page unchecks the swatches when a colour comes from elsewhere.
    swatches[2]->SetCheck(false);
    EXPECT_FALSE(swatches[2]->GetCheck());
    EXPECT_EQ(dialog.notifications.size(), 3u);
}

TEST(PushButtons, TextIconAndHelpButtonsWorkByMouseAndKeys) {
    Shown dialog;
    auto* link = dialog.Make<CTextButton>("CTextButton", 260, QRect(10, 10, 150, 30), "Website");
    auto* record = dialog.Make<CIconButton>("CIconButton", 129, QRect(10, 50, 160, 30), "Record");
    record->SetIcon(QStringLiteral("icon\\icon_rec.png"));
    auto* help = dialog.Make<CHelpButton>("CHelpButton", 95, QRect(200, 10, 16, 16));
    help->SetHelpText(QStringLiteral("Line one\nline two"));
    EXPECT_EQ(link->accessibleName(), QStringLiteral("Website"));
    EXPECT_EQ(help->accessibleName(), QStringLiteral("Line one\nline two"));

    QTest::mouseClick(link, Qt::LeftButton);
    QTest::keyClick(Focus(link), Qt::Key_Enter);
    QTest::keyClick(Focus(record), Qt::Key_Space);

    // The help text shows on Space and goes on Space again or when the focus leaves.
    QWidget* keys = Focus(help);
    EXPECT_EQ(help->Bubble(), nullptr);
    QTest::keyClick(keys, Qt::Key_Space);
    ASSERT_NE(help->Bubble(), nullptr);
    QTest::keyClick(keys, Qt::Key_Space);
    EXPECT_EQ(help->Bubble(), nullptr);
    QTest::mouseClick(help, Qt::LeftButton);
    EXPECT_NE(help->Bubble(), nullptr);
    Focus(link);
    EXPECT_EQ(help->Bubble(), nullptr);

    std::vector<Notification> expected{{260, kAction, 0}, {260, kAction, 0}, {129, kAction, 0},
                                       {95, kAction, 0},  {95, kAction, 0},  {95, kAction, 0}};
    EXPECT_EQ(dialog.notifications, expected);
}

TEST(PushButtons, SkinStripsAreDrawnByStateAndCheck) {
    TempSkin skin;
    const QColor unchecked(10, 20, 30);
    const QColor checked(200, 100, 0);
    skin.Strip(QStringLiteral("btn_checkbox.png"), QSize(16, 16),
               {unchecked, Qt::gray, Qt::gray, Qt::gray, checked, Qt::gray, Qt::gray, Qt::gray});
    skin.Strip(QStringLiteral("img_button2.png"), QSize(10, 10),
               {unchecked, Qt::gray, checked, Qt::darkGray});
    Shown dialog;
    auto* box = dialog.Make<CCheckButton>("CCheckButton", 1, QRect(10, 10, 200, 30), "Run");
    box->SetImage(QStringLiteral("btn_checkbox.png"), 8);
    auto* toggle = dialog.Make<MButton3>("MButton3", 2, QRect(10, 50, 65, 30), "Ctrl");
    toggle->SetImage(QStringLiteral("img_button2.png"), 4);
    QPoint in_box(8, 15);
    QPoint in_face(6, 15);
    EXPECT_EQ(PixelAt(box, in_box), unchecked);
    EXPECT_EQ(PixelAt(toggle, in_face), unchecked);
    box->SetCheck(true);
    toggle->SetCheck(true);
    EXPECT_EQ(PixelAt(box, in_box), checked);
    EXPECT_EQ(PixelAt(toggle, in_face), checked);
    toggle->SetEnabled(false);
    EXPECT_EQ(PixelAt(toggle, in_face), QColor(Qt::darkGray));
}

// ---------------------------------------------------------------------------------------------
// Combo boxes

TEST(ComboBoxes, ItemsCarryDataAndProgramChangesAreNotReported) {
    Shown dialog;
    auto* box = dialog.Make<MComboBox>("MComboBox", 250, QRect(10, 10, 150, 30));
    EXPECT_EQ(box->AddItem(QStringLiteral("简体中文"), 2052), 0);
    EXPECT_EQ(box->AddItem(QStringLiteral("English"), 1033), 1);
    EXPECT_EQ(box->GetCount(), 2);
    // Adding selects nothing; the page chooses.
    EXPECT_EQ(box->GetCurSel(), -1);
    EXPECT_EQ(box->GetCurData(), 0);
    EXPECT_TRUE(box->SelectData(1033));
    EXPECT_EQ(box->GetCurSel(), 1);
    EXPECT_FALSE(box->SelectData(4242));
    EXPECT_EQ(box->GetCurSel(), 1);
    box->SetItemData(0, 7);
    EXPECT_EQ(box->GetItemData(0), 7);
    box->SetItemText(1, QStringLiteral("英语"));
    EXPECT_EQ(box->GetItemText(1), QStringLiteral("英语"));
    EXPECT_EQ(box->GetCurData(), 1033);
    // Bad indexes neither crash nor invent values.
    EXPECT_EQ(box->GetItemData(9), 0);
    EXPECT_EQ(box->GetItemText(-1), QString());
    box->SetItemData(9, 1);
    box->SetCurSel(9);
    EXPECT_EQ(box->GetCurSel(), -1);
    box->SetCurSel(0);
    box->DelAllItems();
    EXPECT_EQ(box->GetCount(), 0);
    EXPECT_EQ(box->GetCurSel(), -1);
    EXPECT_TRUE(dialog.notifications.empty());
}

TEST(ComboBoxes, TheUsersChoiceIsReportedWithItsIndex) {
    Shown dialog;
    auto* box = dialog.Make<MComboBox>("MComboBox", 218, QRect(10, 10, 150, 30));
    box->SetTooltip(QStringLiteral("Sleep time"));
    for (int i = 0; i < 4; ++i) {
        box->AddItem(QStringLiteral("%1 min").arg(5 * (i + 1)), 100 + i);
    }
    box->SetCurSel(0);
    QWidget* keys = Focus(box);
    EXPECT_EQ(keys->accessibleName(), QStringLiteral("Sleep time"));
    QTest::keyClick(keys, Qt::Key_Down);
    EXPECT_EQ(box->GetCurData(), 101);
    QTest::keyClick(keys, Qt::Key_End);
    QTest::keyClick(keys, Qt::Key_Down);  // already at the end
    QTest::keyClick(keys, Qt::Key_Home);
    std::vector<Notification> expected{{218, kAction, 1}, {218, kAction, 3}, {218, kAction, 0}};
    EXPECT_EQ(dialog.notifications, expected);

    // The list opened from the keyboard; Enter takes the item under the cursor.
    QTest::keyClick(keys, Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(box->PopupVisible());
    QAbstractItemView* list = keys->findChild<QAbstractItemView*>();
    ASSERT_NE(list, nullptr);
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_FALSE(box->PopupVisible());
    EXPECT_EQ(box->GetCurSel(), 2);
    ASSERT_EQ(dialog.notifications.size(), 4u);
    EXPECT_EQ(dialog.notifications.back(), (Notification{218, kAction, 2}));

    // Choosing what is shown is no change, also when the program had put it there.
    QTest::keyClick(keys, Qt::Key_Down, Qt::AltModifier);
    QTest::keyClick(list, Qt::Key_Return);
    box->SetCurSel(3);
    QTest::keyClick(keys, Qt::Key_Down, Qt::AltModifier);
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(box->GetCurSel(), 3);
    EXPECT_EQ(dialog.notifications.size(), 4u);

    box->SetEnabled(false);
    QTest::keyClick(keys, Qt::Key_Home);
    EXPECT_EQ(box->GetCurSel(), 3);
    EXPECT_EQ(dialog.notifications.size(), 4u);
}

TEST(ComboBoxes, AHandlerMayRefillTheListItIsReportedFrom) {
    Shown dialog;
    auto* box = dialog.Make<MComboBox>("MComboBox", 70, QRect(10, 10, 150, 30));
    box->AddItem(QStringLiteral("a"), 1);
    box->AddItem(QStringLiteral("b"), 2);
    box->SetCurSel(0);
    dialog.on_notify = [&](const Notification&) {
        box->DelAllItems();
        box->AddItem(QStringLiteral("c"), 3);
        box->SetCurSel(0);
    };
    QTest::keyClick(Focus(box), Qt::Key_Down);
    EXPECT_EQ(box->GetCount(), 1);
    EXPECT_EQ(box->GetCurData(), 3);
    EXPECT_EQ(dialog.notifications.size(), 1u);
}

// ---------------------------------------------------------------------------------------------
// Edit fields

TEST(EditFields, UserEditsFocusAndCommitsAreReportedInOrder) {
    Shown dialog;
    auto* edit = dialog.Make<MEdit>("MEdit", 145, QRect(10, 10, 160, 30), "10");
    edit->SetImage(QStringLiteral("img_edit.png"), 4);
    auto* other = dialog.Make<MButton>("MButton", 1, QRect(10, 50, 80, 30), "OK");
    edit->SetTooltip(QStringLiteral("Delay"));
    EXPECT_EQ(edit->GetTitle(), QStringLiteral("10"));
    EXPECT_EQ(edit->accessibleName(), QStringLiteral("Delay"));
    EXPECT_TRUE(dialog.notifications.empty());

    QWidget* keys = Focus(edit);
    EXPECT_EQ(keys->accessibleName(), QStringLiteral("Delay"));
    QTest::keyClick(keys, Qt::Key_End);
    QTest::keyClicks(keys, QStringLiteral("5"));
    EXPECT_EQ(edit->GetTitle(), QStringLiteral("105"));
    QTest::keyClick(keys, Qt::Key_Return);
    // Leaving after a commit, then after a change.
    Focus(other);
    Focus(edit);
    QTest::keyClick(keys, Qt::Key_End);
    QTest::keyClick(keys, Qt::Key_Backspace);
    Focus(other);
    EXPECT_EQ(edit->GetTitle(), QStringLiteral("10"));
    std::vector<Notification> expected{
        {145, kFocusGained, 0}, {145, kTextChanged, 0}, {145, kAction, 0}, {145, kFocusLost, 0},
        {145, kFocusGained, 0}, {145, kTextChanged, 0}, {145, kAction, 0}, {145, kFocusLost, 0}};
    EXPECT_EQ(dialog.notifications, expected);
}

TEST(EditFields, TextSetByTheProgramOrAHandlerIsNotReported) {
    Shown dialog;
    auto* edit = dialog.Make<MEdit>("MEdit", 239, QRect(10, 10, 70, 30));
    // A handler that corrects the text while the user types, as the number fields do.
    dialog.on_notify = [&](const Notification& n) {
        if (n.event == kTextChanged && edit->GetTitle().toInt() > 20) {
            edit->SetTitle(QStringLiteral("20"));
        }
    };
    edit->SetTitle(QStringLiteral("3"));
    QWidget* keys = Focus(edit);
    dialog.notifications.clear();
    QTest::keyClick(keys, Qt::Key_End);
    QTest::keyClicks(keys, QStringLiteral("0"));
    EXPECT_EQ(edit->GetTitle(), QStringLiteral("20"));
    QTest::keyClicks(keys, QStringLiteral("7"));
    EXPECT_EQ(edit->GetTitle(), QStringLiteral("20"));
    std::vector<Notification> expected{{239, kTextChanged, 0}, {239, kTextChanged, 0}};
    EXPECT_EQ(dialog.notifications, expected);
    // The corrected text counts as the user's change: leaving commits it.
    Focus(dialog.Make<MButton>("MButton", 1, QRect(100, 10, 80, 30), "OK"));
    ASSERT_EQ(dialog.notifications.size(), 4u);
    EXPECT_EQ(dialog.notifications[2], (Notification{239, kAction, 0}));
}

TEST(EditFields, DigitOnlyReadOnlyAndDisabledFieldsRefuseInput) {
    Shown dialog;
    auto* digits = dialog.Make<MEdit>("MEdit", 187, QRect(10, 10, 45, 28), "255");
    digits->SetNumberOnly(true);
    QWidget* keys = Focus(digits);
    QTest::keyClick(keys, Qt::Key_End);
    QTest::keyClicks(keys, QStringLiteral("a-1"));
    EXPECT_EQ(digits->GetTitle(), QStringLiteral("2551"));

    auto* captured = dialog.Make<MEdit>("MEdit", 72, QRect(10, 50, 280, 30), "Ctrl + A");
    captured->SetReadOnly(true);
    keys = Focus(captured);
    QTest::keyClicks(keys, QStringLiteral("xy"));
    EXPECT_EQ(captured->GetTitle(), QStringLiteral("Ctrl + A"));

    // Disabling the field that has the focus reports nothing, not even the focus loss.
    Shown page;
    auto* fixed = page.Make<MEdit>("MEdit", 135, QRect(10, 90, 45, 26), "10");
    page.Make<CRadioButton>("CRadioButton", 131, QRect(10, 10, 150, 30), "No delay");
    keys = Focus(fixed);
    QTest::keyClick(keys, Qt::Key_End);
    QTest::keyClicks(keys, QStringLiteral("0"));
    page.notifications.clear();
    fixed->SetEnabled(false);
    QTest::keyClicks(keys, QStringLiteral("0"));
    EXPECT_EQ(fixed->GetTitle(), QStringLiteral("100"));
    EXPECT_TRUE(page.notifications.empty());
}

TEST(EditFields, ACaptureFieldTakesEveryKeyAndTypesNothing) {
    Shown dialog;
    auto* field = dialog.Make<MEdit>("MEdit", 72, QRect(10, 10, 200, 30));
    auto* other = dialog.Make<MButton>("MButton", 1, QRect(10, 50, 80, 30), "OK");
    field->SetKeyCapture(true);
    QWidget* keys = Focus(field);
    dialog.notifications.clear();
    // Tab does not leave, a shortcut key does not fire, nothing is typed.
    for (Qt::Key key : {Qt::Key_Tab, Qt::Key_Escape, Qt::Key_A}) {
        QTest::keyClick(keys, key);
    }
    QKeyEvent native(QEvent::KeyPress, Qt::Key_Super_L, Qt::NoModifier, 133, 0xFFEB, 0);
    QApplication::sendEvent(keys, &native);
    EXPECT_TRUE(keys->hasFocus());
    EXPECT_EQ(field->GetTitle(), QString());
    ASSERT_EQ(dialog.notifications.size(), 7u);
    EXPECT_EQ(dialog.notifications[0], (Notification{72, kKeyInput, 0}));
    EXPECT_EQ(dialog.notifications[1], (Notification{72, kKeyInput, 1}));
    EXPECT_EQ(field->LastKey().native_scan_code, 133u);
    EXPECT_EQ(field->LastKey().native_virtual_key, 0xFFEBu);
    EXPECT_FALSE(field->LastKey().release);
    // The program's text shows; the focus leaves by the mouse.
    field->SetTitle(QStringLiteral("Windows"));
    Focus(other);
    EXPECT_EQ(dialog.notifications.back(), (Notification{72, kFocusLost, 0}));
    // An ordinary field again types.
    field->SetKeyCapture(false);
    keys = Focus(field);
    QTest::keyClick(keys, Qt::Key_End);
    QTest::keyClicks(keys, QStringLiteral("x"));
    EXPECT_EQ(field->GetTitle(), QStringLiteral("Windowsx"));
}

TEST(NumberFields, CommitsBringTheNumberIntoRangeAndStepsReportTheValue) {
    Shown dialog;
    auto* lines = dialog.Make<NumberEdit>("NumberEdit", 214, QRect(10, 10, 70, 30));
    lines->SetRange(1, 20);
    lines->SetValue(50);
    EXPECT_EQ(lines->GetTitle(), QStringLiteral("20"));
    QWidget* keys = Focus(lines);
    dialog.notifications.clear();
    QTest::keyClick(keys, Qt::Key_End);
    QTest::keyClick(keys, Qt::Key_Backspace);
    QTest::keyClick(keys, Qt::Key_Backspace);
    QTest::keyClick(keys, Qt::Key_Return);  // empty reads as the minimum
    EXPECT_EQ(lines->GetTitle(), QStringLiteral("1"));
    QTest::keyClick(keys, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(keys, QStringLiteral("257"));  // the third digit is refused
    EXPECT_EQ(lines->GetTitle(), QStringLiteral("25"));
    QTest::keyClick(keys, Qt::Key_Enter);
    EXPECT_EQ(lines->GetValue(), 20);
    QTest::keyClick(keys, Qt::Key_Up);  // at the top: no step
    QTest::keyClick(keys, Qt::Key_Down);
    std::vector<Notification> expected{{214, kTextChanged, 0}, {214, kTextChanged, 0},
                                       {214, kAction, 1},      {214, kTextChanged, 0},
                                       {214, kTextChanged, 0}, {214, kAction, 20},
                                       {214, kTextChanged, 0}, {214, kAction, 19}};
    EXPECT_EQ(dialog.notifications, expected);
    EXPECT_EQ(lines->GetTitle(), QStringLiteral("19"));
}

TEST(NumberFields, SteppersChangeTheNumberLikeTheArrowKeys) {
    Shown dialog;
    auto* lines = dialog.Make<NumberEdit2>("NumberEdit2", 239, QRect(10, 10, 70, 30));
    lines->SetImage(QStringLiteral("img_edit.png"), 4);
    lines->SetRange(1, 20);
    lines->SetValue(3);
    QPoint up(lines->width() - 8, 8);
    QPoint down(lines->width() - 8, lines->height() - 8);
    QTest::mouseClick(lines, Qt::LeftButton, {}, up);
    QTest::mouseClick(lines, Qt::LeftButton, {}, up);
    QTest::mouseClick(lines, Qt::LeftButton, {}, down);
    // A press that leaves the stepper before release does nothing.
    QTest::mousePress(lines, Qt::LeftButton, {}, up);
    QTest::mouseRelease(lines, Qt::LeftButton, {}, QPoint(5, 15));
    EXPECT_EQ(lines->GetValue(), 4);
    std::vector<Notification> expected{{239, kTextChanged, 0}, {239, kAction, 4},
                                       {239, kTextChanged, 0}, {239, kAction, 5},
                                       {239, kTextChanged, 0}, {239, kAction, 4}};
    EXPECT_EQ(dialog.notifications, expected);
    lines->SetEnabled(false);
    QTest::mouseClick(lines, Qt::LeftButton, {}, up);
    EXPECT_EQ(lines->GetValue(), 4);
    EXPECT_EQ(dialog.notifications.size(), 6u);
}

// ---------------------------------------------------------------------------------------------
// Sliders

// 218 pixels wide with an 18-pixel thumb: the thumb centre travels from 9 to 209, two pixels
// per step of a 0..100 range.
constexpr int XFor(int value) {
    return 9 + 2 * value;
}

TEST(Sliders, DraggingReportsEveryMoveAndTheReleaseOnce) {
    Shown dialog;
    auto* slider = dialog.Make<MSlider>("MSlider", 230, QRect(10, 10, 218, 20));
    slider->SetValue(40);
    EXPECT_TRUE(dialog.notifications.empty());
    QTest::mousePress(slider, Qt::LeftButton, {}, QPoint(XFor(40) + 3, 10));  // on the thumb
    QTest::mouseMove(slider, QPoint(XFor(45) + 3, 10));
    QTest::mouseMove(slider, QPoint(XFor(45) + 3, 12));  // no change of value
    QTest::mouseMove(slider, QPoint(500, 10));           // beyond the end
    QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(500, 10));
    std::vector<Notification> expected{
        {230, kChanging, 45}, {230, kChanging, 100}, {230, kAction, 100}};
    EXPECT_EQ(dialog.notifications, expected);

    // A press beside the thumb jumps there; a click that changes nothing reports nothing.
    dialog.notifications.clear();
    QTest::mouseClick(slider, Qt::LeftButton, {}, QPoint(XFor(10), 10));
    QTest::mouseClick(slider, Qt::LeftButton, {}, QPoint(XFor(10), 10));
    expected = {{230, kChanging, 10}, {230, kAction, 10}};
    EXPECT_EQ(dialog.notifications, expected);
    EXPECT_EQ(slider->GetValue(), 10);
}

TEST(Sliders, EveryKeyStepIsAMoveAndAnEnd) {
    Shown dialog;
    auto* slider = dialog.Make<LightSlider>("LightSlider", 167, QRect(10, 10, 216, 20));
    EXPECT_EQ(slider->GetMaxValue(), 255);
    slider->SetRange(0, 19);
    slider->SetValue(18);
    QWidget* keys = Focus(slider);
    QTest::keyClick(keys, Qt::Key_Right);
    QTest::keyClick(keys, Qt::Key_Up);  // at the end already
    QTest::keyClick(keys, Qt::Key_Home);
    QTest::keyClick(keys, Qt::Key_PageUp);
    QTest::keyClick(keys, Qt::Key_End);
    std::vector<Notification> expected{
        {167, kChanging, 19}, {167, kAction, 19}, {167, kChanging, 0},  {167, kAction, 0},
        {167, kChanging, 1},  {167, kAction, 1},  {167, kChanging, 19}, {167, kAction, 19}};
    EXPECT_EQ(dialog.notifications, expected);

    // The widest range still pages by a tenth.
    constexpr int kLow = std::numeric_limits<int>::min();
    constexpr int kHigh = std::numeric_limits<int>::max();
    slider->SetRange(kLow, kHigh);
    slider->SetValue(kHigh);
    dialog.notifications.clear();
    QTest::keyClick(keys, Qt::Key_PageDown);
    long long tenth = (static_cast<long long>(kHigh) - kLow) / 10;
    EXPECT_EQ(slider->GetValue(), static_cast<int>(kHigh - tenth));
    EXPECT_EQ(dialog.notifications.size(), 2u);
    dialog.notifications.assign(expected.begin(), expected.end());

    // A narrower range pulls the value in without a report; a disabled slider stays put.
    slider->SetRange(0, 10);
    EXPECT_EQ(slider->GetValue(), 10);
    slider->SetEnabled(false);
    QTest::keyClick(slider, Qt::Key_Home);
    QTest::mouseClick(slider, Qt::LeftButton, {}, QPoint(20, 10));
    EXPECT_EQ(slider->GetValue(), 10);
    EXPECT_EQ(dialog.notifications.size(), expected.size());
}

TEST(Accessibility, RolesCheckStatesAndValuesAreExposed) {
    Shown dialog;
    auto* box = dialog.Make<CCheckButton>("CCheckButton", 234, QRect(10, 10, 200, 30), "Precision");
    auto* radio = dialog.Make<CRadioButton>("CRadioButton", 241, QRect(10, 50, 200, 30), "Lines");
    auto* link = dialog.Make<CTextButton>("CTextButton", 260, QRect(10, 90, 150, 30), "Website");
    auto* slider = dialog.Make<MSlider>("MSlider", 243, QRect(10, 130, 320, 17));
    slider->SetRange(0, 10);
    slider->SetValue(5);
    box->SetCheck(true);

    QAccessibleInterface* about_box = QAccessible::queryAccessibleInterface(box);
    ASSERT_NE(about_box, nullptr);
    EXPECT_EQ(about_box->role(), QAccessible::CheckBox);
    EXPECT_EQ(about_box->text(QAccessible::Name), QStringLiteral("Precision"));
    EXPECT_TRUE(about_box->state().checkable);
    EXPECT_TRUE(about_box->state().checked);
    QAccessibleInterface* about_radio = QAccessible::queryAccessibleInterface(radio);
    EXPECT_EQ(about_radio->role(), QAccessible::RadioButton);
    EXPECT_FALSE(about_radio->state().checked);
    QTest::mouseClick(radio, Qt::LeftButton);
    EXPECT_TRUE(about_radio->state().checked);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(link)->role(), QAccessible::Link);
    QAccessibleInterface* about_slider = QAccessible::queryAccessibleInterface(slider);
    EXPECT_EQ(about_slider->role(), QAccessible::Slider);
    ASSERT_NE(about_slider->valueInterface(), nullptr);
    EXPECT_EQ(about_slider->valueInterface()->currentValue().toInt(), 5);
    EXPECT_EQ(about_slider->valueInterface()->maximumValue().toInt(), 10);
}

// ---------------------------------------------------------------------------------------------
// Areas and the busy picture

TEST(Areas, FillWithTheirColour) {
    Shown dialog;
    dialog.SetBackgroundColour(Qt::black);
    auto* area = dialog.Make<CArea>("CArea", 85, QRect(10, 10, 50, 30));
    area->SetColor(0xFFD027FB);  // a stray top byte does not make it translucent
    auto* panel = dialog.Make<CRoundArea>("CRoundArea", 158, QRect(100, 10, 50, 30));
    panel->SetColor(0x80FF0000);
    QImage shot = dialog.grab().toImage();
    EXPECT_EQ(shot.pixelColor(30, 25), QColor(0xD0, 0x27, 0xFB));
    QColor blended = shot.pixelColor(125, 25);
    EXPECT_NEAR(blended.red(), 0x80, 2);
    EXPECT_EQ(blended.green(), 0);
}

// A busy picture whose clock the test moves.
class ClockedGif : public CGifPicture {
  public:
    using CGifPicture::CGifPicture;
    std::chrono::milliseconds now{1000};

  protected:
    std::chrono::milliseconds Now() const override { return now; }
};

// Two 1x1 pictures, red then blue, 100 ms each.
QByteArray TwoFrameGif() {
    const unsigned char bytes[] = {
        'G', 'I',  'F',  '8',  '9', 'a',  1,  0, 1,    0,    0x80, 0,    0,  0xFF, 0,   0, 0,
        0,   0xFF, 0x21, 0xF9, 4,   0,    10, 0, 0,    0,    0x2C, 0,    0,  0,    0,   1, 0,
        1,   0,    0,    2,    2,   0x44, 1,  0, 0x21, 0xF9, 4,    0,    10, 0,    0,   0, 0x2C,
        0,   0,    0,    0,    1,   0,    1,  0, 0,    2,    2,    0x4C, 1,  0,    0x3B};
    return {reinterpret_cast<const char*>(bytes), static_cast<int>(sizeof bytes)};
}

TEST(BusyPicture, TheAnimationTimerRunsOnlyWhileItRunsAndShows) {
    Shown dialog;
    auto* busy = dialog.Make<CGifPicture>("CGifPicture", 30, QRect(1, 1, 100, 100));
    busy->SetImage(QStringLiteral("loading.gif"), 1);  // no skin: the arc
    EXPECT_FALSE(busy->HasMovie());
    busy->AddMTimer();
    EXPECT_FALSE(dialog.AnimationRunning());
    busy->SetRunState(true);
    EXPECT_TRUE(dialog.AnimationRunning());
    busy->SetVisible(false);
    EXPECT_FALSE(busy->Animating());
    EXPECT_FALSE(dialog.AnimationRunning());
    busy->SetVisible(true);
    EXPECT_TRUE(dialog.AnimationRunning());
    dialog.hide();
    EXPECT_FALSE(dialog.AnimationRunning());
    dialog.show();
    EXPECT_TRUE(dialog.AnimationRunning());
    busy->SetRunState(false);
    EXPECT_FALSE(dialog.AnimationRunning());
}

TEST(BusyPicture, TheSkinGifAdvancesWithTheClockAndRewinds) {
    TempSkin skin;
    skin.Write(QStringLiteral("loading.gif"), TwoFrameGif());
    Shown dialog;
    auto* busy = new ClockedGif(dialog, &dialog, 30);
    busy->setGeometry(1, 1, 20, 20);
    busy->show();
    busy->SetImage(QStringLiteral("loading.gif"), 1);
    ASSERT_TRUE(busy->HasMovie());
    EXPECT_EQ(PixelAt(busy, QPoint(10, 10)), QColor(Qt::red));
    busy->SetRunState(true);
    busy->now += std::chrono::milliseconds(60);
    busy->Animate();
    EXPECT_EQ(busy->CurrentFrame(), 0);
    busy->now += std::chrono::milliseconds(60);
    busy->Animate();
    EXPECT_EQ(busy->CurrentFrame(), 1);
    EXPECT_EQ(PixelAt(busy, QPoint(10, 10)), QColor(Qt::blue));
    // A long pause (hidden window, sleep) does not race through the pictures.
    busy->now += std::chrono::hours(1);
    busy->Animate();
    EXPECT_EQ(busy->CurrentFrame(), 0);
    busy->now += std::chrono::milliseconds(100);
    busy->Animate();
    busy->SetRunState(true, true);
    EXPECT_EQ(busy->CurrentFrame(), 0);
}

}  // namespace
}  // namespace veltra::ui
