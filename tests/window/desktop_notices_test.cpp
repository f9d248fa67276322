// Desktop notices over D-Bus, against a notification service on a private session bus.
#include "ui/window/desktop_notices.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QElapsedTimer>
#include <QThread>
#include <functional>
#include <vector>

#include "window/fake_notification_service.h"

namespace veltra::ui::testing {
namespace {

bool WaitFor(const std::function<bool()>& done) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > 10000) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return true;
}

class DesktopNoticesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!bus_.Running()) {
            GTEST_SKIP() << "no dbus-daemon";
        }
    }

    PrivateSessionBus bus_;
    std::vector<DesktopNotice> unavailable_;
    std::function<void(const DesktopNotice&)> fallback_ = [this](const DesktopNotice& notice) {
        unavailable_.push_back(notice);
    };
};

TEST_F(DesktopNoticesTest, ASecondNoticeReplacesTheFirstAndAnUrgentOneSaysSo) {
    ASSERT_TRUE(bus_.StartService());
    DBusNotices notices(bus_.Connect(QStringLiteral("client")), QStringLiteral("Veltra Mouse"),
                        QStringLiteral("veltra-mouse"), fallback_);
    notices.Show({.title = QStringLiteral("low"), .body = QStringLiteral("15 %"), .urgent = false});
    ASSERT_TRUE(WaitFor([this] { return bus_.Service().notices.size() == 1; }));
    // The service's id is known once its answer arrived: the bus keeps the order of the answers,
    // so after a later call's answer the first is in.
    ASSERT_TRUE(bus_.Connect(QStringLiteral("client"))
                    .interface()
                    ->isServiceRegistered(QStringLiteral("org.freedesktop.Notifications")));
    QCoreApplication::processEvents();
    notices.Show({.title = QStringLiteral("empty"), .body = QStringLiteral("5 %"), .urgent = true});
    ASSERT_TRUE(WaitFor([this] { return bus_.Service().notices.size() == 2; }));

    const ReceivedNotice& first = bus_.Service().notices[0];
    EXPECT_EQ(first.application, QStringLiteral("Veltra Mouse"));
    EXPECT_EQ(first.replaces_id, 0u);
    EXPECT_EQ(first.icon, QStringLiteral("veltra-mouse"));
    EXPECT_EQ(first.title, QStringLiteral("low"));
    EXPECT_EQ(first.body, QStringLiteral("15 %"));
    EXPECT_TRUE(first.actions.isEmpty());
    EXPECT_EQ(first.timeout, -1);
    EXPECT_EQ(first.hints.value(QStringLiteral("urgency")).value<unsigned char>(), 1);
    EXPECT_EQ(first.hints.value(QStringLiteral("desktop-entry")).toString(),
              QStringLiteral("veltra-mouse"));

    const ReceivedNotice& second = bus_.Service().notices[1];
    EXPECT_EQ(second.replaces_id, 41u);
    EXPECT_EQ(second.title, QStringLiteral("empty"));
    EXPECT_EQ(second.hints.value(QStringLiteral("urgency")).value<unsigned char>(), 2);
    EXPECT_TRUE(unavailable_.empty());
}

TEST_F(DesktopNoticesTest, WithoutAServiceTheNoticeGoesTheOtherWay) {
    DBusNotices notices(bus_.Connect(QStringLiteral("client")), QStringLiteral("Veltra Mouse"),
                        QStringLiteral("veltra-mouse"), fallback_);
    notices.Show({.title = QStringLiteral("low"), .body = QStringLiteral("15 %"), .urgent = false});
    ASSERT_TRUE(WaitFor([this] { return unavailable_.size() == 1; }));
    EXPECT_EQ(unavailable_[0].title, QStringLiteral("low"));

    // No bus at all.
    DBusNotices unconnected(
        QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/veltra-bus"),
                                      QStringLiteral("nowhere")),
        QStringLiteral("Veltra Mouse"), QStringLiteral("veltra-mouse"), fallback_);
    unconnected.Show({.title = QStringLiteral("gone"), .body = {}, .urgent = true});
    ASSERT_TRUE(WaitFor([this] { return unavailable_.size() == 2; }));
    EXPECT_TRUE(unavailable_[1].urgent);
    QDBusConnection::disconnectFromBus(QStringLiteral("nowhere"));
}

TEST_F(DesktopNoticesTest, AnAnswerAfterTheSenderIsGoneIsDropped) {
    ASSERT_TRUE(bus_.StartService());
    {
        DBusNotices notices(bus_.Connect(QStringLiteral("client")), QStringLiteral("Veltra Mouse"),
                            QStringLiteral("veltra-mouse"), fallback_);
        notices.Show({.title = QStringLiteral("low"), .body = {}, .urgent = false});
    }
    ASSERT_TRUE(WaitFor([this] { return bus_.Service().notices.size() == 1; }));
    QCoreApplication::processEvents();
    EXPECT_TRUE(unavailable_.empty());
}

}  // namespace
}  // namespace veltra::ui::testing
