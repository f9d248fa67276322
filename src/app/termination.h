#pragma once
// The session's end (SIGTERM at logout, SIGHUP, Ctrl+C in a terminal) takes the same clean
// shutdown as the tray's exit entry: the handler only raises a stop signal, and the event loop
// runs the shutdown on the user-interface thread.

#include <functional>
#include <memory>

class QSocketNotifier;

namespace veltra {
class StopSignal;
}

namespace veltra::app {

class TerminationWatch {
  public:
    // Installs the handlers; `on_termination` runs once, from the event loop.
    explicit TerminationWatch(std::function<void()> on_termination);
    ~TerminationWatch();
    TerminationWatch(const TerminationWatch&) = delete;
    TerminationWatch& operator=(const TerminationWatch&) = delete;

  private:
    std::unique_ptr<StopSignal> signal_;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::function<void()> on_termination_;
};

}  // namespace veltra::app
