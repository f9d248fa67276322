#pragma once
// Hands a call from any thread to the thread of `receiver` (the user-interface thread for
// windows). Calls posted to one receiver run in the order they were posted; a call whose
// receiver is destroyed before it runs is dropped, so nothing reaches a closed dialog.
#include <QMetaObject>
#include <QObject>
#include <utility>

namespace veltra::ui {

template <typename Call>
void PostTo(QObject* receiver, Call&& call) {
    QMetaObject::invokeMethod(receiver, std::forward<Call>(call), Qt::QueuedConnection);
}

}  // namespace veltra::ui
