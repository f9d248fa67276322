#include "ui/window/desktop_notices.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QObject>
#include <QVariantMap>

#include "common/log.h"

namespace veltra::ui {

namespace {

const char* const kService = "org.freedesktop.Notifications";
const char* const kPath = "/org/freedesktop/Notifications";
// The service answers at once; a bus that keeps the call longer has no service worth waiting for.
constexpr int kAnswerMs = 5000;
// The service's urgency levels are low 0, normal 1, critical 2.
constexpr unsigned char kNormal = 1;
constexpr unsigned char kCritical = 2;

}  // namespace

DBusNotices::DBusNotices(QDBusConnection bus, QString application, QString icon,
                         std::function<void(const DesktopNotice&)> unavailable)
    : bus_(std::move(bus)),
      application_(std::move(application)),
      icon_(std::move(icon)),
      unavailable_(std::move(unavailable)),
      answers_(std::make_unique<QObject>()) {}

DBusNotices::~DBusNotices() = default;

void DBusNotices::Show(const DesktopNotice& notice) {
    QDBusMessage call =
        QDBusMessage::createMethodCall(QString::fromLatin1(kService), QString::fromLatin1(kPath),
                                       QString::fromLatin1(kService), QStringLiteral("Notify"));
    QVariantMap hints;
    hints.insert(QStringLiteral("urgency"),
                 QVariant::fromValue<unsigned char>(notice.urgent ? kCritical : kNormal));
    hints.insert(QStringLiteral("category"), QStringLiteral("device"));
    hints.insert(QStringLiteral("desktop-entry"), icon_);
    call << application_ << static_cast<uint>(last_id_) << icon_ << notice.title << notice.body
         << QStringList() << hints << -1;
    const QDBusPendingCall pending = bus_.asyncCall(call, kAnswerMs);
    // A call that failed at once (no bus) has its answer already and signals nothing.
    if (pending.isFinished()) {
        Answered(pending, notice);
        return;
    }
    auto* watcher = new QDBusPendingCallWatcher(pending, answers_.get());
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, answers_.get(),
                     [this, notice](QDBusPendingCallWatcher* done) {
                         done->deleteLater();
                         Answered(*done, notice);
                     });
}

void DBusNotices::Answered(const QDBusPendingCall& call, const DesktopNotice& notice) {
    const QDBusPendingReply<uint> reply = call;
    if (reply.isError()) {
        Log(LogLevel::Warning,
            "desktop notification not shown: " + reply.error().message().toStdString());
        if (unavailable_) {
            unavailable_(notice);
        }
        return;
    }
    last_id_ = reply.value();
}

}  // namespace veltra::ui
