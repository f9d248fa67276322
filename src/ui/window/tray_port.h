#pragma once
// The notification-area icon as the main window uses it. The window talks to this port only, so
// tests can play a desktop with or without a tray; QtTray is the real one.
//
// Threads: the user-interface thread only.
#include <QIcon>
#include <QString>
#include <functional>
#include <memory>

class QMenu;
class QSystemTrayIcon;

namespace veltra::ui {

class TrayPort {
  public:
    enum class Activation { Click, DoubleClick, Context };
    struct Handlers {
        std::function<void(Activation)> activated;
        // The one menu entry (exit).
        std::function<void()> exit_chosen;
    };

    virtual ~TrayPort() = default;
    // Whether the desktop shows notification-area icons at all (a tray host runs).
    virtual bool Available() const = 0;
    virtual void SetHandlers(Handlers handlers) = 0;
    // Adds the icon; false when there is no tray to add it to.
    virtual bool Show(const QIcon& icon, const QString& tooltip) = 0;
    virtual void Hide() = 0;
    virtual bool Visible() const = 0;
    virtual void SetIcon(const QIcon& icon) = 0;
    virtual void SetTooltip(const QString& tooltip) = 0;
    virtual void SetExitText(const QString& text) = 0;
    // A message from the icon, for a desktop without a notification service.
    virtual void ShowMessage(const QString& title, const QString& body, bool urgent) = 0;
};

// QSystemTrayIcon with a one-entry context menu.
class QtTray : public TrayPort {
  public:
    QtTray();
    ~QtTray() override;

    bool Available() const override;
    void SetHandlers(Handlers handlers) override;
    bool Show(const QIcon& icon, const QString& tooltip) override;
    void Hide() override;
    bool Visible() const override;
    void SetIcon(const QIcon& icon) override;
    void SetTooltip(const QString& tooltip) override;
    void SetExitText(const QString& text) override;
    void ShowMessage(const QString& title, const QString& body, bool urgent) override;

  private:
    void Build();

    Handlers handlers_;
    QString exit_text_;
    std::unique_ptr<QSystemTrayIcon> icon_;
    std::unique_ptr<QMenu> menu_;
};

}  // namespace veltra::ui
