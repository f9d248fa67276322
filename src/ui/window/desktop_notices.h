#pragma once
// Desktop notifications as the main window uses them. The window talks to this port only, so
// tests and desktops without a notification service can stand in; DBusNotices is the real one.
//
// Threads: the user-interface thread only. Show returns at once; the service's answer arrives
// later through the event loop.
#include <QDBusConnection>
#include <QDBusPendingCall>
#include <QString>
#include <functional>
#include <memory>

class QObject;

namespace veltra::ui {

struct DesktopNotice {
    QString title;
    QString body;
    // Stays on screen until the user closes it, where the service offers that.
    bool urgent = false;
};

class NoticePort {
  public:
    virtual ~NoticePort() = default;
    virtual void Show(const DesktopNotice& notice) = 0;
};

// The freedesktop notification service on a D-Bus connection. A notice replaces this program's
// previous one, so a second warning does not stack on the first. When the service does not
// answer (no notification daemon runs), `unavailable` gets the notice to show another way.
class DBusNotices : public NoticePort {
  public:
    // `application`: the name the service shows; `icon`: the program's icon theme name, which
    // also names its desktop entry.
    DBusNotices(QDBusConnection bus, QString application, QString icon,
                std::function<void(const DesktopNotice&)> unavailable);
    ~DBusNotices() override;

    void Show(const DesktopNotice& notice) override;

  private:
    void Answered(const QDBusPendingCall& call, const DesktopNotice& notice);

    QDBusConnection bus_;
    const QString application_;
    const QString icon_;
    std::function<void(const DesktopNotice&)> unavailable_;
    // The service's id of the notice on screen; 0: none.
    unsigned last_id_ = 0;
    // Owns the pending answers; gone with this object, so no answer arrives afterwards.
    std::unique_ptr<QObject> answers_;
};

}  // namespace veltra::ui
