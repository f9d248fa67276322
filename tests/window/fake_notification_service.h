#pragma once
// A private D-Bus session bus (its own dbus-daemon) with a notification service that records
// what it is asked to show and answers with ids of its own. Tests skip when dbus-daemon is
// missing.
#include <QDBusConnection>
#include <QDBusVirtualObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <memory>
#include <vector>

namespace veltra::ui::testing {

struct ReceivedNotice {
    QString application;
    unsigned replaces_id = 0;
    QString icon;
    QString title;
    QString body;
    QStringList actions;
    QVariantMap hints;
    int timeout = 0;
};

class FakeNotificationService : public QDBusVirtualObject {
  public:
    std::vector<ReceivedNotice> notices;

    QString introspect(const QString& path) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

  private:
    unsigned next_id_ = 40;
};

class PrivateSessionBus {
  public:
    PrivateSessionBus();
    ~PrivateSessionBus();

    // False when no bus could be started (no dbus-daemon).
    bool Running() const { return !address_.isEmpty(); }
    // A new connection to the bus, for a client.
    QDBusConnection Connect(const QString& name);
    // Puts the fake service on the bus; false when it could not be registered.
    bool StartService();
    FakeNotificationService& Service() { return service_; }

  private:
    QProcess daemon_;
    QString address_;
    QStringList connections_;
    FakeNotificationService service_;
};

}  // namespace veltra::ui::testing
