#pragma once
// Handing an address to the desktop's default handler. Tests and scripted runs catch the
// addresses instead, as they answer message boxes.
#include <QString>
#include <functional>

namespace veltra::ui {

// Opens `address` with the desktop's handler (a browser for web addresses); the outcome is not
// examined.
void OpenExternalUrl(const QString& address);

// While a hook is set, OpenExternalUrl passes the address to it and opens nothing.
void SetUrlOpenerHook(std::function<void(const QString&)> hook);

}  // namespace veltra::ui
