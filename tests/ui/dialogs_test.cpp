#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <thread>

#include "config/language.h"
#include "ui/dialogs/dpi_popup.h"
#include "ui/dialogs/lang_text.h"
#include "ui/dialogs/message_box.h"
#include "ui/dialogs/palette_dialog.h"
#include "ui/dialogs/wait_dialog.h"
#include "ui/widget_test_support.h"
#include "ui/widgets/buttons.h"
#include "ui/widgets/fields.h"
#include "ui/widgets/labels.h"
#include "ui/widgets/palette.h"
#include "ui/widgets/sliders.h"

namespace veltra::ui {
namespace {

using namespace std::chrono_literals;

// The program folder of the build tree holds the language files.
class DialogsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        qputenv("VELTRA_PROGRAM_FOLDER", VELTRA_BIN_DIR);
        SetCurrentLanguageId(kEnglish);
    }
    void TearDown() override { SetMessageBoxHook(nullptr); }
};

// Clicks the button with `id` of the active message box once it is shown.
void ClickLater(int id) {
    QTimer::singleShot(0, [id] {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            auto* box = dynamic_cast<CUIMessageBox*>(window);
            if (box != nullptr && box->isVisible()) {
                QTest::mouseClick(box->GetControl(id), Qt::LeftButton);
            }
        }
    });
}

TEST_F(DialogsTest, MessageBoxKindsGiveTheirButtonsAndResults) {
    ClickLater(33);
    EXPECT_EQ(ShowMessageBox(nullptr, "Saved.", "Export", kMessageOk), kResultOk);
    ClickLater(34);
    EXPECT_EQ(ShowMessageBox(nullptr, "Restore?", "Restore", kMessageOkCancel), kResultCancel);
    ClickLater(33);
    EXPECT_EQ(ShowMessageBox(nullptr, "Restore?", "Restore", kMessageOkCancel), kResultOk);
    // A kind without buttons still has a way out.
    ClickLater(35);
    EXPECT_EQ(ShowMessageBox(nullptr, "Busy", "Note", 7), kResultCancel);

    CUIMessageBox two("Body", "Title", kMessageOkCancel);
    two.Create(nullptr, "MessageBox", kStyleToolWindow, QRect(0, 0, 430, 230));
    EXPECT_EQ(two.Get<MButton>(33)->GetTitle(), QStringLiteral("OK"));
    EXPECT_EQ(two.Get<MButton>(34)->GetTitle(), QStringLiteral("Cancel"));
    EXPECT_EQ(two.GetControl(33)->geometry(), Edges(95, 180, 195, 210));
    EXPECT_EQ(two.GetControl(34)->geometry(), Edges(235, 180, 335, 210));
    EXPECT_EQ(two.GetControl(35), nullptr);
    CUIMessageBox none("Body", "Title", 1);
    none.Create(nullptr, "MessageBox", kStyleToolWindow, QRect(0, 0, 430, 230));
    EXPECT_EQ(none.GetControl(33), nullptr);
    QTimer::singleShot(0, &none, [&] { QTest::keyClick(&none, Qt::Key_Escape); });
    EXPECT_EQ(none.ShowModal(), kResultCancel);
}

TEST_F(DialogsTest, MessageBoxHookAnswersWithoutAWindow) {
    QString seen;
    SetMessageBoxHook([&](const QString& body, const QString&, int kind) {
        seen = body;
        return kind == kMessageOkCancel ? kResultCancel : kResultOk;
    });
    EXPECT_EQ(ShowMessageBox(nullptr, "Delete?", "Macro", kMessageOkCancel), kResultCancel);
    EXPECT_EQ(seen, QStringLiteral("Delete?"));
}

struct Popup {
    explicit Popup(QWidget* owner = nullptr) : dialog(owner) {
        auto manual = std::make_unique<testing::ManualTimers>();
        clock = manual.get();
        dialog.SetTimerPort(std::move(manual));
    }
    QString Value() const { return dialog.Get<MText>(31)->GetTitle(); }
    QString Unit() const { return dialog.Get<MText>(32)->GetTitle(); }
    DPIMsgDlg dialog;
    testing::ManualTimers* clock = nullptr;
};

TEST_F(DialogsTest, DpiPopupShowsValueOrRateInTheWorkAreaCorner) {
    Popup popup;
    EXPECT_FALSE(popup.dialog.isVisible());
    EXPECT_TRUE(popup.dialog.IsOpen());
    EXPECT_EQ(popup.dialog.size(), QSize(300, 130));
    popup.dialog.ShowDPI(800);
    EXPECT_TRUE(popup.dialog.isVisible());
    EXPECT_EQ(popup.Value(), QStringLiteral("800"));
    EXPECT_EQ(popup.Unit(), QStringLiteral("DPI"));
    EXPECT_EQ(popup.dialog.Get<MProgress>(33)->GetValue(), 800);
    QRect area = popup.dialog.WorkArea();
    EXPECT_EQ(popup.dialog.geometry().bottomRight(), area.bottomRight() - QPoint(2, 2));

    popup.dialog.ShowReportRate(2);
    EXPECT_EQ(popup.Value(), QStringLiteral("250"));
    EXPECT_EQ(popup.Unit(), LangText(255));
    EXPECT_EQ(popup.Unit(), QStringLiteral("Report rate"));
    // An index outside 0..3 keeps the rate shown.
    popup.dialog.ShowReportRate(9);
    EXPECT_EQ(popup.Value(), QStringLiteral("250"));
}

TEST_F(DialogsTest, DpiPopupStaysTwoSecondsAfterTheLastChange) {
    Popup popup;
    popup.dialog.ShowDPI(1600);
    popup.clock->Advance(1500ms);
    popup.dialog.ShowDPI(3200);
    popup.clock->Advance(1900ms);
    EXPECT_TRUE(popup.dialog.isVisible());
    popup.clock->Advance(100ms);
    EXPECT_FALSE(popup.dialog.isVisible());
    // Closing with its button hides it at once and the timer does not bring it back.
    popup.dialog.ShowDPI(400);
    QTest::mouseClick(popup.dialog.GetControl(30), Qt::LeftButton);
    EXPECT_FALSE(popup.dialog.isVisible());
    EXPECT_FALSE(popup.clock->Active(100));
}

TEST_F(DialogsTest, DpiPopupInsideItsOwnerWhereWindowsCannotBePlaced) {
    QWidget owner;
    owner.resize(1280, 780);
    owner.show();
    Popup popup(&owner);
    popup.dialog.SetPlatformPlacesWindows(false);
    popup.dialog.ShowDPI(1200);
    EXPECT_TRUE(popup.dialog.ShownInsideOwner());
    EXPECT_FALSE(popup.dialog.isWindow());
    EXPECT_EQ(popup.dialog.geometry(), Edges(978, 648, 1278, 778));
    owner.hide();
    popup.dialog.ShowDPI(1300);
    EXPECT_FALSE(popup.dialog.ShownInsideOwner());
    EXPECT_TRUE(popup.dialog.isWindow());
    EXPECT_TRUE(popup.dialog.isVisible());
}

}  // namespace
}  // namespace veltra::ui

namespace veltra::ui {
namespace {

// Runs `palette` and does `act` on it once it is shown.
int RunPalette(MousePaletteDlg& palette, std::function<void()> act) {
    QTimer::singleShot(0, &palette, std::move(act));
    return palette.Run(nullptr);
}

TEST_F(DialogsTest, PalettePresetNineConfirmedGivesItsColourAndIndex) {
    MousePaletteDlg palette;
    palette.SetColor(0x0000FF);
    int result = RunPalette(palette, [&] {
        QTest::mouseClick(palette.GetControl(39 + 9), Qt::LeftButton);
        QTest::mouseClick(palette.GetControl(55), Qt::LeftButton);
    });
    EXPECT_EQ(result, kResultOk);
    EXPECT_EQ(palette.GetColor(), 0xFF7F00u);
    EXPECT_EQ(palette.GetPresetIndex(), 9);
    EXPECT_EQ(palette.GetControl(39)->geometry(), Edges(30, 60, 66, 96));
    EXPECT_EQ(palette.GetControl(39 + 15)->geometry(), Edges(380, 110, 416, 146));
    EXPECT_EQ(palette.GetControl(55)->geometry(), Edges(340, 170, 440, 200));
}

TEST_F(DialogsTest, PaletteConfirmedWithoutChoiceKeepsTheColourAndIndexZero) {
    MousePaletteDlg palette;
    palette.SetColor(0x123456);
    int result =
        RunPalette(palette, [&] { QTest::keyClick(palette.GetControl(55), Qt::Key_Return); });
    EXPECT_EQ(result, kResultOk);
    EXPECT_EQ(palette.GetColor(), 0x123456u);
    EXPECT_EQ(palette.GetPresetIndex(), 0);

    MousePaletteDlg cancelled;
    cancelled.SetColor(0x00FF00);
    EXPECT_EQ(RunPalette(cancelled,
                         [&] {
                             QTest::mouseClick(cancelled.GetControl(39 + 3), Qt::LeftButton);
                             QTest::mouseClick(cancelled.GetControl(31), Qt::LeftButton);
                         }),
              kResultCancel);
}

TEST_F(DialogsTest, PaletteComponentFieldsAreClampedAndMakeTheColour) {
    MousePaletteDlg palette;
    palette.SetColor(0x000000);
    palette.Create(nullptr, "Mouse PaletteDlg", kStylePopup, Edges(0, 0, 460, 220));
    auto* red = palette.Get<MEdit>(36);
    auto* blue = palette.Get<MEdit>(38);
    ASSERT_NE(red, nullptr);
    EXPECT_FALSE(red->isVisible());
    red->SetTitle("300");
    blue->SetTitle("16");
    // What leaving a field reports.
    palette.Notify(*red, Event::FocusLost, 0);
    EXPECT_EQ(red->GetTitle(), QStringLiteral("255"));
    EXPECT_EQ(palette.GetColor(), 0x1000FFu);
    EXPECT_EQ(palette.Get<CirclePalette>(32)->GetColor(), 0x1000FFu);
    // A preset fills the fields.
    QTest::mouseClick(palette.GetControl(39 + 9), Qt::LeftButton);
    EXPECT_EQ(red->GetTitle(), QStringLiteral("0"));
    EXPECT_EQ(palette.Get<MEdit>(37)->GetTitle(), QStringLiteral("127"));
    EXPECT_EQ(blue->GetTitle(), QStringLiteral("255"));
}

TEST_F(DialogsTest, WaitDialogEndsOnlyThroughDoOkAndAnimatesOnlyWhileShown) {
    QWidget owner;
    owner.setGeometry(100, 100, 1280, 780);
    WaitDlg wait(&owner);
    EXPECT_EQ(wait.geometry().center(), owner.frameGeometry().center());
    EXPECT_EQ(wait.size(), QSize(102, 102));
    EXPECT_FALSE(wait.AnimationRunning());
    bool animated_while_shown = false;
    std::thread worker;
    QTimer::singleShot(0, &wait, [&] {
        animated_while_shown = wait.AnimationRunning();
        QTest::keyClick(&wait, Qt::Key_Escape);
        wait.close();
        worker = std::thread([&] { wait.DoOK(); });
    });
    EXPECT_EQ(wait.ShowModal(kShow), kResultOk);
    worker.join();
    EXPECT_TRUE(animated_while_shown);
    EXPECT_FALSE(wait.AnimationRunning());
}

}  // namespace
}  // namespace veltra::ui
