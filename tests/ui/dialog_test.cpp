#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <thread>

#include "ui/widget_test_support.h"
#include "ui/widgets/buttons.h"
#include "ui/widgets/control_factory.h"
#include "ui/widgets/labels.h"
#include "ui/widgets/manager.h"

namespace veltra::ui {
namespace {

using testing::Notification;
using testing::RecordingDialog;

TEST(Dialog, ControlsAreMadeByClassNameAndFoundById) {
    RecordingDialog dialog;
    EXPECT_EQ(dialog.CreateControl("NoSuchControl", 1, QRect(0, 0, 10, 10)), nullptr);
    MControl* text = dialog.CreateControl("MText", 31, QRect(20, 15, 410, 30), "Title");
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(dialog.GetControl(31), text);
    EXPECT_EQ(dialog.Get<MText>(31)->GetTitle(), QStringLiteral("Title"));
    EXPECT_EQ(dialog.Get<MButton>(31), nullptr);
    EXPECT_EQ(text->geometry(), QRect(20, 15, 410, 30));
    EXPECT_EQ(text->accessibleName(), QStringLiteral("Title"));
    delete text;
    EXPECT_EQ(dialog.GetControl(31), nullptr);
    for (std::string_view name : ControlClassNames()) {
        EXPECT_NE(dialog.CreateControl(name, 500, QRect(0, 0, 40, 20)), nullptr) << name;
    }
}

TEST(Dialog, ButtonsReportActionOnClickAndKeys) {
    RecordingDialog dialog;
    dialog.show();
    dialog.CreateControl("MButton", 55, QRect(10, 10, 100, 30), "OK");
    auto* button = dialog.Get<MButton>(55);
    ASSERT_NE(button, nullptr);
    QTest::mouseClick(button, Qt::LeftButton);
    button->setFocus();
    QTest::keyClick(button, Qt::Key_Space);
    QTest::keyClick(button, Qt::Key_Return);
    // A press that leaves the button before release is no click.
    QTest::mousePress(button, Qt::LeftButton);
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(300, 300));
    button->SetEnabled(false);
    QTest::mouseClick(button, Qt::LeftButton);
    std::vector<Notification> expected(3, Notification{55, 2, 0});
    EXPECT_EQ(dialog.notifications, expected);
}

TEST(Dialog, ShowModalReturnsOneAfterOkAndTwoAfterCancel) {
    RecordingDialog ok;
    QTimer::singleShot(0, &ok, [&] { ok.DoOK(); });
    EXPECT_EQ(ok.ShowModal(), kResultOk);
    EXPECT_FALSE(ok.isVisible());

    RecordingDialog cancel;
    QTimer::singleShot(0, &cancel, [&] { cancel.DoCancel(); });
    EXPECT_EQ(cancel.ShowModal(), kResultCancel);

    // Ended before it was shown: the worker may finish a task before the dialog opens.
    RecordingDialog early;
    early.DoOK();
    EXPECT_EQ(early.ShowModal(), kResultOk);

    // Escape is the user's cancel.
    RecordingDialog escaped;
    QTimer::singleShot(0, &escaped, [&] { QTest::keyClick(&escaped, Qt::Key_Escape); });
    EXPECT_EQ(escaped.ShowModal(), kResultCancel);
}

TEST(Dialog, DoOkFromAnotherThreadEndsTheModalLoop) {
    RecordingDialog dialog;
    std::thread worker;
    QTimer::singleShot(0, &dialog, [&] { worker = std::thread([&] { dialog.DoOK(); }); });
    EXPECT_EQ(dialog.ShowModal(), kResultOk);
    worker.join();
}

TEST(Dialog, CallsPostedToADestroyedDialogAreDropped) {
    auto* dialog = new RecordingDialog;
    std::thread worker([dialog] { dialog->DoOK(); });
    worker.join();
    delete dialog;
    QCoreApplication::processEvents();
    SUCCEED();
}

TEST(Dialog, NumberedTimersRunOnTheInjectedClock) {
    struct Counting : RecordingDialog {
        int fired = 0;
        void OnTimer(int) override { ++fired; }
    };
    Counting dialog;
    auto manual = std::make_unique<testing::ManualTimers>();
    testing::ManualTimers* clock = manual.get();
    dialog.SetTimerPort(std::move(manual));
    dialog.SetTimer(100, 2000);
    clock->Advance(std::chrono::milliseconds(1999));
    EXPECT_EQ(dialog.fired, 0);
    clock->Advance(std::chrono::milliseconds(1));
    EXPECT_EQ(dialog.fired, 1);
    dialog.KillTimer(100);
    clock->Advance(std::chrono::milliseconds(5000));
    EXPECT_EQ(dialog.fired, 1);
}

}  // namespace
}  // namespace veltra::ui

namespace veltra::ui {
namespace {

TEST(Manager, IconsLoadFromFilesAndAMissingFileGivesNone) {
    QTemporaryDir dir;
    QString path = dir.filePath("app.png");
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(Qt::blue);
    ASSERT_TRUE(image.save(path));
    EXPECT_FALSE(MRender::LoadIconFromFile(path).isNull());
    EXPECT_TRUE(MRender::LoadIconFromFile(dir.filePath("missing.png")).isNull());
    QFile text(dir.filePath("not-an-image.png"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("not an image");
    text.close();
    EXPECT_TRUE(MRender::LoadIconFromFile(text.fileName()).isNull());
}

}  // namespace
}  // namespace veltra::ui
