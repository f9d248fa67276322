#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <climits>
#include <vector>

#include "ui/widget_test_support.h"
#include "ui/widgets/buttons.h"
#include "ui/widgets/macro_lists.h"
#include "ui/widgets/manager.h"
#include "ui/widgets/menu.h"
#include "ui/widgets/palette.h"

namespace veltra::ui {
namespace {

using testing::Notification;
using testing::RecordingDialog;

constexpr int kPicked = Code(Event::PalettePicked);
constexpr int kChanging = Code(Event::Changing);
constexpr int kAction = Code(Event::Action);
constexpr int kItemButton = Code(Event::ItemButton);
constexpr int kItemEdited = Code(Event::ItemEdited);

// Colour values whose channels differ by at most `tolerance` (pixel positions round).
::testing::AssertionResult Near(std::uint32_t actual, std::uint32_t expected, int tolerance = 3) {
    for (int shift : {0, 8, 16}) {
        int a = static_cast<int>((actual >> shift) & 0xFF);
        int e = static_cast<int>((expected >> shift) & 0xFF);
        if (std::abs(a - e) > tolerance) {
            return ::testing::AssertionFailure()
                   << std::hex << "0x" << actual << " is not near 0x" << expected;
        }
    }
    return ::testing::AssertionSuccess();
}

void Click(QWidget* widget, QPointF at) {
    QTest::mouseClick(widget, Qt::LeftButton, {}, at.toPoint());
}

// A shown and active dialog: focus moves only inside an active window.
void Activate(RecordingDialog& dialog) {
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
}

TEST(CirclePalette, PicksTheHueAroundTheWheelAndWhiteAtTheCentre) {
    RecordingDialog dialog;
    dialog.show();
    auto* wheel = static_cast<CirclePalette*>(
        dialog.CreateControl("CirclePalette", 32, QRect(10, 10, 200, 200)));
    ASSERT_NE(wheel, nullptr);

    struct Case {
        qreal degrees;
        std::uint32_t colour;
    };
    for (Case c : {Case{0, 0x0000FF}, Case{120, 0x00FF00}, Case{240, 0xFF0000}, Case{60, 0x00FFFF},
                   Case{300, 0xFF00FF}}) {
        dialog.notifications.clear();
        Click(wheel, wheel->PointFor(c.degrees, 1.0));
        EXPECT_TRUE(Near(wheel->GetColor(), c.colour)) << c.degrees;
        ASSERT_EQ(dialog.notifications.size(), 1u) << c.degrees;
        EXPECT_EQ(dialog.notifications[0].event, kPicked);
        EXPECT_EQ(static_cast<std::uint32_t>(dialog.notifications[0].param), wheel->GetColor());
    }
    Click(wheel, wheel->PointFor(0, 0.0));
    EXPECT_TRUE(Near(wheel->GetColor(), 0xFFFFFF));
    Click(wheel, wheel->PointFor(0, 0.5));
    EXPECT_TRUE(Near(wheel->GetColor(), 0x8080FF));

    // Outside the circle the pick stays on the rim: a fully saturated colour.
    Click(wheel, QPointF(wheel->width() - 1, wheel->height() / 2.0));
    EXPECT_TRUE(Near(wheel->GetColor(), 0x0000FF));
}

TEST(CirclePalette, ProgramColoursNotifyNothingWhileDragsAndKeysPick) {
    RecordingDialog dialog;
    Activate(dialog);
    auto* wheel = static_cast<CirclePalette*>(
        dialog.CreateControl("CirclePalette", 32, QRect(10, 10, 200, 200)));
    wheel->SetColor(0xFF7F00);
    wheel->SetColor(0x12345678);
    EXPECT_EQ(wheel->GetColor(), 0x345678u);
    EXPECT_TRUE(dialog.notifications.empty());

    // A drag from the centre to the red rim reports on the way and ends on red.
    QTest::mousePress(wheel, Qt::LeftButton, {}, wheel->PointFor(0, 0).toPoint());
    for (qreal s : {0.25, 0.5, 0.75, 1.0}) {
        QMouseEvent move(QEvent::MouseMove, wheel->PointFor(0, s), wheel->mapToGlobal(QPointF()),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(wheel, &move);
    }
    QTest::mouseRelease(wheel, Qt::LeftButton, {}, wheel->PointFor(0, 1).toPoint());
    EXPECT_GE(dialog.notifications.size(), 4u);
    EXPECT_TRUE(Near(wheel->GetColor(), 0x0000FF));

    // Keys: Home is the centre, then Left walks toward cyan (red falls, green and blue stay).
    wheel->setFocus();
    dialog.notifications.clear();
    QTest::keyClick(wheel, Qt::Key_Home);
    EXPECT_TRUE(Near(wheel->GetColor(), 0xFFFFFF));
    for (int i = 0; i < 40; ++i) {
        QTest::keyClick(wheel, Qt::Key_Left);
    }
    EXPECT_TRUE(Near(wheel->GetColor(), 0xFFFF00));
    QTest::keyClick(wheel, Qt::Key_Up);
    EXPECT_EQ(dialog.notifications.size(), 42u);
    for (const Notification& n : dialog.notifications) {
        EXPECT_EQ(n.event, kPicked);
    }
}

TEST(CirclePalette, TheSkinWheelDecidesThePickedColour) {
    QTemporaryDir skins;
    ASSERT_TRUE(skins.isValid());
    ASSERT_TRUE(QDir(skins.path()).mkpath(QStringLiteral("default")));
    QImage face(100, 100, QImage::Format_ARGB32);
    face.fill(QColor(0x20, 0x40, 0x60));
    ASSERT_TRUE(face.save(skins.filePath(QStringLiteral("default/img_palette.png"))));
    Manager::SetSkinRoot(skins.path());

    RecordingDialog dialog;
    dialog.show();
    auto* wheel = static_cast<CirclePalette*>(
        dialog.CreateControl("CirclePalette", 32, QRect(10, 10, 200, 200)));
    wheel->SetImage(QStringLiteral("img_palette.png"), 1);
    Click(wheel, wheel->PointFor(120, 0.6));
    EXPECT_TRUE(Near(wheel->GetColor(), 0x604020, 1));
    Manager::SetSkinRoot(QString());
}

TEST(PaletteBar, TurnsTheHueAndALightnessIntoColourValues) {
    RecordingDialog dialog;
    auto* bar =
        static_cast<PaletteBar*>(dialog.CreateControl("PaletteBar", 180, QRect(0, 0, 200, 17)));
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->PaletteHSLToRGB(255), 0x0000FFu);
    EXPECT_EQ(bar->PaletteHSLToRGB(0), 0xFFFFFFu);
    EXPECT_TRUE(Near(bar->PaletteHSLToRGB(128), 0x7F7FFF, 1));
    EXPECT_EQ(bar->PaletteHSLToRGB(-40), bar->PaletteHSLToRGB(0));
    EXPECT_EQ(bar->PaletteHSLToRGB(1000), bar->PaletteHSLToRGB(255));
    bar->SetHue(60);
    EXPECT_EQ(bar->PaletteHSLToRGB(255), 0x00FFFFu);
    bar->SetHue(120);
    EXPECT_EQ(bar->PaletteHSLToRGB(255), 0x00FF00u);
    bar->SetHue(240);
    EXPECT_EQ(bar->PaletteHSLToRGB(255), 0xFF0000u);
    bar->SetHue(400);
    EXPECT_EQ(bar->GetHue(), 359);
    bar->SetHue(-3);
    EXPECT_EQ(bar->GetHue(), 0);
    EXPECT_TRUE(dialog.notifications.empty());
}

TEST(PaletteBar, DragsAndKeysReportChangingThenActionOnRelease) {
    RecordingDialog dialog;
    Activate(dialog);
    auto* bar =
        static_cast<PaletteBar*>(dialog.CreateControl("PaletteBar", 180, QRect(0, 0, 200, 17)));
    bar->SetHue(180);

    QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(0, 8));
    QMouseEvent move(QEvent::MouseMove, QPointF(100, 8), bar->mapToGlobal(QPointF(100, 8)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(bar, &move);
    QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(500, 8));
    ASSERT_EQ(dialog.notifications.size(), 4u);
    EXPECT_EQ(dialog.notifications[0], (Notification{180, kChanging, 0}));
    EXPECT_EQ(dialog.notifications[1].event, kChanging);
    EXPECT_NEAR(dialog.notifications[1].param, 180, 2);
    EXPECT_EQ(dialog.notifications[2], (Notification{180, kChanging, 359}));
    EXPECT_EQ(dialog.notifications[3], (Notification{180, kAction, 359}));

    bar->setFocus();
    dialog.notifications.clear();
    QTest::keyClick(bar, Qt::Key_End);  // already there: nothing
    QTest::keyClick(bar, Qt::Key_Left);
    QTest::keyClick(bar, Qt::Key_PageDown);
    QTest::keyClick(bar, Qt::Key_Home);
    std::vector<Notification> keys{{180, kChanging, 354}, {180, kAction, 354},
                                   {180, kChanging, 324}, {180, kAction, 324},
                                   {180, kChanging, 0},   {180, kAction, 0}};
    EXPECT_EQ(dialog.notifications, keys);
}

struct MacroListFixture : ::testing::Test {
    void SetUp() override {
        Activate(dialog);
        list = static_cast<MacroList*>(
            dialog.CreateControl("MacroList", 112, QRect(233, 233, 284, 435)));
        ASSERT_NE(list, nullptr);
        for (int i = 0; i < 4; ++i) {
            list->AddItem(QStringLiteral("宏 %1").arg(i + 1), 10 + i);
        }
    }
    QPoint RowCentre(int index) const {
        return QPoint(60, index * list->GetItemHeight() + list->GetItemHeight() / 2);
    }
    QPoint ButtonCentre(int index) const {
        return list->mapFromGlobal(list->GetItemButtonRect(index).center());
    }
    QLineEdit* Editor() const { return list->findChild<QLineEdit*>(); }

    RecordingDialog dialog;
    MacroList* list = nullptr;
};

TEST_F(MacroListFixture, ProgramOperationsCheckIndexesAndNotifyNothing) {
    EXPECT_EQ(list->GetItemCount(), 4);
    EXPECT_EQ(list->GetItemData(2), 12);
    EXPECT_EQ(list->GetItemString(0), QStringLiteral("宏 1"));
    for (int bad : {-1, 4, INT_MAX, INT_MIN}) {
        EXPECT_EQ(list->GetItemData(bad), 0);
        EXPECT_TRUE(list->GetItemString(bad).isEmpty());
        EXPECT_FALSE(list->ModifyItemString(bad, QStringLiteral("x")));
        EXPECT_FALSE(list->DeleteItem(bad));
        EXPECT_FALSE(list->EditItem(bad));
        EXPECT_TRUE(list->GetItemButtonRect(bad).isEmpty());
        list->SetCurSel(bad);
        EXPECT_EQ(list->GetCurSel(), -1);
    }
    EXPECT_TRUE(list->ModifyItemString(1, QStringLiteral("Macro 2")));
    EXPECT_EQ(list->GetItemString(1), QStringLiteral("Macro 2"));

    // The selection stays on its macro while others go.
    list->SetCurSel(2);
    EXPECT_TRUE(list->DeleteItem(0));
    EXPECT_EQ(list->GetCurSel(), 1);
    EXPECT_EQ(list->GetItemData(1), 12);
    EXPECT_TRUE(list->DeleteItem(1));
    EXPECT_EQ(list->GetCurSel(), -1);
    list->DeleteAllItems();
    EXPECT_EQ(list->GetItemCount(), 0);
    EXPECT_TRUE(dialog.notifications.empty());
}

TEST_F(MacroListFixture, ClicksAndKeysSelectAndReportTheRow) {
    Click(list, RowCentre(1));
    Click(list, RowCentre(1));  // no change, no report
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_End);
    QTest::keyClick(list, Qt::Key_Down);  // at the end already
    QTest::keyClick(list, Qt::Key_Home);
    QTest::keyClick(list, Qt::Key_PageDown);
    std::vector<Notification> expected{{112, kAction, 1},
                                       {112, kAction, 2},
                                       {112, kAction, 3},
                                       {112, kAction, 0},
                                       {112, kAction, 3}};
    EXPECT_EQ(dialog.notifications, expected);
    EXPECT_EQ(list->accessibleDescription(), QStringLiteral("宏 4"));
    EXPECT_FALSE(list->accessibleName().isEmpty());
}

TEST_F(MacroListFixture, TheItemButtonSelectsItsRowAndReportsIt) {
    Click(list, ButtonCentre(2));
    // A press on the button that is released elsewhere is no press.
    QTest::mousePress(list, Qt::LeftButton, {}, ButtonCentre(2));
    QTest::mouseRelease(list, Qt::LeftButton, {}, RowCentre(0));
    list->setFocus();
    QTest::keyClick(list, Qt::Key_F10, Qt::ShiftModifier);
    QTest::keyClick(list, Qt::Key_Menu);
    std::vector<Notification> expected{
        {112, kAction, 2}, {112, kItemButton, 2}, {112, kItemButton, 2}, {112, kItemButton, 2}};
    EXPECT_EQ(dialog.notifications, expected);
}

TEST_F(MacroListFixture, RenamingEndsWithEnterOrFocusLossAndEscapeKeepsTheName) {
    list->setFocus();
    list->SetCurSel(0);
    QTest::keyClick(list, Qt::Key_F2);
    ASSERT_NE(Editor(), nullptr);
    ASSERT_TRUE(Editor()->isVisible());
    QTest::keyClicks(Editor(), QStringLiteral("Fire"));
    QTest::keyClick(Editor(), Qt::Key_Return);
    EXPECT_EQ(list->GetItemString(0), QStringLiteral("Fire"));
    EXPECT_FALSE(list->Editing());
    EXPECT_TRUE(list->hasFocus());

    // Escape ends the renaming and leaves the dialog open.
    ASSERT_TRUE(list->EditItem(1));
    QTest::keyClicks(Editor(), QStringLiteral("Lost"));
    QTest::keyClick(Editor(), Qt::Key_Escape);
    EXPECT_EQ(list->GetItemString(1), QStringLiteral("宏 2"));
    EXPECT_FALSE(dialog.Ended());

    // A double click renames; leaving the field commits the trimmed text.
    auto* other = dialog.CreateControl("MButton", 113, QRect(230, 680, 90, 30), "New");
    QTest::mouseDClick(list, Qt::LeftButton, {}, RowCentre(3));
    ASSERT_TRUE(list->Editing());
    Editor()->setText(QStringLiteral("  宏 九 "));
    other->setFocus();
    EXPECT_FALSE(list->Editing());
    EXPECT_EQ(list->GetItemString(3), QStringLiteral("宏 九"));

    // Deleting the row being renamed drops the renaming silently.
    ASSERT_TRUE(list->EditItem(2));
    ASSERT_TRUE(list->DeleteItem(2));
    EXPECT_FALSE(list->Editing());

    std::vector<Notification> expected{
        {112, kItemEdited, 0}, {112, kAction, 3}, {112, kItemEdited, 3}};
    EXPECT_EQ(dialog.notifications, expected);
}

std::vector<QString> Texts(const CRecordList& list) {
    std::vector<QString> texts;
    for (const RecordItem& item : list.GetRecordItems()) {
        texts.push_back(item.text);
    }
    return texts;
}

struct RecordListFixture : ::testing::Test {
    void SetUp() override {
        Activate(dialog);
        list = static_cast<CRecordList*>(
            dialog.CreateControl("CRecordList", 123, QRect(593, 269, 354, 398)));
        ASSERT_NE(list, nullptr);
    }
    void AddSteps() {
        list->AddRecord(QStringLiteral("↓  A"), 2, 65, 100);
        list->AddRecord(QStringLiteral(" -   10 ms"), 1, 10, 101);
        list->AddRecord(QStringLiteral("↑  A"), 3, 65, 102);
        list->AddRecord(QStringLiteral("↓  LB"), 4, 1, 200);
        list->AddRecord(QStringLiteral("↑  LB"), 5, 1, 200);
    }
    RecordingDialog dialog;
    CRecordList* list = nullptr;
};

TEST_F(RecordListFixture, MovesKeepTheOrderAndTheSelectionFollowsItsStep) {
    AddSteps();
    list->SetCurSel(3);
    EXPECT_TRUE(list->MoveTop(3));
    EXPECT_EQ(Texts(*list), (std::vector<QString>{"↓  LB", "↓  A", " -   10 ms", "↑  A", "↑  LB"}));
    EXPECT_EQ(list->GetCurSel(), 0);
    EXPECT_TRUE(list->MoveBottom(0));
    EXPECT_EQ(Texts(*list), (std::vector<QString>{"↓  A", " -   10 ms", "↑  A", "↑  LB", "↓  LB"}));
    EXPECT_EQ(list->GetCurSel(), 4);
    EXPECT_TRUE(list->SwapItems(4, 3));
    EXPECT_EQ(list->GetCurSel(), 3);
    // Down from the last step: the position after it is no step and the list stays whole.
    EXPECT_FALSE(list->SwapItems(4, 5));
    EXPECT_TRUE(list->MoveTop(0));
    EXPECT_TRUE(list->MoveBottom(4));
    EXPECT_EQ(Texts(*list), (std::vector<QString>{"↓  A", " -   10 ms", "↑  A", "↓  LB", "↑  LB"}));
    // A step moved past the selected one shifts it.
    list->SetCurSel(1);
    list->MoveTop(4);
    EXPECT_EQ(list->GetCurSel(), 2);
    EXPECT_TRUE(dialog.notifications.empty());
}

TEST_F(RecordListFixture, TimestampsFindEditAndDeleteInsertedPairsTogether) {
    AddSteps();
    // A pair inserted after the first step shares one stamp.
    EXPECT_EQ(list->InsertRecord(1, QStringLiteral("↓  A"), 2, 65, 7), 1);
    EXPECT_EQ(list->InsertRecord(2, QStringLiteral("↑  A"), 3, 65, 7), 2);
    EXPECT_EQ(list->InsertRecord(99, QStringLiteral(" -   10 ms"), 1, 10, 8), 7);
    EXPECT_EQ(list->InsertRecord(-5, QStringLiteral(" -   10 ms"), 1, 10, 9), 0);
    EXPECT_EQ(list->GetEventCount(), 9);
    EXPECT_EQ(list->GetRecrodTimeStamp(2), 7);
    EXPECT_EQ(list->GetRecrodTimeStamp(3), 7);

    // Editing a recorded key-down changes only the steps with its own stamp.
    EXPECT_EQ(list->SetRecordInfo(100, 2, QStringLiteral("↓  B"), 66), 1);
    EXPECT_EQ(list->SetRecordInfo(100, 3, QStringLiteral("↑  B"), 66), 0);
    EXPECT_EQ(list->GetRecordItem(1)->text, QStringLiteral("↓  B"));
    EXPECT_EQ(list->GetRecordItem(5)->text, QStringLiteral("↑  A"));
    EXPECT_EQ(list->SetRecordInfo(7, 2, QStringLiteral("↓  "), 0), 1);
    EXPECT_EQ(list->SetRecordInfo(7, 3, QStringLiteral("↑  "), 0), 1);
    EXPECT_TRUE(list->SetRecordItem(4, QStringLiteral(" -   250 ms"), 1, 250));
    EXPECT_EQ(list->GetRecordItem(4), (RecordItem{QStringLiteral(" -   250 ms"), 1, 250, 101}));

    // Deleting either step of the pair deletes both; the selection stays on its own step.
    list->SetCurSel(6);
    EXPECT_EQ(list->DeleteTimeStamp(*list->GetRecrodTimeStamp(3)), 2);
    EXPECT_EQ(list->GetCurSel(), 4);
    EXPECT_EQ(list->GetRecordItem(4)->timestamp, 200);
    EXPECT_EQ(list->DeleteTimeStamp(200), 2);
    EXPECT_EQ(list->GetCurSel(), -1);
    EXPECT_EQ(list->DeleteTimeStamp(12345), 0);
    EXPECT_EQ(list->GetEventCount(), 5);
    list->DeleteAllItems();
    EXPECT_EQ(list->GetEventCount(), 0);
    EXPECT_TRUE(dialog.notifications.empty());
}

TEST_F(RecordListFixture, HostileIndexesChangeNothing) {
    AddSteps();
    std::vector<RecordItem> before = list->GetRecordItems();
    for (int bad : {-1, 5, INT_MAX, INT_MIN}) {
        EXPECT_FALSE(list->GetRecrodTimeStamp(bad).has_value());
        EXPECT_FALSE(list->GetRecordItem(bad).has_value());
        EXPECT_FALSE(list->SetRecordItem(bad, QStringLiteral("x"), 1, 1));
        EXPECT_FALSE(list->DeleteItem(bad));
        EXPECT_FALSE(list->MoveTop(bad));
        EXPECT_FALSE(list->MoveBottom(bad));
        EXPECT_FALSE(list->SwapItems(bad, 0));
        EXPECT_FALSE(list->SwapItems(0, bad));
        list->EnsureVisible(bad);
        list->SetCurSel(bad);
        EXPECT_EQ(list->GetCurSel(), -1);
    }
    EXPECT_EQ(list->GetRecordItems(), before);
    list->SetItemHeight(INT_MIN);
    list->SetItemHeight(INT_MAX);
    EXPECT_FALSE(list->grab().isNull());
}

// Counts the rows the list paints.
class CountingRecordList : public CRecordList {
  public:
    using CRecordList::CRecordList;
    int painted = 0;

  protected:
    void PaintRow(QPainter& painter, const QRectF& content, int index, bool selected) override {
        ++painted;
        CRecordList::PaintRow(painter, content, index, selected);
    }
};

TEST_F(RecordListFixture, FiveThousandStepsPaintOnlyTheVisibleRowsAndFollowTheEnd) {
    CountingRecordList counting(dialog, &dialog, 150);
    counting.SetRect(QRect(593, 269, 354, 398));
    counting.show();
    for (int i = 0; i < 5000; ++i) {
        counting.AddRecord(QStringLiteral("↓  %1").arg(i), 2, 65, i);
    }
    EXPECT_EQ(counting.GetEventCount(), 5000);
    int visible = 398 / counting.GetItemHeight() + 2;
    // While steps are recorded the view keeps showing the newest.
    EXPECT_GE(counting.GetTopIndex(), 5000 - visible);
    counting.painted = 0;
    (void)counting.grab();
    EXPECT_GT(counting.painted, 0);
    EXPECT_LE(counting.painted, visible);

    // Scrolled up by the user, the view stays where it is when steps arrive.
    counting.setFocus();
    QTest::keyClick(&counting, Qt::Key_Home);
    counting.AddRecord(QStringLiteral("↑  A"), 3, 65, 5000);
    EXPECT_EQ(counting.GetTopIndex(), 0);
    QTest::keyClick(&counting, Qt::Key_End);
    EXPECT_EQ(counting.GetCurSel(), 5000);
    EXPECT_GE(counting.GetTopIndex(), 5001 - visible);
    EXPECT_EQ(counting.accessibleDescription(), QStringLiteral("5001 / 5001: ↑  A"));
    std::vector<Notification> expected{{150, kAction, 0}, {150, kAction, 5000}};
    EXPECT_EQ(dialog.notifications, expected);
}

TEST_F(RecordListFixture, MouseAndKeysSelectScrollAndOpenTheItemMenu) {
    for (int i = 0; i < 40; ++i) {
        list->AddRecord(QStringLiteral("↓  %1").arg(i), 2, 65, i);
    }
    list->SetCurSel(0);
    int row = list->GetItemHeight();
    Click(list, QPoint(100, row * 2 + row / 2));
    list->setFocus();
    QTest::keyClick(list, Qt::Key_PageDown);
    int paged = list->GetCurSel();
    EXPECT_GT(paged, 2);
    QTest::keyClick(list, Qt::Key_Up);
    QTest::keyClick(list, Qt::Key_Menu);
    QPoint button = list->mapFromGlobal(list->GetItemButtonRect(paged - 1).center());
    Click(list, button);

    // The wheel scrolls without changing the selection.
    int top = list->GetTopIndex();
    QWheelEvent wheel(QPointF(100, 100), list->mapToGlobal(QPointF(100, 100)), QPoint(),
                      QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(list, &wheel);
    EXPECT_GT(list->GetTopIndex(), top);
    EXPECT_EQ(list->GetCurSel(), paged - 1);

    std::vector<Notification> expected{{123, kAction, 2},
                                       {123, kAction, paged},
                                       {123, kAction, paged - 1},
                                       {123, kItemButton, paged - 1},
                                       {123, kItemButton, paged - 1}};
    EXPECT_EQ(dialog.notifications, expected);

    list->SetEnabled(false);
    Click(list, QPoint(100, row / 2));
    EXPECT_EQ(dialog.notifications.size(), expected.size());
}

TEST(MenuWnd, TheChosenCommandReachesTheOwnerAfterTheMenuCloses) {
    QWidget owner;
    owner.setGeometry(100, 100, 400, 300);
    owner.show();
    std::vector<int> commands;
    {
        MenuWnd menu(&owner, [&](int command) { commands.push_back(command); });
        EXPECT_FALSE(menu.Create(QPoint(150, 150)));  // no entries
        menu.AddMenu(100, QStringLiteral("Move to top"));
        menu.AddMenu(101, QStringLiteral("上移"));
        menu.AddMenu(102, QStringLiteral("Save & close"));
        ASSERT_TRUE(menu.Create(QPoint(150, 150)));
        EXPECT_TRUE(menu.IsOpen());
        QWidget* popup = QApplication::activePopupWidget();
        ASSERT_NE(popup, nullptr);
        QTest::keyClick(popup, Qt::Key_Down);
        QTest::keyClick(popup, Qt::Key_Down);
        QTest::keyClick(popup, Qt::Key_Return);
        EXPECT_FALSE(menu.IsOpen());
        EXPECT_TRUE(commands.empty());  // posted, not called from inside the menu
    }
    QApplication::processEvents();
    EXPECT_EQ(commands, std::vector<int>{101});

    // Escape chooses nothing.
    MenuWnd menu(&owner, [&](int command) { commands.push_back(command); });
    menu.AddMenu(102, QStringLiteral("Delete"));
    ASSERT_TRUE(menu.Create(QPoint(300, 150), MenuAlign::Right));
    QWidget* popup = QApplication::activePopupWidget();
    ASSERT_NE(popup, nullptr);
    EXPECT_LE(popup->geometry().right(), 300);
    QTest::keyClick(popup, Qt::Key_Escape);
    QApplication::processEvents();
    EXPECT_EQ(commands, std::vector<int>{101});
}

TEST(MenuWnd, ACommandForAnOwnerThatIsGoneIsDropped) {
    int calls = 0;
    auto* owner = new QWidget;
    owner->setGeometry(100, 100, 400, 300);
    owner->show();
    MenuWnd menu(owner, [&](int) { ++calls; });
    menu.AddMenu(100, QStringLiteral("Exit"));
    ASSERT_TRUE(menu.Create(QPoint(150, 150)));
    QWidget* popup = QApplication::activePopupWidget();
    ASSERT_NE(popup, nullptr);
    QTest::keyClick(popup, Qt::Key_Down);
    QTest::keyClick(popup, Qt::Key_Return);
    delete owner;
    QApplication::processEvents();
    EXPECT_EQ(calls, 0);
    EXPECT_FALSE(menu.IsOpen());
}

}  // namespace
}  // namespace veltra::ui
