#include "app/termination.h"

#include <csignal>

#include <QSocketNotifier>

#include "common/stop_signal.h"

namespace veltra::app {

namespace {

StopSignal* g_signal = nullptr;

void OnSignal(int) {
    if (g_signal != nullptr) {
        g_signal->Raise();
    }
}

}  // namespace

TerminationWatch::TerminationWatch(std::function<void()> on_termination)
    : signal_(std::make_unique<StopSignal>()), on_termination_(std::move(on_termination)) {
    if (!signal_->Open()) {
        return;
    }
    g_signal = signal_.get();
    notifier_ = std::make_unique<QSocketNotifier>(signal_->fd(), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] {
        notifier_->setEnabled(false);
        if (on_termination_) {
            on_termination_();
        }
    });
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : {SIGTERM, SIGINT, SIGHUP}) {
        sigaction(number, &action, nullptr);
    }
}

TerminationWatch::~TerminationWatch() {
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (int number : {SIGTERM, SIGINT, SIGHUP}) {
        sigaction(number, &action, nullptr);
    }
    g_signal = nullptr;
}

}  // namespace veltra::app
