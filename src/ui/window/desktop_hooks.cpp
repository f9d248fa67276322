#include "ui/window/desktop_hooks.h"

#include <QDesktopServices>
#include <QUrl>

namespace veltra::ui {

namespace {

std::function<void(const QString&)>& Hook() {
    static std::function<void(const QString&)> hook;
    return hook;
}

}  // namespace

void OpenExternalUrl(const QString& address) {
    if (Hook()) {
        Hook()(address);
        return;
    }
    QDesktopServices::openUrl(QUrl(address));
}

void SetUrlOpenerHook(std::function<void(const QString&)> hook) {
    Hook() = std::move(hook);
}

}  // namespace veltra::ui
