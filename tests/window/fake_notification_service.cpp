#include "window/fake_notification_service.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QStandardPaths>

namespace veltra::ui::testing {

namespace {

const char* const kService = "org.freedesktop.Notifications";
const char* const kPath = "/org/freedesktop/Notifications";

}  // namespace

QString FakeNotificationService::introspect(const QString& path) const {
    (void)path;
    return {};
}

bool FakeNotificationService::handleMessage(const QDBusMessage& message,
                                            const QDBusConnection& connection) {
    const QList<QVariant> args = message.arguments();
    if (message.member() != QLatin1String("Notify") || args.size() != 8) {
        connection.send(message.createErrorReply(QDBusError::UnknownMethod, message.member()));
        return true;
    }
    ReceivedNotice notice{
        .application = args[0].toString(),
        .replaces_id = args[1].toUInt(),
        .icon = args[2].toString(),
        .title = args[3].toString(),
        .body = args[4].toString(),
        .actions = args[5].toStringList(),
        .hints = qdbus_cast<QVariantMap>(args[6]),
        .timeout = args[7].toInt(),
    };
    notices.push_back(notice);
    connection.send(message.createReply(QVariant::fromValue<uint>(++next_id_)));
    return true;
}

PrivateSessionBus::PrivateSessionBus() {
    const QString program = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    if (program.isEmpty()) {
        return;
    }
    daemon_.start(program, {QStringLiteral("--session"), QStringLiteral("--nofork"),
                            QStringLiteral("--nopidfile"), QStringLiteral("--print-address=1")});
    if (!daemon_.waitForStarted(5000)) {
        return;
    }
    while (!daemon_.canReadLine() && daemon_.waitForReadyRead(5000)) {
    }
    address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
}

PrivateSessionBus::~PrivateSessionBus() {
    for (const QString& name : connections_) {
        QDBusConnection::disconnectFromBus(name);
    }
    daemon_.kill();
    daemon_.waitForFinished(5000);
}

QDBusConnection PrivateSessionBus::Connect(const QString& name) {
    connections_.append(name);
    return QDBusConnection::connectToBus(address_, name);
}

bool PrivateSessionBus::StartService() {
    QDBusConnection bus = Connect(QStringLiteral("fake-notification-service"));
    return bus.isConnected() && bus.registerVirtualObject(QString::fromLatin1(kPath), &service_) &&
           bus.registerService(QString::fromLatin1(kService));
}

}  // namespace veltra::ui::testing
