#include "ui/window/tray_port.h"

#include <QAction>
#include <QMenu>
#include <QSystemTrayIcon>

#include "ui/widgets/menu.h"

namespace veltra::ui {

QtTray::QtTray() = default;

QtTray::~QtTray() = default;

bool QtTray::Available() const {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void QtTray::SetHandlers(Handlers handlers) {
    handlers_ = std::move(handlers);
}

void QtTray::Build() {
    if (icon_) {
        return;
    }
    icon_ = std::make_unique<QSystemTrayIcon>();
    menu_ = std::make_unique<QMenu>();
    StyleMenu(*menu_);
    QAction* exit = menu_->addAction(exit_text_);
    QObject::connect(exit, &QAction::triggered, [this] {
        if (handlers_.exit_chosen) {
            handlers_.exit_chosen();
        }
    });
    icon_->setContextMenu(menu_.get());
    QObject::connect(icon_.get(), &QSystemTrayIcon::activated,
                     [this](QSystemTrayIcon::ActivationReason reason) {
                         if (!handlers_.activated) {
                             return;
                         }
                         switch (reason) {
                             case QSystemTrayIcon::Trigger:
                                 handlers_.activated(Activation::Click);
                                 break;
                             case QSystemTrayIcon::DoubleClick:
                                 handlers_.activated(Activation::DoubleClick);
                                 break;
                             case QSystemTrayIcon::Context:
                                 handlers_.activated(Activation::Context);
                                 break;
                             default:
                                 break;
                         }
                     });
}

bool QtTray::Show(const QIcon& icon, const QString& tooltip) {
    if (!Available()) {
        return false;
    }
    Build();
    icon_->setIcon(icon);
    icon_->setToolTip(tooltip);
    icon_->show();
    return true;
}

void QtTray::Hide() {
    if (icon_) {
        icon_->hide();
    }
}

bool QtTray::Visible() const {
    return icon_ && icon_->isVisible();
}

void QtTray::SetIcon(const QIcon& icon) {
    if (icon_) {
        icon_->setIcon(icon);
    }
}

void QtTray::ShowMessage(const QString& title, const QString& body, bool urgent) {
    if (icon_ && icon_->isVisible()) {
        constexpr int kShownMs = 10000;
        icon_->showMessage(title, body,
                           urgent ? QSystemTrayIcon::Warning : QSystemTrayIcon::Information,
                           kShownMs);
    }
}

void QtTray::SetTooltip(const QString& tooltip) {
    if (icon_) {
        icon_->setToolTip(tooltip);
    }
}

void QtTray::SetExitText(const QString& text) {
    exit_text_ = text;
    if (menu_ && !menu_->actions().isEmpty()) {
        menu_->actions().first()->setText(text);
    }
}

}  // namespace veltra::ui
