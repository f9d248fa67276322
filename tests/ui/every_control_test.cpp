// Checks that hold for every control class the factory makes, so a new class cannot forget
// them: an accessible name, a visible keyboard focus and a place in the tab order, and no
// notification for anything the program does.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QTest>
#include <atomic>
#include <thread>
#include <vector>

#include "ui/widget_test_support.h"
#include "ui/widgets/control.h"
#include "ui/widgets/control_factory.h"
#include "ui/widgets/ui_thread.h"

namespace veltra::ui {
namespace {

using testing::RecordingDialog;

class ActiveDialog : public RecordingDialog {
  public:
    ActiveDialog() {
        show();
        QApplication::setActiveWindow(this);
        activateWindow();
        QCoreApplication::processEvents();
    }
};

bool TakesTabFocus(const MControl& control) {
    return (control.focusPolicy() & Qt::TabFocus) != 0;
}

TEST(EveryControl, HasAnAccessibleNameFromItsTextOrTooltip) {
    RecordingDialog dialog;
    int id = 100;
    for (std::string_view name : ControlClassNames()) {
        MControl* control = dialog.CreateControl(name, id++, QRect(10, 10, 200, 40));
        ASSERT_NE(control, nullptr) << name;
        control->SetTooltip(QStringLiteral("Tip"));
        EXPECT_FALSE(control->accessibleName().isEmpty()) << name;
        if (auto* text = dynamic_cast<MControlFont*>(control); text != nullptr) {
            text->SetTitle(QStringLiteral("Caption"));
            EXPECT_FALSE(control->accessibleName().isEmpty()) << name;
        }
    }
}

TEST(EveryControl, ShowsTheKeyboardFocus) {
    for (std::string_view name : ControlClassNames()) {
        ActiveDialog dialog;
        MControl* control = dialog.CreateControl(name, 100, QRect(20, 20, 220, 60));
        if (!TakesTabFocus(*control)) {
            continue;
        }
        QImage before = dialog.grab().toImage();
        control->setFocus(Qt::TabFocusReason);
        QCoreApplication::processEvents();
        ASSERT_TRUE(control->hasFocus() || control->isAncestorOf(QApplication::focusWidget()))
            << name;
        EXPECT_NE(dialog.grab().toImage(), before) << name << " looks the same with the focus";
    }
}

TEST(EveryControl, TabVisitsFocusableControlsInTheOrderTheyWereMade) {
    ActiveDialog dialog;
    std::vector<MControl*> focusable;
    int y = 0;
    int id = 100;
    for (std::string_view name : ControlClassNames()) {
        MControl* control = dialog.CreateControl(name, id++, QRect(0, y, 200, 30));
        y += 32;
        if (TakesTabFocus(*control)) {
            focusable.push_back(control);
        }
    }
    ASSERT_GE(focusable.size(), 10u);
    focusable.front()->setFocus(Qt::TabFocusReason);
    for (std::size_t i = 1; i < focusable.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* focused = QApplication::focusWidget();
        EXPECT_TRUE(focused == focusable[i] || focusable[i]->isAncestorOf(focused))
            << "after " << i << " tabs";
    }
}

TEST(EveryControl, ReportsNothingTheProgramDoes) {
    RecordingDialog dialog;
    int id = 100;
    for (std::string_view name : ControlClassNames()) {
        MControl* control = dialog.CreateControl(name, id++, QRect(10, 10, 200, 40));
        control->SetImage(QStringLiteral("no-such-image.png"), 4);
        control->SetTextColor(0xFF808080);
        control->SetRect(QRect(20, 20, 100, 30));
        control->SetEnabled(false);
        control->SetEnabled(true);
        control->SetVisible(false);
        control->SetVisible(true);
        if (auto* text = dynamic_cast<MControlFont*>(control); text != nullptr) {
            text->SetTitle(QStringLiteral("Changed"));
        }
    }
    EXPECT_TRUE(dialog.notifications.empty());
}

TEST(PostTo, CallsFromAnotherThreadRunInOrderAndNotAfterTheReceiverIsGone) {
    auto* receiver = new QObject;
    std::vector<int> ran;
    std::thread worker([&] {
        for (int i = 0; i < 100; ++i) {
            PostTo(receiver, [&ran, i] { ran.push_back(i); });
        }
    });
    worker.join();
    QCoreApplication::processEvents();
    ASSERT_EQ(ran.size(), 100u);
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(ran[i], i);
    }

    std::atomic<bool> late{false};
    std::thread again([&] { PostTo(receiver, [&late] { late = true; }); });
    again.join();
    delete receiver;
    QCoreApplication::processEvents();
    EXPECT_FALSE(late);
}

}  // namespace
}  // namespace veltra::ui
